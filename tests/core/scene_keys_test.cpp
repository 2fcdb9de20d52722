// Keys and the timeline in scene files: the "key" and "anim" lines, their place in the text,
// round trips, the three read modes and hostile key lines.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "core/create.h"
#include "core/json_dump.h"
#include "core/keyframes.h"
#include "core/scene_file.h"
#include "support/fakes.h"
#include "support/scene_text.h"

namespace pw {
namespace {

using test::crlfLines;
using test::framesOf;
using test::kHead;

using test::TestEditor;

std::string keyOf(const std::string& line) { return line.substr(0, line.find(',')); }

ObjectKey makeKey(int frame, int kind, int64_t x, int64_t y, int16_t w, int16_t h, int16_t rotX,
                  int16_t rotY, int16_t angle, uint8_t alpha) {
  ObjectKey k;
  k.frame = static_cast<int16_t>(frame);
  k.kind = static_cast<uint8_t>(kind);
  k.x = x;
  k.y = y;
  k.w = w;
  k.h = h;
  k.rotX = rotX;
  k.rotY = rotY;
  k.angle = angle;
  k.alpha = alpha;
  return k;
}

void expectSameKeys(const std::vector<ObjectKey>& a, const std::vector<ObjectKey>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(a[i].frame, b[i].frame);
    EXPECT_EQ(a[i].kind, b[i].kind);
    EXPECT_EQ(a[i].x, b[i].x);
    EXPECT_EQ(a[i].y, b[i].y);
    EXPECT_EQ(a[i].w, b[i].w);
    EXPECT_EQ(a[i].h, b[i].h);
    EXPECT_EQ(a[i].rotX, b[i].rotX);
    EXPECT_EQ(a[i].rotY, b[i].rotY);
    EXPECT_EQ(a[i].angle, b[i].angle);
    EXPECT_EQ(a[i].alpha, b[i].alpha);
  }
}

// Two objects with boxes; the first is animated with one key of each kind.
void buildAnimated(TestEditor& t) {
  newDocument(t.ed, kFreshDocument, true, false);
  t.ed.tools.tool = kToolBox;
  addShape(t.ed, 10, 20);
  addShape(t.ed, 30, 40);
  addObject(t.ed, 1);
  addShape(t.ed, 50, 60);
  Object& o = t.ed.doc.Objects[0];
  o.keys = {makeKey(0, kKeyEase, -5, 7, 100, 100, 0, 0, 0, 255),
            makeKey(12, kKeyHold, std::numeric_limits<int64_t>::min(), 9000000000, -3, 4, 5, 6,
                    -90, 0),
            makeKey(kMaxKeyFrame, kKeyLinear, 1, 2, 3, 4, 5, 6, 7, 8)};
  t.ed.doc.MaxFrame = 120;
  t.ed.doc.Fps = 30;
}

const std::string kBox = "shape,0,-1,b,255,0,10,5,5,1,5,5,,0,0,\r\npt,0,1,1,\r\n";

std::string keyLine(int64_t frame, int64_t kind, int64_t x) {
  return "key," + std::to_string(frame) + "," + std::to_string(kind) + "," + std::to_string(x) +
         ",0,100,100,0,0,0,255,\r\n";
}

TEST(SceneKeys, WrittenAfterTheirObjectBeforeItsShapesWithOneAnimLine) {
  TestEditor t;
  buildAnimated(t);
  const std::vector<std::string> lines = crlfLines(sceneText(t.ed.doc));
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[0], "gen, ,0.15,");
  EXPECT_EQ(lines[1], "anim,120,30,");
  EXPECT_EQ(keyOf(lines[2]), "obj");
  EXPECT_EQ(lines[3], "key,0,2,-5,7,100,100,0,0,0,255,");
  EXPECT_EQ(lines[4], "key,12,1,-9223372036854775808,9000000000,-3,4,5,6,-90,0,");
  EXPECT_EQ(lines[5], "key,32767,0,1,2,3,4,5,6,7,8,");
  EXPECT_EQ(keyOf(lines[6]), "shape");
  int anims = 0, keys = 0;
  for (const std::string& l : lines) {
    anims += keyOf(l) == "anim";
    keys += keyOf(l) == "key";
  }
  EXPECT_EQ(anims, 1);
  EXPECT_EQ(keys, 3);  // the second object has none
}

