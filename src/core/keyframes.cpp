// Keyframe interpolation. Values are computed exactly in 128-bit integers: the fraction of the
// way between two keys is a ratio of small frame counts (smoothstep a ratio of their cubes), so
// even 64-bit positions far apart round correctly, half away from zero.
#include "core/keyframes.h"

#include <algorithm>

namespace pw {

namespace {

__extension__ typedef __int128 Wide;

// Fraction num / den of the way from one key to the next, den > 0, 0 <= num <= den.
struct Fraction {
  Wide num, den;
};

// n / d rounded half away from zero, d > 0.
Wide roundedDiv(Wide n, Wide d) {
  if (n >= 0) return (2 * n + d) / (2 * d);
  return -((-2 * n + d) / (2 * d));
}

// a + (b - a) * t, rounded as a whole (rounding only the step would turn 0.5 into 0 on the way
// down from 1).
int64_t between(int64_t a, int64_t b, const Fraction& t) {
  const Wide v = roundedDiv(static_cast<Wide>(a) * t.den + (static_cast<Wide>(b) - a) * t.num, t.den);
  // The exact result lies between a and b; the clamp only guards the field's width.
  return static_cast<int64_t>(std::clamp<Wide>(v, std::min(a, b), std::max(a, b)));
}

ObjectPose poseOfKey(const ObjectKey& k) {
  return ObjectPose{k.x, k.y, k.w, k.h, k.rotX, k.rotY, k.angle, k.alpha};
}

// How far `frame` lies from key a to key b, shaped by a's kind.
Fraction fractionAt(const ObjectKey& a, const ObjectKey& b, int64_t frame) {
  const Wide span = static_cast<Wide>(b.frame) - a.frame;
  if (span <= 0) return {0, 1};
  const Wide p = std::clamp<Wide>(static_cast<Wide>(frame) - a.frame, 0, span);
  switch (a.kind) {
    case kKeyHold:
      return {0, 1};
    case kKeyEase:
      // smoothstep u^2 (3 - 2u) with u = p / span
      return {p * p * (3 * span - 2 * p), span * span * span};
    default:
      return {p, span};
  }
}

}  // namespace

ObjectPose poseOf(const Object& o) {
  return ObjectPose{o.x, o.y, o.w, o.h, o.rotX, o.rotY, o.angle, o.alpha};
}

ObjectPose poseAt(const Object& o, int64_t frame) {
  const std::vector<ObjectKey>& keys = o.keys;
  if (keys.empty()) return poseOf(o);
  const auto next = std::upper_bound(keys.begin(), keys.end(), frame,
                                     [](int64_t f, const ObjectKey& k) { return f < k.frame; });
  if (next == keys.begin()) return poseOfKey(keys.front());
  if (next == keys.end()) return poseOfKey(keys.back());
  const ObjectKey& a = *(next - 1);
  const ObjectKey& b = *next;
  const Fraction t = fractionAt(a, b, frame);
  const auto i16 = [&](int16_t x, int16_t y) { return static_cast<int16_t>(between(x, y, t)); };
  return ObjectPose{between(a.x, b.x, t),
                    between(a.y, b.y, t),
                    i16(a.w, b.w),
                    i16(a.h, b.h),
                    i16(a.rotX, b.rotX),
                    i16(a.rotY, b.rotY),
                    i16(a.angle, b.angle),
                    static_cast<uint8_t>(between(a.alpha, b.alpha, t))};
}

void applyPose(Object& o, const ObjectPose& p) {
  o.x = p.x;
  o.y = p.y;
  o.w = p.w;
  o.h = p.h;
  o.rotX = p.rotX;
  o.rotY = p.rotY;
  o.angle = p.angle;
  o.alpha = p.alpha;
}

bool applyFrame(Document& doc, int64_t frame) {
  bool changed = false;
  for (Object& o : doc.Objects) {
    if (o.keys.empty()) continue;
    const ObjectPose now = poseAt(o, frame);
    if (now == poseOf(o)) continue;
    applyPose(o, now);
    changed = true;
  }
  return changed;
}

bool samePoses(const Document& doc, int64_t a, int64_t b) {
  if (a == b) return true;
  for (const Object& o : doc.Objects)
    if (!o.keys.empty() && !(poseAt(o, a) == poseAt(o, b))) return false;
  return true;
}

void setKey(Object& o, int frame, int kind) {
  ObjectKey k;
  k.frame = static_cast<int16_t>(std::clamp(frame, 0, kMaxKeyFrame));
  k.kind = static_cast<uint8_t>(std::clamp(kind, kKeyLinear, kKeyEase));
  k.x = o.x;
  k.y = o.y;
  k.w = o.w;
  k.h = o.h;
  k.rotX = o.rotX;
  k.rotY = o.rotY;
  k.angle = o.angle;
  k.alpha = o.alpha;
  const auto at = std::lower_bound(o.keys.begin(), o.keys.end(), k.frame,
                                   [](const ObjectKey& e, int16_t f) { return e.frame < f; });
  if (at != o.keys.end() && at->frame == k.frame) {
    *at = k;
  } else {
    o.keys.insert(at, k);
  }
}

bool deleteKey(Object& o, int frame) {
  const auto at = std::find_if(o.keys.begin(), o.keys.end(),
                               [frame](const ObjectKey& e) { return e.frame == frame; });
  if (at == o.keys.end()) return false;
  o.keys.erase(at);
  return true;
}

bool hasKeys(const Document& doc) {
  return std::any_of(doc.Objects.begin(), doc.Objects.end(),
                     [](const Object& o) { return !o.keys.empty(); });
}

void normalizeKeys(std::vector<ObjectKey>& keys) {
  const auto byFrame = [](const ObjectKey& a, const ObjectKey& b) { return a.frame < b.frame; };
  if (std::is_sorted(keys.begin(), keys.end(), byFrame) &&
      std::adjacent_find(keys.begin(), keys.end(), [](const ObjectKey& a, const ObjectKey& b) {
        return a.frame == b.frame;
      }) == keys.end())
    return;
  std::stable_sort(keys.begin(), keys.end(), byFrame);
  // Keep the last key of each run of equal frames.
  size_t out = 0;
  for (size_t i = 0; i < keys.size(); ++i) {
    if (i + 1 < keys.size() && keys[i + 1].frame == keys[i].frame) continue;
    keys[out++] = keys[i];
  }
  keys.resize(out);
}

}  // namespace pw
