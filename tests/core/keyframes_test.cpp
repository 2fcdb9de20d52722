// Keyframe interpolation: values at, between and outside keys for each kind, rounding half away
// from zero, the widest values, and the key editing helpers.
#include "core/keyframes.h"
#include "support/scene_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace pw {
namespace {

using test::framesOf;

ObjectKey keyAt(int frame, int kind, int64_t x) {
  ObjectKey k;
  k.frame = static_cast<int16_t>(frame);
  k.kind = static_cast<uint8_t>(kind);
  k.x = x;
  k.w = 100;
  k.h = 100;
  k.alpha = 255;
  return k;
}

Object keyed(std::vector<ObjectKey> keys) {
  Object o;
  o.x = 77777;  // the object's own field: never what a keyed object shows
  o.keys = std::move(keys);
  return o;
}

struct XCase {
  const char* what;
  std::vector<ObjectKey> keys;
  int64_t frame;
  int64_t x;
};

TEST(KeyframePose, XAtKeysBetweenAndOutsideForEachKind) {
  const std::vector<XCase> cases = {
      {"linear at first key", {keyAt(0, kKeyLinear, 0), keyAt(10, kKeyLinear, 100)}, 0, 0},
      {"linear between", {keyAt(0, kKeyLinear, 0), keyAt(10, kKeyLinear, 100)}, 5, 50},
      {"linear between, off centre", {keyAt(0, kKeyLinear, 0), keyAt(10, kKeyLinear, 100)}, 3, 30},
      {"linear at last key", {keyAt(0, kKeyLinear, 0), keyAt(10, kKeyLinear, 100)}, 10, 100},
      {"before the first key", {keyAt(4, kKeyLinear, 40), keyAt(10, kKeyLinear, 100)}, 1, 40},
      {"negative frame", {keyAt(4, kKeyLinear, 40), keyAt(10, kKeyLinear, 100)}, -9, 40},
      {"after the last key", {keyAt(0, kKeyLinear, 0), keyAt(10, kKeyLinear, 100)}, 11, 100},
      {"far after the last key", {keyAt(0, kKeyLinear, 0), keyAt(10, kKeyLinear, 100)},
       std::numeric_limits<int64_t>::max(), 100},
      {"hold keeps the earlier value", {keyAt(0, kKeyHold, 5), keyAt(10, kKeyLinear, 100)}, 9, 5},
      {"hold reaches the next key on its frame",
       {keyAt(0, kKeyHold, 5), keyAt(10, kKeyLinear, 100)}, 10, 100},
      {"ease at its key", {keyAt(0, kKeyEase, 0), keyAt(10, kKeyLinear, 1000)}, 0, 0},
      {"ease midway", {keyAt(0, kKeyEase, 0), keyAt(10, kKeyLinear, 1000)}, 5, 500},
      {"ease slow start", {keyAt(0, kKeyEase, 0), keyAt(10, kKeyLinear, 1000)}, 1, 28},
      {"ease early", {keyAt(0, kKeyEase, 0), keyAt(10, kKeyLinear, 1000)}, 2, 104},
      {"ease late", {keyAt(0, kKeyEase, 0), keyAt(10, kKeyLinear, 1000)}, 8, 896},
      {"ease at the next key", {keyAt(0, kKeyEase, 0), keyAt(10, kKeyLinear, 1000)}, 10, 1000},
      // The kind of the earlier key decides each stretch.
      {"mixed: linear stretch",
       {keyAt(0, kKeyLinear, 0), keyAt(10, kKeyHold, 100), keyAt(20, kKeyEase, 0),
        keyAt(30, kKeyLinear, 1000)},
       5, 50},
      {"mixed: hold stretch",
       {keyAt(0, kKeyLinear, 0), keyAt(10, kKeyHold, 100), keyAt(20, kKeyEase, 0),
        keyAt(30, kKeyLinear, 1000)},
       15, 100},
      {"mixed: ease stretch",
       {keyAt(0, kKeyLinear, 0), keyAt(10, kKeyHold, 100), keyAt(20, kKeyEase, 0),
        keyAt(30, kKeyLinear, 1000)},
       22, 104},
      // Rounding half away from zero, on both sides of zero.
      {"quarter rounds down", {keyAt(0, kKeyLinear, 0), keyAt(4, kKeyLinear, 1)}, 1, 0},
      {"half rounds up", {keyAt(0, kKeyLinear, 0), keyAt(4, kKeyLinear, 1)}, 2, 1},
      {"three quarters round up", {keyAt(0, kKeyLinear, 0), keyAt(4, kKeyLinear, 1)}, 3, 1},
      {"negative quarter rounds to zero", {keyAt(0, kKeyLinear, 0), keyAt(4, kKeyLinear, -1)}, 1, 0},
      {"negative half rounds away", {keyAt(0, kKeyLinear, 0), keyAt(4, kKeyLinear, -1)}, 2, -1},
      {"negative values", {keyAt(0, kKeyLinear, -10), keyAt(4, kKeyLinear, -20)}, 1, -13},
      {"falling values", {keyAt(0, kKeyLinear, 10), keyAt(4, kKeyLinear, -10)}, 1, 5},
      {"ease rounds half away", {keyAt(0, kKeyEase, 0), keyAt(2, kKeyLinear, -5)}, 1, -3},
      // The widest 64-bit stretch: no overflow, exact result.
      {"full 64-bit range",
       {keyAt(0, kKeyLinear, std::numeric_limits<int64_t>::min()),
        keyAt(2, kKeyLinear, std::numeric_limits<int64_t>::max())},
       1, -1},  // -0.5
      {"full 64-bit range, eased: -0.5 rounds away",
       {keyAt(0, kKeyEase, std::numeric_limits<int64_t>::max()),
        keyAt(2, kKeyLinear, std::numeric_limits<int64_t>::min())},
       1, -1},
      {"the whole value rounds, not the step: 0.5", {keyAt(0, kKeyLinear, 1), keyAt(2, kKeyLinear, 0)},
       1, 1},
      {"the whole value rounds, not the step: -0.5",
       {keyAt(0, kKeyLinear, -1), keyAt(2, kKeyLinear, 0)}, 1, -1},
      {"the longest stretch, one frame before its end",
       {keyAt(0, kKeyLinear, 0), keyAt(32767, kKeyLinear, 32767 * 4)}, 32766, 32766 * 4},
      {"a key at frame 0 only, later", {keyAt(0, kKeyEase, 42)}, 500, 42},
      {"a key at frame 0 only, before", {keyAt(0, kKeyEase, 42)}, -1, 42},
  };
  for (const XCase& c : cases) EXPECT_EQ(poseAt(keyed(c.keys), c.frame).x, c.x) << c.what;
}

TEST(KeyframePose, EveryFieldMovesAndNarrowFieldsStayInRange) {
  ObjectKey a = keyAt(0, kKeyLinear, 0);
  a.y = -1000;
  a.w = -32768;
  a.h = 10;
  a.rotX = 0;
  a.rotY = 200;
  a.angle = -360;
  a.alpha = 0;
  ObjectKey b = keyAt(2, kKeyLinear, 0);
  b.y = 1000;
  b.w = 32767;
  b.h = 20;
  b.rotX = -7;
  b.rotY = 100;
  b.angle = 360;
  b.alpha = 255;
  const ObjectPose p = poseAt(keyed({a, b}), 1);
  EXPECT_EQ(p.y, 0);
  EXPECT_EQ(p.w, -1);  // -32768 + 32767.5 = -0.5, rounded away from zero
  EXPECT_EQ(p.h, 15);
  EXPECT_EQ(p.rotX, -4);  // -3.5 rounds away from zero
  EXPECT_EQ(p.rotY, 150);
  EXPECT_EQ(p.angle, 0);
  EXPECT_EQ(p.alpha, 128);  // 127.5 rounds up
}

TEST(KeyframePose, WithoutKeysTheObjectsOwnFields) {
  Object o;
  o.x = -5;
  o.y = 6;
  o.w = 7;
  o.h = 8;
  o.rotX = 9;
  o.rotY = 10;
  o.angle = 11;
  o.alpha = 12;
  for (const int64_t frame : {int64_t{0}, int64_t{17}, int64_t{-3}}) {
    const ObjectPose p = poseAt(o, frame);
    EXPECT_EQ(p.x, -5);
    EXPECT_EQ(p.y, 6);
    EXPECT_EQ(p.w, 7);
    EXPECT_EQ(p.h, 8);
    EXPECT_EQ(p.rotX, 9);
    EXPECT_EQ(p.rotY, 10);
    EXPECT_EQ(p.angle, 11);
    EXPECT_EQ(p.alpha, 12);
  }
  Object copy = o;
  applyPose(copy, poseOf(o));
  EXPECT_EQ(copy.x, o.x);
  EXPECT_EQ(copy.alpha, o.alpha);
}

TEST(KeyframeApply, OnlyKeyedObjectsMoveAndTheResultSaysWhetherAnythingChanged) {
  Document doc;
  doc.Objects.resize(2);
  doc.Objects[0].keys = {keyAt(0, kKeyLinear, 0), keyAt(10, kKeyLinear, 100)};
  doc.Objects[1].x = 33;
  EXPECT_TRUE(applyFrame(doc, 5));
  EXPECT_EQ(doc.Objects[0].x, 50);
  EXPECT_EQ(doc.Objects[0].alpha, 255);
  EXPECT_EQ(doc.Objects[1].x, 33);
  EXPECT_FALSE(applyFrame(doc, 5));  // already there
  EXPECT_TRUE(applyFrame(doc, 10));
  EXPECT_EQ(doc.Objects[0].x, 100);
  EXPECT_FALSE(applyFrame(doc, 99));  // after the last key: the same pose

  Document still;
  still.Objects[0].x = 4;
  EXPECT_FALSE(applyFrame(still, 3));
  EXPECT_EQ(still.Objects[0].x, 4);
}

// x moves 3 units over 30 frames and rounds: frames 0 ... 4 show 0, 5 ... 14 show 1.
TEST(KeyframeApply, FramesWithOnePoseOfEveryKeyedObjectAreTheSame) {
  Document doc;
  doc.Objects.resize(2);
  doc.Objects[0].keys = {keyAt(0, kKeyLinear, 0), keyAt(30, kKeyLinear, 3)};
  doc.Objects[1].x = 33;  // not keyed
  const struct {
    int64_t a, b;
    bool same;
  } cases[] = {{0, 4, true},   {4, 5, false},  {5, 14, true},  {14, 15, false},
               {30, 99, true}, {-5, 0, true},  {7, 7, true},   {0, 30, false}};
  for (const auto& c : cases) EXPECT_EQ(samePoses(doc, c.a, c.b), c.same) << c.a << "," << c.b;
  doc.Objects[1].keys = {keyAt(0, kKeyHold, 0), keyAt(2, kKeyHold, 9)};
  EXPECT_FALSE(samePoses(doc, 0, 4));  // the second object jumps at frame 2
}

TEST(KeyframeEdit, SetKeyTakesTheFieldsKeepsOrderAndReplacesItsFrame) {
  Object o;
  o.x = 1;
  setKey(o, 20, kKeyEase);
  o.x = 2;
  setKey(o, 5, kKeyLinear);
  o.x = 3;
  o.y = -9;
  o.w = 11;
  o.h = 12;
  o.rotX = 13;
  o.rotY = 14;
  o.angle = 15;
  o.alpha = 16;
  setKey(o, 10, kKeyHold);
  EXPECT_EQ(framesOf(o), (std::vector<int>{5, 10, 20}));
  const ObjectKey& mid = o.keys[1];
  EXPECT_EQ(mid.kind, kKeyHold);
  EXPECT_EQ(mid.x, 3);
  EXPECT_EQ(mid.y, -9);
  EXPECT_EQ(mid.w, 11);
  EXPECT_EQ(mid.h, 12);
  EXPECT_EQ(mid.rotX, 13);
  EXPECT_EQ(mid.rotY, 14);
  EXPECT_EQ(mid.angle, 15);
  EXPECT_EQ(mid.alpha, 16);

  o.x = 4;
  setKey(o, 5, kKeyEase);  // the same frame: replaced, not added
  EXPECT_EQ(framesOf(o), (std::vector<int>{5, 10, 20}));
  EXPECT_EQ(o.keys[0].x, 4);
  EXPECT_EQ(o.keys[0].kind, kKeyEase);

  // Frames and kinds out of range are brought into range.
  setKey(o, -3, 9);
  setKey(o, 40000, -1);
  EXPECT_EQ(framesOf(o), (std::vector<int>{0, 5, 10, 20, kMaxKeyFrame}));
  EXPECT_EQ(o.keys.front().kind, kKeyEase);
  EXPECT_EQ(o.keys.back().kind, kKeyLinear);
}

TEST(KeyframeEdit, DeleteKeyAndHasKeys) {
  Document doc;
  doc.Objects.resize(3);
  EXPECT_FALSE(hasKeys(doc));
  Object& o = doc.Objects[2];
  setKey(o, 3, kKeyLinear);
  setKey(o, 7, kKeyLinear);
  EXPECT_TRUE(hasKeys(doc));
  EXPECT_FALSE(deleteKey(o, 4));
  EXPECT_TRUE(deleteKey(o, 3));
  EXPECT_EQ(framesOf(o), (std::vector<int>{7}));
  EXPECT_FALSE(deleteKey(o, 3));
  EXPECT_TRUE(deleteKey(o, 7));
  EXPECT_FALSE(hasKeys(doc));
}

TEST(KeyframeEdit, NormalizeSortsAndTheLaterOfTwoKeysOnAFrameWins) {
  struct Case {
    std::vector<std::pair<int, int64_t>> in;  // frame, x
    std::vector<std::pair<int, int64_t>> out;
  };
  const std::vector<Case> cases = {
      {{}, {}},
      {{{1, 1}, {2, 2}}, {{1, 1}, {2, 2}}},
      {{{5, 1}, {3, 2}, {5, 3}, {1, 4}}, {{1, 4}, {3, 2}, {5, 3}}},
      {{{2, 1}, {2, 2}, {2, 3}}, {{2, 3}}},
      {{{9, 1}, {8, 2}, {7, 3}, {8, 4}}, {{7, 3}, {8, 4}, {9, 1}}},
  };
  for (const Case& c : cases) {
    std::vector<ObjectKey> keys;
    for (const auto& [f, x] : c.in) keys.push_back(keyAt(f, kKeyLinear, x));
    normalizeKeys(keys);
    std::vector<std::pair<int, int64_t>> got;
    for (const ObjectKey& k : keys) got.emplace_back(k.frame, k.x);
    EXPECT_EQ(got, c.out);
  }
}

}  // namespace
}  // namespace pw