TEST(SceneKeys, RoundTripKeepsKeysAndTimelineByteForByte) {
  TestEditor t;
  buildAnimated(t);
  const std::string first = sceneText(t.ed.doc);
  TestEditor r;
  readSceneText(r.ed, kLoadReplace, first);
  ASSERT_EQ(r.ed.doc.Objects.size(), 2u);
  expectSameKeys(r.ed.doc.Objects[0].keys, t.ed.doc.Objects[0].keys);
  EXPECT_TRUE(r.ed.doc.Objects[1].keys.empty());
  EXPECT_EQ(r.ed.doc.MaxFrame, 120);
  EXPECT_EQ(r.ed.doc.Fps, 30);
  EXPECT_EQ(sceneText(r.ed.doc), first);
  // The keyed object is drawn from its keys once a frame is applied.
  EXPECT_TRUE(applyFrame(r.ed.doc, 12));
  EXPECT_EQ(r.ed.doc.Objects[0].x, std::numeric_limits<int64_t>::min());
}

TEST(SceneKeys, AFileRoundTripThroughLoadAndSave) {
  TestEditor t;
  buildAnimated(t);
  char tmpl[] = "/tmp/scene_keys_XXXXXX";
  const char* dir = ::mkdtemp(tmpl);
  ASSERT_NE(dir, nullptr);
  const std::string path = std::string(dir) + "/anim.txt";
  ASSERT_TRUE(saveScene(t.ed, path, true));
  TestEditor r;
  r.ed.doc.MaxFrame = 5;
  ASSERT_TRUE(loadScene(r.ed, kLoadReplace, path, false));
  expectSameKeys(r.ed.doc.Objects.at(0).keys, t.ed.doc.Objects[0].keys);
  EXPECT_EQ(r.ed.doc.MaxFrame, 120);
  EXPECT_EQ(r.ed.doc.Fps, 30);
  // A file without keys brings the default timeline, not the one of the scene it replaces.
  std::ofstream(path, std::ios::binary) << kHead << kBox;
  ASSERT_TRUE(loadScene(r.ed, kLoadReplace, path, false));
  EXPECT_TRUE(r.ed.doc.Objects.at(0).keys.empty());
  EXPECT_EQ(r.ed.doc.MaxFrame, kDefaultMaxFrame);
  EXPECT_EQ(r.ed.doc.Fps, kDefaultFps);
  std::filesystem::remove_all(dir);
}

TEST(SceneKeys, AStaticSceneIsWrittenAsBefore) {
  TestEditor t;
  buildAnimated(t);
  t.ed.doc.Objects[0].keys.clear();
  const std::string statics = sceneText(t.ed.doc);
  EXPECT_EQ(statics.find("anim,"), std::string::npos) << "the timeline alone is not written";
  EXPECT_EQ(statics.find("key,"), std::string::npos);
  // Setting and removing a key leaves the exact bytes.
  setKey(t.ed.doc.Objects[1], 4, kKeyEase);
  EXPECT_NE(sceneText(t.ed.doc), statics);
  EXPECT_TRUE(deleteKey(t.ed.doc.Objects[1], 4));
  EXPECT_EQ(sceneText(t.ed.doc), statics);
  // The worked example of the format, byte for byte.
  TestEditor w;
  const std::string example =
      "gen, ,0.15,\r\nobj,Object0,0,0,100,100,0,0,0,255,0,\r\n"
      "shape,0,-8856356,Box_0,255,0,10,5,5,1,60,40,,120,80,\r\n"
      "shapefx,0,0,0,-16746241,255,0,0,10,5,5,100,0,0,0\r\npt,0,0,0,\r\n";
  readSceneText(w.ed, kLoadReplace, example);
  EXPECT_EQ(sceneText(w.ed.doc), example);
}

TEST(SceneKeys, MergeKeepsTheMergedKeysAndTheOpenTimeline) {
  TestEditor src;
  buildAnimated(src);
  const std::string merged = sceneText(src.ed.doc);  // anim 120, 30

  TestEditor t;
  newDocument(t.ed, kFreshDocument, true, false);
  t.ed.tools.tool = kToolBox;
  addShape(t.ed, 1, 1);
  setKey(t.ed.doc.Objects[0], 3, kKeyHold);
  t.ed.doc.MaxFrame = 50;
  t.ed.doc.Fps = 12;
  readSceneText(t.ed, kLoadMerge, merged);
  const auto& objs = t.ed.doc.Objects;
  ASSERT_EQ(objs.size(), 3u);
  EXPECT_EQ(framesOf(objs[0]), (std::vector<int>{3}));
  expectSameKeys(objs[1].keys, src.ed.doc.Objects[0].keys);
  EXPECT_TRUE(objs[2].keys.empty());
  EXPECT_EQ(t.ed.doc.MaxFrame, 50);
  EXPECT_EQ(t.ed.doc.Fps, 12);

  // Merging into a fresh document fills its placeholder object with the file's object and keys.
  TestEditor f;
  newDocument(f.ed, kFreshDocument, true, false);
  setKey(f.ed.doc.Objects[0], 99, kKeyLinear);
  readSceneText(f.ed, kLoadMerge, merged);
  ASSERT_EQ(f.ed.doc.Objects.size(), 2u);
  expectSameKeys(f.ed.doc.Objects[0].keys, src.ed.doc.Objects[0].keys);
}

