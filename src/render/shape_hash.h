// Fingerprints of what a canvas refresh draws, for the scene picture: a refresh may reuse earlier
// pixels only where it can show that what they were drawn from has not changed.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/model.h"
#include "core/view.h"

namespace pw {

// Order-sensitive 64-bit hash of a stream of values.
class Hasher {
 public:
  void add(uint64_t v) {
    h_ ^= v * 0x9E3779B97F4A7C15ull;
    h_ = ((h_ << 27) | (h_ >> 37)) * 0xC2B2AE3D27D4EB4Full + 0x165667B19E3779F9ull;
  }
  void addSigned(int64_t v) { add(static_cast<uint64_t>(v)); }
  void add(std::string_view s);
  uint64_t value() const { return h_; }

 private:
  uint64_t h_ = 0x27D4EB2F165667C5ull;
};

// Everything of a shape that its drawing reads (position, size, points, style, effects, text,
// image), and nothing of what only the tools use (grab offsets, selection, lock, name): the
// fields flagged kDrawn in core/fields.h.
uint64_t shapeDrawHash(const Shape& s);
// An object's own fields that its drawing reads (visibility, opacity, transform); its shapes are
// hashed one by one with shapeDrawHash.
uint64_t objectDrawHash(const Object& o);
// The fields that decide whether a shape leaves an outline waiting for the next shape, and
// whether it is drawn at all.
uint64_t shapeStructureHash(const Shape& s);

// Whether the shape loop draws shape j of object i in `view` (object shown and usable, shape
// shown, with points, and the only-selected view).
bool shapeDrawn(const Document& doc, const View& view, int64_t i, int64_t j);
// Whether the object's shapes are drawn at all in `view`.
bool objectDrawn(const Document& doc, const View& view, int64_t i);
// Whether drawing shape j of object i always leaves the current path empty behind it.
bool shapeClearsPath(const Object& o, int64_t j);

}  // namespace pw
