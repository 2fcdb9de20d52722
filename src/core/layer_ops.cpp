#include "core/layer_ops.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/create.h"
#include "core/history.h"

namespace pw {

std::string utf8Prefix(const std::string& s, size_t n) {
  size_t i = 0;
  for (size_t count = 0; i < s.size() && count < n; ++count) {
    ++i;
    // Continuation bytes (10xxxxxx) belong to the character just started.
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
  }
  return s.substr(0, i);
}

int64_t layerRowObject(const Document& doc, int64_t row) {
  const int64_t last = lastIndex(doc.Objects);
  return std::clamp<int64_t>(last - row, 0, std::max<int64_t>(last, 0));
}

bool layerListPress(Editor& ed, int x, int y) {
  Document& doc = ed.doc;
  ed.sel.shape = 0;
  if (doc.Objects.empty() || y < 0) return false;
  const int64_t index = layerRowObject(doc, y / kLayerRowHeight);
  if (x > kLayerEyeColumn) {
    ed.sel.object = index;
    return false;
  }
  if (x < kLayerEyeColumn) return toggleObjectHidden(ed, index);
  return false;
}

bool toggleObjectHidden(Editor& ed, int64_t index) {
  Document& doc = ed.doc;
  if (index < 0 || index > lastIndex(doc.Objects)) return false;
  const bool hide = doc.Objects[static_cast<size_t>(index)].hidden == 0;
  return ed.execute({hide ? "Hide the object" : "Show the object", ChangeScope::header(index), 0,
                     [index, hide](Document& d, Selection&, ChangeScope&) {
                       d.Objects[static_cast<size_t>(index)].hidden = hide ? 1 : 0;
                       return true;
                     }});
}

bool deleteCurrentObject(Editor& ed) {
  Document& doc = ed.doc;
  const int64_t cur = ed.sel.object;
  if (doc.Objects.size() <= 1 || cur < 0 || cur > lastIndex(doc.Objects)) {
    ed.sel.object = 0;
    return false;
  }
  return ed.execute({"Delete the current object", ChangeScope::objectRemoved(cur, doc.Objects.size()),
                     0, [cur](Document& d, Selection& sel, ChangeScope&) {
                       d.Objects.erase(d.Objects.begin() + cur);
                       sel.object = 0;
                       return true;
                     }});
}

bool moveCurrentObject(Editor& ed, int dir) {
  Document& doc = ed.doc;
  const int64_t cur = ed.sel.object;
  const int64_t other = dir > 0 ? cur + 1 : cur - 1;
  if (dir == 0 || cur < 0 || cur > lastIndex(doc.Objects) || other < 0 ||
      other > lastIndex(doc.Objects))
    return false;
  return ed.execute({dir > 0 ? "Move the object up" : "Move the object down", {}, 0,
                     [cur, other](Document& d, Selection& sel, ChangeScope& scope) {
    Object& a = d.Objects[static_cast<size_t>(cur)];
    Object& b = d.Objects[static_cast<size_t>(other)];
    if (a.depth == b.depth) {
      // Equal depths (an object added after a delete takes the depth of its index, which may be
      // in use): exchanging them would move nothing, so the two objects change places instead.
      std::swap(a, b);
      std::vector<int64_t> map(d.Objects.size());
      for (size_t k = 0; k < map.size(); ++k) map[k] = static_cast<int64_t>(k);
      std::swap(map[static_cast<size_t>(cur)], map[static_cast<size_t>(other)]);
      scope = ChangeScope::objectsRemap(std::move(map));
    } else {
      std::swap(a.depth, b.depth);
      scope = depthSortRemap(d.Objects, d.Objects.size());
      std::stable_sort(d.Objects.begin(), d.Objects.end(),
                       [](const Object& l, const Object& r) { return l.depth < r.depth; });
    }
    // The moved object stays current wherever the sort put it, so that a second press moves the
    // same object again (the row under the highlight now holds its neighbour).
    const auto moved = std::find(scope.remap.begin(), scope.remap.end(), cur);
    if (moved != scope.remap.end()) sel.object = moved - scope.remap.begin();
    return true;
  }});
}

bool addNewObject(Editor& ed) {
  return ed.execute({"Add a new object", appendedObjectScope(ed.doc), 0,
                     [](Document& d, Selection& sel, ChangeScope&) {
                       return appendObject(d, sel, 1);
                     }});
}

bool renameCurrentObject(Editor& ed, const std::string& answer) {
  Object* o = currentObject(ed.doc, ed.sel);
  const std::string name = utf8Prefix(answer, kObjectNameMax);
  if (!o || name.empty() || name == o->name) return false;
  return ed.execute({"Rename the object", ChangeScope::header(ed.sel.object), 0,
                     [name](Document& d, Selection& sel, ChangeScope&) {
                       currentObject(d, sel)->name = name;
                       return true;
                     }});
}

bool askRenameCurrentObject(Editor& ed) {
  const Object* o = currentObject(ed.doc, ed.sel);
  if (!o) return false;
  std::string answer = o->name;
  if (!ed.prompt.inputText("New Name", "Set the name for this object", answer)) return false;
  return renameCurrentObject(ed, answer);
}

bool setCurrentObjectLocked(Editor& ed, bool locked) {
  Object* o = currentObject(ed.doc, ed.sel);
  const uint8_t v = locked ? 1 : 0;
  if (!o || o->locked == v) return false;
  return ed.execute({locked ? "Lock the object" : "Unlock the object",
                     ChangeScope::header(ed.sel.object), 0,
                     [v](Document& d, Selection& sel, ChangeScope&) {
                       currentObject(d, sel)->locked = v;
                       return true;
                     }});
}

bool setCurrentObjectAlpha(Editor& ed, int64_t alpha) {
  Object* o = currentObject(ed.doc, ed.sel);
  const auto v = static_cast<uint8_t>(std::clamp<int64_t>(alpha, 0, 255));
  if (!o || o->alpha == v) return false;
  // A burst of edits on the alpha control (44) is one step.
  return ed.execute({"Change the object alpha", ChangeScope::header(ed.sel.object), 44,
                     [v](Document& d, Selection& sel, ChangeScope&) {
                       currentObject(d, sel)->alpha = v;
                       return true;
                     }});
}

}  // namespace pw