TEST(SceneKeys, TemplateLoadsIgnoreKeysAndTimeline) {
  TestEditor t;
  newDocument(t.ed, kFreshDocument, true, false);
  t.ed.tools.tool = kToolBox;
  addShape(t.ed, 1, 1);
  setKey(t.ed.doc.Objects[0], 8, kKeyLinear);
  const std::string text = "gen, ,0.15,\r\nanim,7,7,\r\nobj,o,0,0,100,100,0,0,0,255,0,\r\n" +
                           keyLine(0, 0, 5) + keyLine(10, 2, 50) + kBox + keyLine(20, 1, 9);
  readSceneText(t.ed, kLoadTemplate, text);
  ASSERT_EQ(t.ed.doc.Objects.size(), 1u);
  EXPECT_GT(t.ed.doc.Objects[0].shapes.size(), 1u) << "the template's shape came in";
  EXPECT_EQ(framesOf(t.ed.doc.Objects[0]), (std::vector<int>{8}));
  EXPECT_EQ(t.ed.doc.MaxFrame, kDefaultMaxFrame);
  EXPECT_EQ(t.ed.doc.Fps, kDefaultFps);
}

TEST(SceneKeys, NewResetsKeysAndTimeline) {
  TestEditor t;
  buildAnimated(t);
  newDocument(t.ed, kFreshDocument, true, false);
  EXPECT_FALSE(hasKeys(t.ed.doc));
  EXPECT_EQ(t.ed.doc.MaxFrame, kDefaultMaxFrame);
  EXPECT_EQ(t.ed.doc.Fps, kDefaultFps);
}

TEST(SceneKeys, JsonDumpListsKeysAndTimeline) {
  TestEditor t;
  buildAnimated(t);
  const std::string json = documentJson(t.ed.doc, t.ed.sel);
  EXPECT_NE(json.find("\"MaxFrame\":120,\"Fps\":30"), std::string::npos) << json.substr(0, 120);
  EXPECT_NE(json.find("\"keys\":[{\"frame\":0,\"kind\":2,\"x\":-5,\"y\":7,\"w\":100,\"h\":100,"
                      "\"rotX\":0,\"rotY\":0,\"angle\":0,\"alpha\":255},{\"frame\":12,"),
            std::string::npos);
  EXPECT_NE(json.find("\"keys\":[]"), std::string::npos) << "the static object";
}

struct HostileCase {
  const char* what;
  std::string lines;             // after the head, before the shape
  std::vector<int> frames;       // frames kept
  std::vector<int64_t> xs;       // their x values
};

TEST(SceneKeysHostile, BadKeyLinesAreSkippedAndDuplicatesReplaced) {
  const std::vector<HostileCase> cases = {
      {"frame below range", keyLine(-1, 0, 1) + keyLine(2, 0, 2), {2}, {2}},
      {"frame above range", keyLine(32768, 0, 1) + keyLine(32767, 0, 2), {32767}, {2}},
      {"frame wraps nowhere", keyLine(65536 + 3, 0, 1) + keyLine(3, 0, 2), {3}, {2}},
      {"huge frame", "key,99999999999999999999,0,1,\r\n" + keyLine(1, 0, 2), {1}, {2}},
      {"kind out of range", keyLine(1, 3, 1) + keyLine(2, -1, 2) + keyLine(3, 2, 3), {3}, {3}},
      {"later duplicate wins", keyLine(4, 0, 1) + keyLine(4, 1, 2), {4}, {2}},
      {"out of order, duplicate apart",
       keyLine(9, 0, 1) + keyLine(2, 0, 2) + keyLine(9, 0, 3) + keyLine(5, 0, 4),
       {2, 5, 9},
       {2, 4, 3}},
      {"missing fields read as 0", "key,6\r\nkey\r\n", {6}, {0}},
      {"no frame field replaces no key",
       keyLine(0, 0, 5) + "key\r\nkey,\r\nkey,,0,9,\r\nkey,x,0,9,\r\nkey,-,0,9,\r\nkey,$,0,9,\r\n"
                          "key,%2,0,9,\r\n",
       {0},
       {5}},
      {"frame in hex or binary is a frame", "key,$1f,0,7,\r\nkey,+%11,0,8,\r\n", {3, 31}, {8, 7}},
  };
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.what);
    TestEditor t;
    readSceneText(t.ed, kLoadReplace, kHead + c.lines + kBox);
    const Object& o = t.ed.doc.Objects.at(0);
    EXPECT_EQ(framesOf(o), c.frames);
    std::vector<int64_t> xs;
    for (const ObjectKey& k : o.keys) xs.push_back(k.x);
    EXPECT_EQ(xs, c.xs);
    EXPECT_EQ(o.shapes.at(0).name, "b");
  }
}

