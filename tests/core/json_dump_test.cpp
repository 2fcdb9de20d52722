#include "core/json_dump.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace pw {
namespace {

// A strict reader for the JSON the dump writes (RFC 8259): it rejects anything a JSON parser
// would reject, including ill-formed UTF-8 inside strings, and keeps members in order.
struct Json {
  enum Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = kNull;
  bool b = false;
  double num = 0;
  std::string raw;  // number text as written
  std::string str;
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;

  const Json* get(const std::string& k) const {
    for (const auto& m : members)
      if (m.first == k) return &m.second;
    return nullptr;
  }
  std::vector<std::string> keys() const {
    std::vector<std::string> out;
    for (const auto& m : members) out.push_back(m.first);
    return out;
  }
};

class JsonReader {
 public:
  explicit JsonReader(const std::string& s) : s_(s) {}

  // False when the whole text is not exactly one JSON value (whitespace around allowed).
  bool parse(Json& out) {
    ws();
    if (!value(out, 0)) return false;
    ws();
    return i_ == s_.size();
  }

 private:
  bool value(Json& v, int depth) {
    if (depth > 64 || i_ >= s_.size()) return false;
    const char c = s_[i_];
    if (c == '{') return object(v, depth);
    if (c == '[') return array(v, depth);
    if (c == '"') {
      v.kind = Json::kString;
      return string(v.str);
    }
    if (lit("true")) { v.kind = Json::kBool; v.b = true; return true; }
    if (lit("false")) { v.kind = Json::kBool; return true; }
    if (lit("null")) { v.kind = Json::kNull; return true; }
    return number(v);
  }
  bool lit(const char* w) {
    const std::string t(w);
    if (s_.compare(i_, t.size(), t) != 0) return false;
    i_ += t.size();
    return true;
  }
  void ws() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r'))
      ++i_;
  }
  bool digits() {
    const size_t b = i_;
    while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
    return i_ > b;
  }
  bool number(Json& v) {
    const size_t b = i_;
    if (i_ < s_.size() && s_[i_] == '-') ++i_;
    if (i_ < s_.size() && s_[i_] == '0') {
      ++i_;
    } else if (!digits()) {
      return false;
    }
    if (i_ < s_.size() && s_[i_] == '.') {
      ++i_;
      if (!digits()) return false;
    }
    if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
      ++i_;
      if (i_ < s_.size() && (s_[i_] == '+' || s_[i_] == '-')) ++i_;
      if (!digits()) return false;
    }
    v.kind = Json::kNumber;
    v.raw = s_.substr(b, i_ - b);
    v.num = std::strtod(v.raw.c_str(), nullptr);
    return true;
  }
  static void putUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | cp >> 6);
      out += static_cast<char>(0x80 | (cp & 63));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | cp >> 12);
      out += static_cast<char>(0x80 | (cp >> 6 & 63));
      out += static_cast<char>(0x80 | (cp & 63));
    } else {
      out += static_cast<char>(0xF0 | cp >> 18);
      out += static_cast<char>(0x80 | (cp >> 12 & 63));
      out += static_cast<char>(0x80 | (cp >> 6 & 63));
      out += static_cast<char>(0x80 | (cp & 63));
    }
  }
  bool hex4(uint32_t& cp) {
    if (i_ + 4 > s_.size()) return false;
    cp = 0;
    for (int k = 0; k < 4; ++k) {
      const char h = s_[i_++];
      cp <<= 4;
      if (h >= '0' && h <= '9') cp |= static_cast<uint32_t>(h - '0');
      else if (h >= 'a' && h <= 'f') cp |= static_cast<uint32_t>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F') cp |= static_cast<uint32_t>(h - 'A' + 10);
      else return false;
    }
    return true;
  }
  // One UTF-8 sequence, checked byte by byte (no overlongs, surrogates or values past U+10FFFF).
  bool utf8(std::string& out) {
    const auto u = [&](size_t k) { return static_cast<unsigned char>(s_[k]); };
    const unsigned char b = u(i_);
    size_t n;
    uint32_t cp;
    if (b >= 0xC2 && b <= 0xDF) { n = 2; cp = b & 0x1F; }
    else if (b >= 0xE0 && b <= 0xEF) { n = 3; cp = b & 0x0F; }
    else if (b >= 0xF0 && b <= 0xF4) { n = 4; cp = b & 0x07; }
    else return false;
    if (i_ + n > s_.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      if ((u(i_ + k) & 0xC0) != 0x80) return false;
      cp = cp << 6 | (u(i_ + k) & 0x3F);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    out.append(s_, i_, n);
    i_ += n;
    return true;
  }
  bool string(std::string& out) {
    ++i_;  // opening quote
    while (i_ < s_.size()) {
      const unsigned char c = static_cast<unsigned char>(s_[i_]);
      if (c == '"') {
        ++i_;
        return true;
      }
      if (c < 0x20) return false;
      if (c >= 0x80) {
        if (!utf8(out)) return false;
        continue;
      }
      if (c != '\\') {
        out += static_cast<char>(c);
        ++i_;
        continue;
      }
      if (++i_ >= s_.size()) return false;
      const char e = s_[i_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          uint32_t cp;
          if (!hex4(cp)) return false;
          if (cp >= 0xD800 && cp <= 0xDBFF) {
            uint32_t lo;
            if (!lit("\\u") || !hex4(lo) || lo < 0xDC00 || lo > 0xDFFF) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
          } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            return false;
          }
          putUtf8(out, cp);
          break;
        }
        default: return false;
      }
    }
    return false;
  }
  bool array(Json& v, int depth) {
    v.kind = Json::kArray;
    ++i_;
    ws();
    if (i_ < s_.size() && s_[i_] == ']') { ++i_; return true; }
    for (;;) {
      Json item;
      ws();
      if (!value(item, depth + 1)) return false;
      v.items.push_back(std::move(item));
      ws();
      if (i_ >= s_.size()) return false;
      if (s_[i_] == ']') { ++i_; return true; }
      if (s_[i_++] != ',') return false;
    }
  }
  bool object(Json& v, int depth) {
    v.kind = Json::kObject;
    ++i_;
    ws();
    if (i_ < s_.size() && s_[i_] == '}') { ++i_; return true; }
    for (;;) {
      ws();
      std::string key;
      if (i_ >= s_.size() || s_[i_] != '"' || !string(key)) return false;
      ws();
      if (i_ >= s_.size() || s_[i_++] != ':') return false;
      ws();
      Json item;
      if (!value(item, depth + 1)) return false;
      v.members.emplace_back(std::move(key), std::move(item));
      ws();
      if (i_ >= s_.size()) return false;
      if (s_[i_] == '}') { ++i_; return true; }
      if (s_[i_++] != ',') return false;
    }
  }

  const std::string& s_;
  size_t i_ = 0;
};

