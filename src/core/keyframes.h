// Keyframe animation of objects: the pose (transform fields) of an object at a frame,
// interpolated between its keys.
#pragma once

#include <cstdint>
#include <vector>

#include "core/model.h"

namespace pw {

// Frames a key may sit on: 0 ... kMaxKeyFrame, so an object holds at most kMaxKeyFrame + 1 keys.
inline constexpr int kMaxKeyFrame = 32767;
// The frame rates the timeline offers.
inline constexpr int kMinFps = 1;
inline constexpr int kMaxFps = 1000;

// The animated fields of an object.
struct ObjectPose {
  int64_t x, y;
  int16_t w, h, rotX, rotY, angle;
  uint8_t alpha;
  bool operator==(const ObjectPose&) const = default;
};

// The object's own fields.
ObjectPose poseOf(const Object&);

// The pose at `frame`: interpolated between the keys around it with the kind of the earlier
// key; before the first key the first key's values, after the last the last key's. An object
// without keys answers its own fields. Integers round half away from zero.
ObjectPose poseAt(const Object&, int64_t frame);

// Writes the pose into the object's own fields.
void applyPose(Object&, const ObjectPose&);

// Every keyed object takes poseAt(frame); true when any field changed.
bool applyFrame(Document&, int64_t frame);

// Whether every keyed object has one pose at frames a and b, so the document shows the same at
// both.
bool samePoses(const Document&, int64_t a, int64_t b);

// Sets a key at `frame` (clamped to 0 ... kMaxKeyFrame) of `kind` (0 ... 2) from the object's
// current fields; replaces a key at the same frame and keeps the keys in ascending frame order.
void setKey(Object&, int frame, int kind);

// Removes the key at `frame`; false when there is none.
bool deleteKey(Object&, int frame);

// True when any object of the document has a key.
bool hasKeys(const Document&);

// Puts keys in ascending frame order with one key a frame: of keys on the same frame the one
// that came later in the array stays (a file's later line replaces an earlier one).
void normalizeKeys(std::vector<ObjectKey>& keys);

}  // namespace pw