TEST(SceneKeysHostile, KeyAlphaIsClampedNotWrapped) {
  const struct {
    const char* field;
    int alpha;
  } cases[] = {{"300", 255}, {"256", 255}, {"-5", 0}, {"-256", 0}, {"255", 255}, {"0", 0},
               {"128", 128}, {"$1FF", 255}, {"9223372036854775807", 255}, {"", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    TestEditor t;
    readSceneText(t.ed, kLoadReplace,
                  kHead + "key,1,0,0,0,100,100,0,0,0," + c.field + ",\r\n" + kBox);
    const Object& o = t.ed.doc.Objects.at(0);
    ASSERT_EQ(o.keys.size(), 1u);
    EXPECT_EQ(o.keys[0].alpha, c.alpha);
    EXPECT_EQ(poseAt(o, 1).alpha, c.alpha);
  }
}

TEST(SceneKeysHostile, KeysBeforeTheFilesFirstObjectAreSkipped) {
  TestEditor t;
  readSceneText(t.ed, kLoadReplace, "gen, ,0.15,\r\n" + keyLine(1, 0, 1) + kHead.substr(13) + kBox);
  EXPECT_FALSE(hasKeys(t.ed.doc));
  readSceneText(t.ed, kLoadReplace, "gen, ,0.15,\r\n" + keyLine(1, 0, 1) + kBox);
  EXPECT_FALSE(hasKeys(t.ed.doc));

  // A merged file's stray keys never reach the open scene's objects.
  TestEditor m;
  newDocument(m.ed, kFreshDocument, true, false);
  m.ed.tools.tool = kToolBox;
  addShape(m.ed, 1, 1);
  setKey(m.ed.doc.Objects[0], 2, kKeyLinear);
  readSceneText(m.ed, kLoadMerge, "gen, ,0.15,\r\n" + keyLine(1, 0, 1) + keyLine(2, 0, 9) + kBox);
  ASSERT_EQ(m.ed.doc.Objects[0].keys.size(), 1u);
  EXPECT_EQ(m.ed.doc.Objects[0].keys[0].x, 0);
}

TEST(SceneKeysHostile, FortyThousandKeysStayWithinOneAFrame) {
  std::string ascending, descending, repeated;
  for (int f = 0; f < 40000; ++f) {
    ascending += keyLine(f, 0, f);
    descending += keyLine(39999 - f, 0, f);
    repeated += keyLine(f % 7, 0, f);
  }
  // The last line for a frame is the one kept: x holds the line number.
  struct Case {
    const char* what;
    std::string lines;
    size_t count;
    int64_t firstX, lastX;
  };
  const std::vector<Case> cases = {
      {"ascending", ascending, kMaxKeyFrame + 1u, 0, kMaxKeyFrame},
      {"descending", descending, kMaxKeyFrame + 1u, 39999, 39999 - kMaxKeyFrame},
      {"seven frames over and over", repeated, 7u, 39998, 39997}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestEditor t;
    const std::string text = kHead + c.lines + kBox;
    readSceneText(t.ed, kLoadReplace, text);
    const std::vector<ObjectKey>& keys = t.ed.doc.Objects.at(0).keys;
    ASSERT_EQ(keys.size(), c.count);
    for (size_t i = 1; i < keys.size(); ++i) ASSERT_LT(keys[i - 1].frame, keys[i].frame);
    EXPECT_LE(keys.capacity() * sizeof(ObjectKey), sceneReadBudget(text.size()));
    EXPECT_EQ(keys.front().x, c.firstX);
    EXPECT_EQ(keys.back().x, c.lastX);
  }
}

TEST(SceneKeysHostile, AnimValuesAreBroughtIntoRange) {
  struct Case {
    std::string line;
    int64_t maxFrame;
    int fps;
  };
  const std::vector<Case> cases = {
      {"anim,60,25,", 60, 25},
      {"anim,-5,0,", 0, kMinFps},
      {"anim,99999999999,5000,", kMaxKeyFrame, kMaxFps},
      {"anim,", 0, kMinFps},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    TestEditor t;
    readSceneText(t.ed, kLoadReplace, "gen, ,0.15,\r\n" + c.line + "\r\n" + kHead.substr(13) + kBox);
    EXPECT_EQ(t.ed.doc.MaxFrame, c.maxFrame);
    EXPECT_EQ(t.ed.doc.Fps, c.fps);
  }
}

TEST(SceneKeysHostile, KeyLinesAloneMakeAScene) {
  EXPECT_TRUE(looksLikeScene("key,1,0,\r\n"));
  EXPECT_TRUE(looksLikeScene("anim,10,24,\r\n"));
  EXPECT_FALSE(looksLikeScene("keys,1\r\nanimation\r\n"));
}

}  // namespace
}  // namespace pw