// The string a JSON string literal stands for; fails the test when it is not valid JSON.
std::string decoded(const std::string& literal) {
  Json v;
  EXPECT_TRUE(JsonReader(literal).parse(v)) << literal;
  EXPECT_EQ(v.kind, Json::kString) << literal;
  return v.str;
}

Json parsed(const std::string& text) {
  Json v;
  EXPECT_TRUE(JsonReader(text).parse(v)) << text;
  return v;
}

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(JsonReaderSelfCheck, RejectsWhatJsonForbids) {
  Json v;
  for (const char* bad : {"", "{", "[1,]", "{\"a\":1,}", "01", "1.", "\"\x01\"", "\"\\x\"",
                          "\"\xC0\xAF\"", "\"\xED\xA0\x80\"", "\"\\ud800\"", "NaN", "[1] 2",
                          "{'a':1}", "-", "1e"}) {
    EXPECT_FALSE(JsonReader(bad).parse(v)) << bad;
  }
  for (const char* good : {"0", "-0.5e+3", "[]", "{}", "\"\\u00e9\\ud83d\\ude00\"",
                           "{\"a\":[1,{\"b\":null}],\"c\":true}"}) {
    EXPECT_TRUE(JsonReader(good).parse(v)) << good;
  }
}

TEST(JsonString, EscapesQuotesBackslashAndControlCharacters) {
  const std::string nasty = std::string("say \"hi\" \\ back\nslash\r\t\b\f") + '\x01' + '\x1f' +
                            '\x7f' + std::string(1, '\0') + "end";
  const std::string lit = jsonString(nasty);
  EXPECT_EQ(decoded(lit), nasty);
  // Every raw control character is escaped, never written as is.
  for (char c : lit) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << lit;
  EXPECT_EQ(jsonString(""), "\"\"");
  EXPECT_EQ(jsonString("plain, text; 100%"), "\"plain, text; 100%\"");
}

TEST(JsonString, KeepsWellFormedUtf8) {
  // 2-, 3- and 4-byte sequences at the edges of their ranges.
  const std::string s = "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xC2\x80 \xEF\xBF\xBF \xF4\x8F\xBF\xBF "
                        "\xED\x9F\xBF \xEE\x80\x80";
  EXPECT_EQ(decoded(jsonString(s)), s);
}

