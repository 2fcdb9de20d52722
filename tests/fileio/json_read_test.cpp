#include "fileio/json_read.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace pw {
namespace {

// Writes down what the reader reports: "{", "}", "[", "]", "name:", "\"text\"", a number as
// written followed by "=value" when it is an integer, "true", "false", "null"; space-separated.
class Trace : public JsonHandler {
 public:
  std::string text;
  int depth = 0, deepest = 0;

  void beginObject() override { open("{"); }
  void endObject() override { close("}"); }
  void beginArray() override { open("["); }
  void endArray() override { close("]"); }
  void memberName(std::string_view name) override { add(std::string(name) + ":"); }
  void stringValue(std::string_view s) override { add("\"" + std::string(s) + "\""); }
  void numberValue(const JsonNumber& n) override {
    add(std::string(n.text) + (n.integer ? "=" + std::to_string(*n.integer) : ""));
  }
  void boolValue(bool v) override { add(v ? "true" : "false"); }
  void nullValue() override { add("null"); }

 private:
  void add(const std::string& s) { text += (text.empty() ? "" : " ") + s; }
  void open(const char* s) {
    add(s);
    deepest = std::max(deepest, ++depth);
  }
  void close(const char* s) {
    add(s);
    --depth;
  }
};

// The trace of a text that must read, or "REFUSED".
std::string traceOf(const std::string& json) {
  Trace t;
  return readJson(json, t) ? t.text : "REFUSED";
}

struct Case {
  std::string json;
  std::string trace;
};

TEST(JsonRead, ValuesArriveInTheOrderOfTheText) {
  const Case cases[] = {
      {"{}", "{ }"},
      {" \t\r\n[ ]\n", "[ ]"},
      {"\xEF\xBB\xBF{\"a\": 1}", "{ a: 1=1 }"},
      {"{\"a\":[1,\"x\",true,false,null,{}],\"b\":{\"c\":-2}}",
       "{ a: [ 1=1 \"x\" true false null { } ] b: { c: -2=-2 } }"},
      {"42", "42=42"},
      {"\"alone\"", "\"alone\""},
      {"null", "null"},
      {"{\"a\":1,\"a\":[]}", "{ a: 1=1 a: [ ] }"},  // a repeated name is reported again
      {"{\"\":\"\"}", "{ : \"\" }"},
  };
  for (const Case& c : cases) EXPECT_EQ(traceOf(c.json), c.trace) << c.json;
}

TEST(JsonRead, NumbersKeepTheirTextAndGiveIntegersInRange) {
  const Case cases[] = {
      {"0", "0=0"},
      {"-0", "-0=0"},
      {"9223372036854775807", "9223372036854775807=9223372036854775807"},
      {"-9223372036854775808", "-9223372036854775808=-9223372036854775808"},
      {"9223372036854775808", "9223372036854775808"},
      {"-9223372036854775809", "-9223372036854775809"},
      {"18446744073709551616", "18446744073709551616"},
      {"1" + std::string(400, '0'), "1" + std::string(400, '0')},
      {"1.5", "1.5"},
      {"2.0", "2.0"},
      {"1e2", "1e2"},
      {"-1E+2", "-1E+2"},
      {"0.5e-3", "0.5e-3"},
      {"1e999999999", "1e999999999"},
      {"[0,-1]", "[ 0=0 -1=-1 ]"},
      {"01", "REFUSED"},
      {"-01", "REFUSED"},
      {"+1", "REFUSED"},
      {"1.", "REFUSED"},
      {".5", "REFUSED"},
      {"1e", "REFUSED"},
      {"1e+", "REFUSED"},
      {"-", "REFUSED"},
      {"--1", "REFUSED"},
      {"0x10", "REFUSED"},
      {"NaN", "REFUSED"},
      {"-Infinity", "REFUSED"},
      {"1 2", "REFUSED"},
  };
  for (const Case& c : cases) EXPECT_EQ(traceOf(c.json), c.trace) << c.json;
}

TEST(JsonRead, StringsArriveDecoded) {
  const std::string fffd = "\xEF\xBF\xBD";
  const Case cases[] = {
      {R"("\"\\\/\b\f\n\r\t")", "\"\"\\/\b\f\n\r\t\""},
      {R"("\u0041\u00e9\u20AC")", "\"A\xC3\xA9\xE2\x82\xAC\""},
      {R"("\ud83d\ude00")", "\"\xF0\x9F\x98\x80\""},
      // Lone surrogates are valid JSON but no character.
      {R"("\ud800")", "\"" + fffd + "\""},
      {R"("\udc00\ud800")", "\"" + fffd + fffd + "\""},
      {R"("\ud800\u0041")", "\"" + fffd + "A\""},
      {R"("\ud800\ud800\udc00")", "\"" + fffd + "\xF0\x90\x80\x80\""},
      {R"("\u0000")", std::string("\"\0\"", 3)},
      {"\"\xE2\x82\xAC \xF4\x8F\xBF\xBF \x7F\"", "\"\xE2\x82\xAC \xF4\x8F\xBF\xBF \x7F\""},
      {"{\"\\u0041\": 1}", "{ A: 1=1 }"},
      // Escapes that are not, and text that is not UTF-8.
      {R"("abc)", "REFUSED"},
      {R"("a\")", "REFUSED"},
      {R"("\x")", "REFUSED"},
      {R"("\u12")", "REFUSED"},
      {R"("\u12g4")", "REFUSED"},
      {R"("\ud800\u12")", "REFUSED"},
      {R"("\U0041")", "REFUSED"},
      {"\"a\tb\"", "REFUSED"},
      {"\"a\nb\"", "REFUSED"},
      {"\"\xC3\"", "REFUSED"},
      {"\"\xC3\x28\"", "REFUSED"},
      {"\"\xC0\xAF\"", "REFUSED"},
      {"\"\xE0\x80\xAF\"", "REFUSED"},
      {"\"\xED\xA0\x80\"", "REFUSED"},
      {"\"\xF4\x90\x80\x80\"", "REFUSED"},
      {"\"\xF5\x80\x80\x80\"", "REFUSED"},
      {"\"\x80\"", "REFUSED"},
      {"\"\xFF\"", "REFUSED"},
      {"\"\xF0\x9F\x98", "REFUSED"},
  };
  for (const Case& c : cases) EXPECT_EQ(traceOf(c.json), c.trace) << c.json;
}

