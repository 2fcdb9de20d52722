#include "core/history.h"

#include <algorithm>
#include <type_traits>
#include <utility>

#include "core/fields.h"
#include "core/scene_file.h"

namespace pw {

namespace {

// Calls visit(d) for each of an object's own fields: all but its shapes (its keys included).
template <class F>
void forEachHeaderField(F&& visit) {
  forEachField<Object>([&](const auto& d) {
    using T = FieldType<decltype(d)>;
    if constexpr (!std::is_same_v<T, std::vector<Shape>>) visit(d);
  });
}

bool sameHeader(const Object& a, const Object& b) {
  bool same = true;
  forEachHeaderField([&](const auto& d) { same = same && d.of(a) == d.of(b); });
  return same;
}

void copyHeader(Object& to, const Object& from) {
  forEachHeaderField([&](const auto& d) { d.of(to) = d.of(from); });
}

Object headerOf(const Object& o) {
  Object h;
  h.shapes.clear();
  copyHeader(h, o);
  return h;
}

size_t stringBytes(const std::string& s) { return s.capacity() > 15 ? s.capacity() : 0; }

bool validObject(const std::vector<Object>& v, int64_t i) {
  return i >= 0 && i < static_cast<int64_t>(v.size());
}

}  // namespace

size_t History::stepBytes(const Step& s) {
  size_t n = sizeof(Step) + s.name.capacity() +
             (s.index.capacity() + s.removedAt.capacity() + s.headerAt.capacity()) *
                 sizeof(int64_t);
  for (const auto* v : {&s.shapesBefore, &s.shapesAfter})
    for (const Shape& x : *v) n += shapeBytes(x);
  for (const auto* v : {&s.before, &s.after, &s.headersBefore, &s.headersAfter})
    for (const Object& x : *v) n += objectBytes(x);
  for (const DocState* d : {&s.stateBefore, &s.stateAfter})
    n += d->selection.shapes.capacity() * sizeof(ShapeId) +
         d->selection.points.capacity() * sizeof(d->selection.points[0]);
  return n;
}

ChangeScope appendedObjectScope(const Document& doc) {
  struct Depth {
    int64_t depth = 0;
  };
  std::vector<Depth> depths(doc.Objects.size() + 1);
  for (size_t k = 0; k < doc.Objects.size(); ++k) depths[k].depth = doc.Objects[k].depth;
  depths.back().depth = toU8(static_cast<int64_t>(doc.Objects.size()));
  return depthSortRemap(depths, doc.Objects.size());
}

DocState docStateOf(const Document& doc, const Selection& sel) {
  return {sel, doc.DocumentState, doc.MaxFrame, doc.Fps};
}

void applyDocState(Document& doc, Selection& sel, const DocState& s) {
  sel = s.selection;
  doc.DocumentState = s.documentState;
  doc.MaxFrame = s.maxFrame;
  doc.Fps = s.fps;
}

size_t shapeBytes(const Shape& s) {
  size_t n = sizeof(Shape) + s.points.capacity() * sizeof(ShapePoint) +
             s.fx.capacity() * sizeof(ShapeFx) + s.gradient.capacity() * sizeof(int64_t);
  for (const ShapeFx& f : s.fx) n += stringBytes(f.name);
  return n + stringBytes(s.name) + stringBytes(s.text) + stringBytes(s.fontName) +
         stringBytes(s.imageFile);
}

size_t objectBytes(const Object& o, bool withShapes) {
  size_t n = sizeof(Object) + stringBytes(o.name) + o.keys.capacity() * sizeof(ObjectKey);
  if (withShapes)
    for (const Shape& s : o.shapes) n += shapeBytes(s);
  return n;
}

bool sameShape(const Shape& a, const Shape& b) { return a == b; }

bool sameObject(const Object& a, const Object& b, bool withShapes) {
  return withShapes ? a == b : sameHeader(a, b);
}

void History::reset(const Document& doc, const Selection& sel, bool saved) {
  steps_.clear();
  pos_ = 0;
  bytes_ = 0;
  saved_ = saved ? 0 : kNoSave;
  mergeOpen_ = false;
  lastChange_ = ChangeScope::document();
  shadow_ = Document{};
  shadow_.Objects = doc.Objects;
  applyDocState(shadow_, shadowSel_, docStateOf(doc, sel));
  changed();
}

ChangeScope::Kind History::fitKind(const Document& doc, const ChangeScope& scope) const {
  const std::vector<Object>& was = shadow_.Objects;
  const std::vector<Object>& now = doc.Objects;
  using K = ChangeScope;
  if (scope.kind == K::kObjectsRemap) {
    if (scope.remap.size() != now.size()) return K::kDocument;
    std::vector<char> used(was.size(), 0);
    for (int64_t k : scope.remap) {
      if (k == -1) continue;
      if (!validObject(was, k) || used[static_cast<size_t>(k)]) return K::kDocument;
      used[static_cast<size_t>(k)] = 1;
    }
    return K::kObjectsRemap;
  }
  if (scope.kind == K::kDocument || was.size() != now.size() || !validObject(now, scope.object))
    return K::kDocument;
  if (scope.kind == K::kObject) return K::kObject;
  const auto i = static_cast<size_t>(scope.object);
  const size_t count = was[i].shapes.size();
  // A shape or header change that altered the shape count was really a change of the object.
  if (now[i].shapes.size() != count) return K::kObject;
  if (scope.kind == K::kObjectHeader) return K::kObjectHeader;
  for (int64_t j : scope.shapes)
    if (j < 0 || j >= static_cast<int64_t>(count)) return K::kObject;
  return K::kShapes;
}

History::Step History::makeStep(const Document& doc, const Selection& sel, ChangeScope::Kind kind,
                                const ChangeScope& scope) {
  Step s;
  s.kind = kind;
  s.object = scope.object;
  s.stateBefore = docStateOf(shadow_, shadowSel_);
  s.stateAfter = docStateOf(doc, sel);
  std::vector<Object>& was = shadow_.Objects;
  const std::vector<Object>& now = doc.Objects;
  switch (kind) {
    case ChangeScope::kShapes: {
      s.index = scope.shapes;
      std::sort(s.index.begin(), s.index.end());
      s.index.erase(std::unique(s.index.begin(), s.index.end()), s.index.end());
      std::vector<Shape>& from = was[static_cast<size_t>(s.object)].shapes;
      const std::vector<Shape>& to = now[static_cast<size_t>(s.object)].shapes;
      s.shapesBefore.reserve(s.index.size());
      s.shapesAfter.reserve(s.index.size());
      for (int64_t j : s.index) {
        const auto k = static_cast<size_t>(j);
        s.shapesBefore.push_back(std::move(from[k]));
        from[k] = to[k];
        s.shapesAfter.push_back(to[k]);
      }
      break;
    }
    case ChangeScope::kObjectHeader: {
      Object& o = was[static_cast<size_t>(s.object)];
      s.before.push_back(headerOf(o));
      s.after.push_back(headerOf(now[static_cast<size_t>(s.object)]));
      copyHeader(o, s.after.back());
      break;
    }
    case ChangeScope::kObject: {
      Object& o = was[static_cast<size_t>(s.object)];
      s.before.push_back(std::move(o));
      o = now[static_cast<size_t>(s.object)];
      s.after.push_back(o);
      break;
    }
    case ChangeScope::kDocument: {
      s.before = std::move(was);
      was = now;
      s.after = now;
      break;
    }
    case ChangeScope::kObjectsRemap: {
      s.index = scope.remap;
      s.oldCount = was.size();
      std::vector<char> kept(was.size(), 0);
      std::vector<Object> next;
      next.reserve(now.size());
      for (size_t j = 0; j < now.size(); ++j) {
        const int64_t k = s.index[j];
        if (k < 0) {
          s.after.push_back(now[j]);
          next.push_back(now[j]);
          continue;
        }
        kept[static_cast<size_t>(k)] = 1;
        next.push_back(std::move(was[static_cast<size_t>(k)]));
        if (!sameObject(next.back(), now[j], false)) {
          s.headerAt.push_back(static_cast<int64_t>(j));
          s.headersBefore.push_back(headerOf(next.back()));
          s.headersAfter.push_back(headerOf(now[j]));
          copyHeader(next.back(), now[j]);
        }
      }
      for (size_t k = 0; k < was.size(); ++k) {
        if (kept[k]) continue;
        s.removedAt.push_back(static_cast<int64_t>(k));
        s.before.push_back(std::move(was[k]));
      }
      was = std::move(next);
      break;
    }
  }
  applyDocState(shadow_, shadowSel_, s.stateAfter);
  return s;
}

bool History::mergeable(const Step& next, int mergeKey) const {
  if (mergeKey == 0 || !mergeOpen_ || pos_ == 0 || pos_ != steps_.size() || saved_ == pos_)
    return false;
  const Step& last = steps_.back();
  return last.mergeKey == mergeKey && last.kind == next.kind && last.object == next.object &&
         last.index == next.index && next.kind != ChangeScope::kObjectsRemap;
}

void History::record(const Document& doc, const Selection& sel, const std::string& name,
                     const ChangeScope& scope, int mergeKey) {
  // A new change ends what could have been redone.
  while (steps_.size() > pos_) {
    bytes_ -= steps_.back().bytes;
    steps_.pop_back();
  }
  if (saved_ != kNoSave && saved_ > pos_) saved_ = kNoSave;

  Step s = makeStep(doc, sel, fitKind(doc, scope), scope);
  lastChange_ = scopeOf(s);
  s.name = name;
  s.mergeKey = mergeKey;
  s.bytes = stepBytes(s);
  if (mergeable(s, mergeKey)) {
    // The burst goes on: the first step's "before" stays, this one's "after" replaces its own.
    Step& last = steps_.back();
    bytes_ -= last.bytes;
    last.shapesAfter = std::move(s.shapesAfter);
    last.after = std::move(s.after);
    last.stateAfter = s.stateAfter;
    last.bytes = stepBytes(last);
    bytes_ += last.bytes;
  } else {
    bytes_ += s.bytes;
    steps_.push_back(std::move(s));
    ++pos_;
  }
  mergeOpen_ = true;
  enforceLimits();
  changed();
}

void History::dropFront() {
  bytes_ -= steps_.front().bytes;
  steps_.pop_front();
  if (pos_ > 0) --pos_;
  if (saved_ != kNoSave) saved_ = saved_ == 0 ? kNoSave : saved_ - 1;
}

void History::enforceLimits() {
  while (!steps_.empty() && (steps_.size() > limits_.maxSteps || bytes_ > limits_.maxBytes))
    dropFront();
  if (steps_.empty()) mergeOpen_ = false;
}

std::string History::undoName() const { return canUndo() ? steps_[pos_ - 1].name : std::string(); }
std::string History::redoName() const { return canRedo() ? steps_[pos_].name : std::string(); }

bool History::fitsArray(const Step& s, bool undo, const std::vector<Object>& objects) {
  const size_t count = s.kind == ChangeScope::kObjectsRemap
                           ? (undo ? s.index.size() : s.oldCount)
                           : objects.size();
  if (objects.size() != count) return false;
  switch (s.kind) {
    case ChangeScope::kShapes: {
      if (!validObject(objects, s.object)) return false;
      const auto n = static_cast<int64_t>(objects[static_cast<size_t>(s.object)].shapes.size());
      return s.index.empty() || s.index.back() < n;
    }
    case ChangeScope::kObjectHeader:
    case ChangeScope::kObject:
      return validObject(objects, s.object);
    default:
      return true;
  }
}

void History::apply(const Step& s, bool undo, std::vector<Object>& objects) {
  const std::vector<Shape>& shapes = undo ? s.shapesBefore : s.shapesAfter;
  const std::vector<Object>& parts = undo ? s.before : s.after;
  switch (s.kind) {
    case ChangeScope::kShapes: {
      std::vector<Shape>& dst = objects[static_cast<size_t>(s.object)].shapes;
      for (size_t k = 0; k < s.index.size(); ++k) dst[static_cast<size_t>(s.index[k])] = shapes[k];
      break;
    }
    case ChangeScope::kObjectHeader:
      copyHeader(objects[static_cast<size_t>(s.object)], parts.front());
      break;
    case ChangeScope::kObject:
      objects[static_cast<size_t>(s.object)] = parts.front();
      break;
    case ChangeScope::kDocument:
      objects = parts;
      break;
    case ChangeScope::kObjectsRemap: {
      // Where each slot of the result comes from: an index into `objects`, or -1 for a slot the
      // step fills (the removed objects on undo, the new ones on redo, both in index order).
      const size_t n = undo ? s.oldCount : s.index.size();
      std::vector<int64_t> src;
      if (undo) {
        src.assign(n, -1);
        for (size_t j = 0; j < s.index.size(); ++j)
          if (s.index[j] >= 0) src[static_cast<size_t>(s.index[j])] = static_cast<int64_t>(j);
      } else {
        src = s.index;
      }
      std::vector<Object> out;
      out.reserve(n);
      size_t fill = 0;
      for (const int64_t k : src) {
        if (k >= 0) {
          out.push_back(std::move(objects[static_cast<size_t>(k)]));
        } else {
          out.push_back(parts[fill++]);
        }
      }
      const std::vector<Object>& headers = undo ? s.headersBefore : s.headersAfter;
      for (size_t h = 0; h < s.headerAt.size(); ++h) {
        const auto j = static_cast<size_t>(s.headerAt[h]);
        copyHeader(out[undo ? static_cast<size_t>(s.index[j]) : j], headers[h]);
      }
      objects = std::move(out);
      break;
    }
  }
}

void History::applyBoth(const Step& s, bool undo, Document& doc, Selection& sel) {
  // The document should be the shadow's twin; if something changed it behind the history's
  // back so that the step no longer fits, it gets the shadow's state whole.
  const bool docFits = fitsArray(s, undo, doc.Objects);
  apply(s, undo, shadow_.Objects);
  if (docFits) {
    apply(s, undo, doc.Objects);
  } else {
    doc.Objects = shadow_.Objects;
  }
  const DocState& st = undo ? s.stateBefore : s.stateAfter;
  applyDocState(shadow_, shadowSel_, st);
  applyDocState(doc, sel, st);
}

ChangeScope History::scopeOf(const Step& s) {
  switch (s.kind) {
    case ChangeScope::kShapes: return ChangeScope::shapesOf(s.object, s.index);
    case ChangeScope::kObjectHeader: return ChangeScope::header(s.object);
    default: return ChangeScope::document();
  }
}

bool History::undo(Document& doc, Selection& sel) {
  if (!canUndo()) return false;
  --pos_;
  applyBoth(steps_[pos_], true, doc, sel);
  lastChange_ = scopeOf(steps_[pos_]);
  mergeOpen_ = false;
  changed();
  return true;
}

bool History::redo(Document& doc, Selection& sel) {
  if (!canRedo()) return false;
  applyBoth(steps_[pos_], false, doc, sel);
  lastChange_ = scopeOf(steps_[pos_]);
  ++pos_;
  mergeOpen_ = false;
  changed();
  return true;
}

void History::markSaved() {
  saved_ = pos_;
  mergeOpen_ = false;
}

void History::syncObjectHeader(const Document& doc, int64_t obj) {
  if (!validObject(doc.Objects, obj) || !validObject(shadow_.Objects, obj)) return;
  copyHeader(shadow_.Objects[static_cast<size_t>(obj)], doc.Objects[static_cast<size_t>(obj)]);
}

bool History::matches(const Document& doc, const Selection& sel) const {
  if (docStateOf(doc, sel) != docStateOf(shadow_, shadowSel_)) return false;
  if (doc.Objects.size() != shadow_.Objects.size()) return false;
  for (size_t i = 0; i < doc.Objects.size(); ++i)
    if (!sameObject(doc.Objects[i], shadow_.Objects[i])) return false;
  return sceneText(doc) == sceneText(shadow_);
}

}  // namespace pw