TEST(JsonString, ReplacesIllFormedUtf8) {
  struct Case {
    std::string in, out;
  };
  const std::string R = kReplacement;
  const std::vector<Case> cases = {
      {"a\x80z", "a" + R + "z"},                          // stray continuation byte
      {"a\xFFz", "a" + R + "z"},                          // byte never used in UTF-8
      {"a\xC3", "a" + R},                                 // truncated at the end
      {"a\xE2\x82z", "a" + R + "z"},                      // truncated sequence: one replacement
      {"\xC0\xAF", R + R},                                // overlong "/"
      {"\xE0\x80\xAF", R + R + R},                        // overlong 3-byte form
      {"\xED\xA0\x80", R + R + R},                        // UTF-16 surrogate
      {"\xF4\x90\x80\x80", R + R + R + R},                // past U+10FFFF
      {"\xF0\x9F\x98", R},                                // truncated 4-byte
      {"\xC3\xA9\xA9", "\xC3\xA9" + R},                   // valid then stray
  };
  for (const Case& c : cases) {
    const std::string lit = jsonString(c.in);
    EXPECT_EQ(decoded(lit), c.out) << lit;
  }
}

TEST(JsonNumber, WritesValidNumbersOrNull) {
  for (double d : {0.0, -0.0, 0.25, -1.5, 1e300, 5e-324, 123456789.125, 3.0}) {
    const std::string t = jsonNumber(d);
    Json v = parsed(t);
    ASSERT_EQ(v.kind, Json::kNumber) << t;
    EXPECT_EQ(v.num, d) << t;  // reads back as the same double
  }
  EXPECT_EQ(jsonNumber(std::numeric_limits<double>::quiet_NaN()), "null");
  EXPECT_EQ(jsonNumber(std::numeric_limits<double>::infinity()), "null");
  EXPECT_EQ(jsonNumber(-std::numeric_limits<double>::infinity()), "null");
}

// A document in which every field holds a value no other field holds, so a field written under
// the wrong name, or not at all, shows.
Document distinctDocument() {
  Document doc;
  doc.DocumentState = kDocumentHasContent;
  doc.Objects.resize(2);
  Object& o = doc.Objects[1];
  o.name = "Layer \"one\"";
  o.hidden = 1; o.locked = 2; o.hasShape = 3; o.depth = 4; o.alpha = 5; o.spare = 6;
  o.x = -7000000000; o.y = 8; o.w = 9; o.h = 10; o.rotX = 11; o.rotY = 12; o.angle = 13;
  Shape& s = o.shapes[0];
  s.name = "Box_\x01";
  s.points.resize(2);
  s.points[0] = {101, -102, 1, 1, 555, 556, 1};
  s.points[1].x = 103; s.points[1].y = 104;
  s.fx.resize(2);
  ShapeFx& f = s.fx[1];
  f.name = "fx_1"; f.x = 201; f.y = 202; f.type = 203; f.color = -204; f.alpha = 205;
  f.depth = 206; f.width = 207; f.height = 208; f.spareA = 209; f.spareB = 210; f.scale = 211;
  f.dist = 212; f.active = 213;
  s.type = 21; s.text = "t\xFFx"; s.fontId = 777777; s.fontName = "Font"; s.fontStyle = 22;
  s.imageId = 888888; s.imageRepeat = 23; s.imageW = 24; s.imageH = 25; s.imageSpare = 26;
  s.imageX = 27; s.imageY = 28; s.imageFile = "C:\\pics\\a.png"; s.dragScale = 0.375;
  s.dragAngle = 29; s.x = 30; s.y = 31; s.w = 32; s.h = 33; s.startX = 34; s.startY = 35;
  s.pivotX = 36; s.pivotY = 37; s.cx = 38; s.cy = 39; s.color = packRGBA(1, 2, 3, 255);
  s.paint = 40; s.gradient = {41, -42, 43}; s.alpha = 44; s.closed = 45; s.link = 46;
  s.depth = 47; s.hidden = 49; s.locked = 50; s.style = 51; s.lineW = 52;
  s.lineH = 53; s.lineDist = 54;
  return doc;
}

int64_t intOf(const Json& parent, const std::string& key) {
  const Json* v = parent.get(key);
  if (!v || v->kind != Json::kNumber) {
    ADD_FAILURE() << "no number " << key;
    return INT64_MIN;
  }
  // Integers are written as integers: no fraction, no exponent.
  EXPECT_EQ(v->raw.find_first_of(".eE"), std::string::npos) << key << " = " << v->raw;
  return std::strtoll(v->raw.c_str(), nullptr, 10);
}