TEST(JsonRead, MalformedTextIsRefused) {
  for (const std::string& json : std::initializer_list<std::string>{
           "", "   ", "{", "}", "[", "]", "{,}", "[,]", "[1,]", "[,1]", "{\"a\":1,}", "{\"a\" 1}",
        "{\"a\":}", "{\"a\"}", "{a:1}", "{'a':1}", "{1:2}", "[1 2]", "{\"a\":1 \"b\":2}", "{} {}",
        "{}x", "[1}", "{\"a\":1]", "\"a\" \"b\"", "tru", "nul", "fals", "True", "nulll",
        "\xFF\xFE{}", "\xEF\xBB{}", "\xEF\xBB\xBF", std::string("{}\0", 3), "\v{}", "{}\f"}) {
    EXPECT_EQ(traceOf(json), "REFUSED") << json;
  }
}

TEST(JsonRead, NestingStopsAtTheLimitWithoutRecursingFurther) {
  const auto arrays = [](size_t n) { return std::string(n, '[') + std::string(n, ']'); };
  Trace t;
  ASSERT_TRUE(readJson(arrays(kMaxJsonDepth), t));
  EXPECT_EQ(t.deepest, kMaxJsonDepth);
  EXPECT_EQ(traceOf(arrays(kMaxJsonDepth + 1)), "REFUSED");

  // Objects count the same as arrays.
  std::string objects;
  for (int k = 1; k < kMaxJsonDepth; ++k) objects += "{\"k\":";
  EXPECT_NE(traceOf(objects + "[]" + std::string(kMaxJsonDepth - 1, '}')), "REFUSED");
  EXPECT_EQ(traceOf(objects + "[[]]" + std::string(kMaxJsonDepth - 1, '}')), "REFUSED");

  // Far deeper text, closed or not, is refused quickly.
  EXPECT_EQ(traceOf(arrays(200000)), "REFUSED");
  EXPECT_EQ(traceOf(std::string(200000, '{')), "REFUSED");
}

TEST(JsonRead, TheHandlerHearsWhatCameBeforeAFault) {
  Trace t;
  EXPECT_FALSE(readJson("[1, \"two\", x]", t));
  EXPECT_EQ(t.text, "[ 1=1 \"two\"");
}

TEST(JsonRead, DamagedTextIsReadOrRefusedNeverMore) {
  // Random damage to a document holding every kind of value: whatever the reader accepts comes
  // with balanced containers within the depth limit.
  const std::string good =
      "{\"a\": [1, -2.5e3, \"x\\u00e9\\n\", true, false, null, {\"b\": {}}], \"c\": \"\xE2\x82\xAC\"}";
  std::mt19937 rng(2024);
  int accepted = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string t = good;
    for (int e = 1 + static_cast<int>(rng() % 3); e > 0; --e) {
      const size_t at = rng() % (t.size() + 1);
      switch (rng() % 3) {
        case 0:
          if (at < t.size()) t[at] = static_cast<char>(rng() % 256);
          break;
        case 1: t.erase(std::min(at, t.size()), 1 + rng() % 6); break;
        default: t.insert(at, 1, "{}[]\",:\\-.e0u \xC3\xED"[rng() % 16]); break;
      }
    }
    Trace tr;
    if (!readJson(t, tr)) continue;
    ++accepted;
    EXPECT_EQ(tr.depth, 0) << t;
    EXPECT_LE(tr.deepest, kMaxJsonDepth) << t;
  }
  EXPECT_GT(accepted, 0);
}

}  // namespace
}  // namespace pw
