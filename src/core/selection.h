// What the user has picked in the document: the current object, shape, point and effect. It is
// not part of the scene: a scene file does not hold it, though the undo history puts it back with
// each step and the JSON dump reports the current object and shape.
#pragma once

#include <cstdint>

namespace pw {

struct Selection {
  int64_t object = 0;
  int64_t shape = 0;  // -1: none (an object left with its placeholder only)
  int64_t point = 0;  // -1: none
  int64_t fx = 0;
  bool operator==(const Selection&) const = default;
};

}  // namespace pw
