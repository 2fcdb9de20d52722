#include "core/selection.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "core/model.h"

namespace pw {

namespace {

using PointRef = std::pair<ShapeId, int64_t>;

// The run of shape s's entries in the point list.
std::pair<std::vector<PointRef>::iterator, std::vector<PointRef>::iterator> pointRun(
    std::vector<PointRef>& points, ShapeId s) {
  const auto first = std::lower_bound(points.begin(), points.end(), PointRef{s, INT64_MIN});
  const auto last = std::upper_bound(first, points.end(), PointRef{s, INT64_MAX});
  return {first, last};
}

}  // namespace

bool Selection::isSelected(ShapeId s) const {
  return std::binary_search(shapes.begin(), shapes.end(), s);
}

void Selection::select(ShapeId s, bool on) {
  const auto at = std::lower_bound(shapes.begin(), shapes.end(), s);
  const bool held = at != shapes.end() && *at == s;
  if (on && !held) shapes.insert(at, s);
  if (!on && held) shapes.erase(at);
}

void Selection::selectAll(const std::vector<Shape>& of, bool on) {
  if (!on && shapes.empty()) return;
  std::vector<ShapeId> ids;
  ids.reserve(of.size());
  for (const Shape& s : of) ids.push_back(s.id);
  select(std::move(ids), on);
}

void Selection::select(const std::vector<ShapeId>& ids, bool on) {
  // Only the shapes whose state changes are sorted: deselecting an object in which one shape is
  // selected costs a look-up a shape.
  std::vector<ShapeId> change;
  for (const ShapeId s : ids) {
    if (isSelected(s) != on) change.push_back(s);
  }
  if (change.empty()) return;
  std::sort(change.begin(), change.end());
  change.erase(std::unique(change.begin(), change.end()), change.end());
  std::vector<ShapeId> out;
  out.reserve(on ? shapes.size() + change.size() : shapes.size() - change.size());
  if (on) {
    std::merge(shapes.begin(), shapes.end(), change.begin(), change.end(),
               std::back_inserter(out));
  } else {
    std::set_difference(shapes.begin(), shapes.end(), change.begin(), change.end(),
                        std::back_inserter(out));
  }
  shapes = std::move(out);
}

bool Selection::isPointSelected(ShapeId s, int64_t k) const {
  return std::binary_search(points.begin(), points.end(), PointRef{s, k});
}

void Selection::selectPoint(ShapeId s, int64_t k, bool on) {
  const PointRef p{s, k};
  const auto at = std::lower_bound(points.begin(), points.end(), p);
  const bool held = at != points.end() && *at == p;
  if (on && !held) points.insert(at, p);
  if (!on && held) points.erase(at);
}

void Selection::selectAllPoints(ShapeId s, int64_t count) {
  std::vector<int64_t> all;
  for (int64_t k = 0; k < count; ++k) all.push_back(k);
  setPoints(s, all);
}

void Selection::clearPoints(ShapeId s) {
  const auto run = pointRun(points, s);
  points.erase(run.first, run.second);
}

std::vector<int64_t> Selection::pointsOf(ShapeId s) const {
  const auto first = std::lower_bound(points.begin(), points.end(), PointRef{s, INT64_MIN});
  std::vector<int64_t> ks;
  for (auto it = first; it != points.end() && it->first == s; ++it) ks.push_back(it->second);
  return ks;
}

void Selection::setPoints(ShapeId s, const std::vector<int64_t>& ks) {
  const auto run = pointRun(points, s);
  const auto at = points.erase(run.first, run.second);
  std::vector<PointRef> add;
  add.reserve(ks.size());
  for (int64_t k : ks) add.emplace_back(s, k);
  std::sort(add.begin(), add.end());
  add.erase(std::unique(add.begin(), add.end()), add.end());
  points.insert(at, add.begin(), add.end());
}

void Selection::pointErased(ShapeId s, int64_t k) {
  std::vector<int64_t> ks = pointsOf(s);
  std::vector<int64_t> out;
  for (int64_t i : ks) {
    if (i != k) out.push_back(i > k ? i - 1 : i);
  }
  setPoints(s, out);
}

void Selection::pointsTruncated(ShapeId s, int64_t count) {
  const auto run = pointRun(points, s);
  points.erase(std::lower_bound(run.first, run.second, PointRef{s, count}), run.second);
}

void Selection::pointMoved(ShapeId s, int64_t from, int64_t to) {
  const bool held = isPointSelected(s, from);
  selectPoint(s, from, false);
  selectPoint(s, to, held);
}

}  // namespace pw