std::string strOf(const Json& parent, const std::string& key) {
  const Json* v = parent.get(key);
  if (!v || v->kind != Json::kString) {
    ADD_FAILURE() << "no string " << key;
    return {};
  }
  return v->str;
}

// Its selection, which holds its shape: the point and the effect are not dumped.
Selection distinctSelection(const Document& doc) {
  Selection sel;
  sel.object = 1;
  sel.shape = 0;
  sel.point = 901;
  sel.fx = 902;
  sel.select(doc.Objects[1].shapes[0].id);
  return sel;
}

TEST(DocumentJson, WritesEveryFieldUnderItsName) {
  const Document doc = distinctDocument();
  const std::string text = documentJson(doc, distinctSelection(doc));
  EXPECT_EQ(text.find('\n'), std::string::npos) << "one line";
  const Json root = parsed(text);
  ASSERT_EQ(root.kind, Json::kObject);
  EXPECT_EQ(root.keys(),
            (std::vector<std::string>{"DocumentState", "CurrentObject", "CurrentShape",
                                      "MaxFrame", "Fps", "objects"}));
  EXPECT_EQ(intOf(root, "DocumentState"), 1);
  EXPECT_EQ(intOf(root, "CurrentObject"), 1);
  EXPECT_EQ(intOf(root, "CurrentShape"), 0);

  const Json* objects = root.get("objects");
  ASSERT_TRUE(objects && objects->kind == Json::kArray);
  ASSERT_EQ(objects->items.size(), 2u);
  const Json& o = objects->items[1];
  EXPECT_EQ(o.keys(), (std::vector<std::string>{"name", "hidden", "locked", "hasShape", "shapes",
                                                "depth", "alpha", "spare", "x", "y", "w", "h",
                                                "rotX", "rotY", "angle", "keys"}));
  EXPECT_EQ(strOf(o, "name"), "Layer \"one\"");
  const std::map<std::string, int64_t> objInts = {
      {"hidden", 1}, {"locked", 2}, {"hasShape", 3}, {"depth", 4}, {"alpha", 5}, {"spare", 6},
      {"x", -7000000000}, {"y", 8}, {"w", 9}, {"h", 10}, {"rotX", 11}, {"rotY", 12},
      {"angle", 13}};
  for (const auto& [k, v] : objInts) EXPECT_EQ(intOf(o, k), v) << k;

  const Json* shapes = o.get("shapes");
  ASSERT_TRUE(shapes && shapes->kind == Json::kArray && shapes->items.size() == 1u);
  const Json& s = shapes->items[0];
  const std::vector<std::string> shapeKeys = {
      "name", "points", "fx", "type", "text", "fontName", "fontStyle", "imageRepeat", "imageW",
      "imageH", "imageSpare", "imageX", "imageY", "imageFile", "dragScale", "dragAngle", "x", "y",
      "w", "h", "startX", "startY", "pivotX", "pivotY", "cx", "cy", "color", "paint", "gradient",
      "alpha", "closed", "link", "depth", "selected", "hidden", "locked", "style", "lineW",
      "lineH", "lineDist"};
  EXPECT_EQ(s.keys(), shapeKeys);
  EXPECT_EQ(s.get("fontId"), nullptr);
  EXPECT_EQ(s.get("imageId"), nullptr);
  EXPECT_EQ(text.find("777777"), std::string::npos) << "runtime handles are not written";
  EXPECT_EQ(text.find("888888"), std::string::npos) << "runtime handles are not written";
  EXPECT_EQ(strOf(s, "name"), "Box_\x01");
  EXPECT_EQ(strOf(s, "text"), "t" + kReplacement + "x");
  EXPECT_EQ(strOf(s, "fontName"), "Font");
  EXPECT_EQ(strOf(s, "imageFile"), "C:\\pics\\a.png");
  const std::map<std::string, int64_t> shapeInts = {
      {"type", 21}, {"fontStyle", 22}, {"imageRepeat", 23}, {"imageW", 24}, {"imageH", 25},
      {"imageSpare", 26}, {"imageX", 27}, {"imageY", 28}, {"dragAngle", 29}, {"x", 30},
      {"y", 31}, {"w", 32}, {"h", 33}, {"startX", 34}, {"startY", 35}, {"pivotX", 36},
      {"pivotY", 37}, {"cx", 38}, {"cy", 39}, {"color", packRGBA(1, 2, 3, 255)}, {"paint", 40},
      {"alpha", 44}, {"closed", 45}, {"link", 46}, {"depth", 47}, {"selected", 1},
      {"hidden", 49}, {"locked", 50}, {"style", 51}, {"lineW", 52}, {"lineH", 53},
      {"lineDist", 54}};
  for (const auto& [k, v] : shapeInts) EXPECT_EQ(intOf(s, k), v) << k;
  const Json* drag = s.get("dragScale");
  ASSERT_TRUE(drag && drag->kind == Json::kNumber);
  EXPECT_EQ(drag->num, 0.375);
  const Json* grad = s.get("gradient");
  ASSERT_TRUE(grad && grad->kind == Json::kArray && grad->items.size() == 3u);
  EXPECT_EQ(grad->items[0].raw, "41");
  EXPECT_EQ(grad->items[1].raw, "-42");
  EXPECT_EQ(grad->items[2].raw, "43");

  const Json* points = s.get("points");
  ASSERT_TRUE(points && points->items.size() == 2u);
  EXPECT_EQ(points->items[0].keys(), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(intOf(points->items[0], "x"), 101);
  EXPECT_EQ(intOf(points->items[0], "y"), -102);
  EXPECT_EQ(intOf(points->items[1], "x"), 103);
  EXPECT_EQ(intOf(points->items[1], "y"), 104);

  const Json* fx = s.get("fx");
  ASSERT_TRUE(fx && fx->items.size() == 2u);
  const Json& f = fx->items[1];
  EXPECT_EQ(f.keys(), (std::vector<std::string>{"name", "x", "y", "type", "color", "alpha", "depth",
                                                "width", "height", "spareA", "spareB", "scale",
                                                "dist", "active"}));
  EXPECT_EQ(strOf(f, "name"), "fx_1");
  const std::map<std::string, int64_t> fxInts = {
      {"x", 201}, {"y", 202}, {"type", 203}, {"color", -204}, {"alpha", 205}, {"depth", 206},
      {"width", 207}, {"height", 208}, {"spareA", 209}, {"spareB", 210}, {"scale", 211},
      {"dist", 212}, {"active", 213}};
  for (const auto& [k, v] : fxInts) EXPECT_EQ(intOf(f, k), v) << k;
  // The zeroed default effect of object 0 is written too.
  const Json& f0 = fx->items[0];
  EXPECT_EQ(intOf(f0, "scale"), 0);
}

TEST(DocumentJson, ExtremeValuesStayIntegers) {
  Document doc;
  Shape& s = doc.Objects[0].shapes[0];
  s.color = INT64_MIN;
  s.fontStyle = INT64_MAX;
  s.x = INT16_MIN;
  s.dragScale = std::numeric_limits<double>::quiet_NaN();
  doc.DocumentState = kDocumentFresh;
  const Json root = parsed(documentJson(doc, Selection{}));
  EXPECT_EQ(intOf(root, "DocumentState"), -1);
  const Json& js = root.get("objects")->items[0].get("shapes")->items[0];
  EXPECT_EQ(js.get("color")->raw, "-9223372036854775808");
  EXPECT_EQ(js.get("fontStyle")->raw, "9223372036854775807");
  EXPECT_EQ(intOf(js, "x"), INT16_MIN);
  EXPECT_EQ(js.get("dragScale")->kind, Json::kNull);
}

TEST(DocumentJson, ArbitraryBytesInEveryStringStillGiveValidJson) {
  // Every byte value in every text field.
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  Document doc;
  doc.Objects[0].name = all;
  Shape& s = doc.Objects[0].shapes[0];
  s.name = all + all;
  s.text = all;
  s.fontName = std::string(all.rbegin(), all.rend());
  s.imageFile = "\xF0\x9F";  // cut inside a sequence at the very end
  s.fx[0].name = all;
  const Json root = parsed(documentJson(doc, Selection{}));
  ASSERT_EQ(root.kind, Json::kObject);
  const Json& js = root.get("objects")->items[0].get("shapes")->items[0];
  // ASCII survives unchanged; every byte above 0x7F stands alone here, so each is replaced.
  std::string expect;
  for (int c = 0; c < 128; ++c) expect += static_cast<char>(c);
  for (int c = 128; c < 256; ++c) expect += kReplacement;
  EXPECT_EQ(strOf(js, "text"), expect);
  EXPECT_EQ(strOf(js, "imageFile"), kReplacement);
}

}  // namespace
}  // namespace pw
