// What one change of the document touched, as its announcement tells it. The undo history uses it
// to keep only the parts that changed; a scope that says nothing (kDocument) means "anything".
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace pw {

struct ChangeScope {
  enum Kind : uint8_t {
    kDocument,      // anything may have changed
    kShapes,        // shapes `shapes` of object `object`; its shape count is unchanged
    kObjectHeader,  // object `object`'s own fields, not its shapes
    kObject,        // object `object` whole: shapes added, removed or reordered
    kObjectsRemap,  // the objects array rebuilt: remap[new index] = old index, or -1 for a new one
  };
  Kind kind = kDocument;
  int64_t object = -1;
  std::vector<int64_t> shapes;
  std::vector<int64_t> remap;

  static ChangeScope document() { return {}; }
  static ChangeScope shapesOf(int64_t obj, std::vector<int64_t> list) {
    ChangeScope s;
    s.kind = kShapes;
    s.object = obj;
    s.shapes = std::move(list);
    return s;
  }
  static ChangeScope header(int64_t obj) {
    ChangeScope s;
    s.kind = kObjectHeader;
    s.object = obj;
    return s;
  }
  static ChangeScope wholeObject(int64_t obj) {
    ChangeScope s;
    s.kind = kObject;
    s.object = obj;
    return s;
  }
  // Objects that kept their place in the array may still have changed their own fields (depth
  // after a reorder, for instance), never their shapes.
  static ChangeScope objectsRemap(std::vector<int64_t> map) {
    ChangeScope s;
    s.kind = kObjectsRemap;
    s.remap = std::move(map);
    return s;
  }
  // Object `index` of `oldCount` objects was erased; the later ones moved down.
  static ChangeScope objectRemoved(int64_t index, size_t oldCount) {
    std::vector<int64_t> map;
    for (int64_t k = 0; k < static_cast<int64_t>(oldCount); ++k)
      if (k != index) map.push_back(k);
    return objectsRemap(std::move(map));
  }
};

// The shapes whose drawing may have changed since a picture of the document was drawn, gathered
// from the changes as they are told. `all` when they cannot say (a new document, an object whose
// shapes were added, removed or reordered): then every shape is compared. A change of an
// object's own fields adds no shape: a picture compares those fields of every object anyway.
struct TouchedShapes {
  bool all = true;
  std::vector<std::pair<int64_t, int64_t>> shapes;  // (object, shape)

  void add(const ChangeScope& s) {
    if (s.kind == ChangeScope::kShapes) {
      for (int64_t j : s.shapes) shapes.emplace_back(s.object, j);
    } else if (s.kind != ChangeScope::kObjectHeader) {
      all = true;
    }
  }
  void add(int64_t object, int64_t shape) { shapes.emplace_back(object, shape); }
  // The picture is now drawn from the document as it is.
  void clear() {
    all = false;
    shapes.clear();
  }
};

// The order a stable sort by depth gives: result[new index] = old index. Objects added, moved or
// re-sorted by depth use it to describe the new order of the array.
template <class Depths>
std::vector<int64_t> stableDepthOrder(const Depths& depths) {
  std::vector<int64_t> order(depths.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int64_t>(i);
  std::stable_sort(order.begin(), order.end(), [&depths](int64_t a, int64_t b) {
    return depths[static_cast<size_t>(a)] < depths[static_cast<size_t>(b)];
  });
  return order;
}

// The remap of an array of objects re-sorted by depth (stably), given the depths before the sort;
// an object at index `added` or later is a new one.
template <class Objects>
ChangeScope depthSortRemap(const Objects& objects, size_t added) {
  std::vector<int64_t> depths;
  depths.reserve(objects.size());
  for (const auto& o : objects) depths.push_back(static_cast<int64_t>(o.depth));
  std::vector<int64_t> map = stableDepthOrder(depths);
  for (int64_t& k : map)
    if (k >= static_cast<int64_t>(added)) k = -1;
  return ChangeScope::objectsRemap(std::move(map));
}

}  // namespace pw
