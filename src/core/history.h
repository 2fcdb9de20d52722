// Undo and redo. The history keeps a shadow copy of the document as it was after the last
// recorded step; each announced change moves the touched parts out of the shadow (the "before"
// of the step) and copies them from the document (the "after"), so a step costs the size of what
// changed, not the size of the scene. Undo and redo put those parts back into the document and
// the shadow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/change_scope.h"
#include "core/model.h"
#include "core/selection.h"

namespace pw {

// What a step restores besides the objects: the selection (current indices, selected shapes and
// points), and the document's drawing state and the timeline's length and rate.
struct DocState {
  Selection selection;
  int8_t documentState = -1;
  int64_t maxFrame = kDefaultMaxFrame;
  int16_t fps = kDefaultFps;
  bool operator==(const DocState&) const = default;
};
DocState docStateOf(const Document& doc, const Selection& sel);
void applyDocState(Document& doc, Selection& sel, const DocState& s);

// Estimated heap and record bytes of a shape or an object (with its shapes).
size_t shapeBytes(const Shape& s);
size_t objectBytes(const Object& o, bool withShapes = true);

// Every field equal (the flags the scene file does not write included).
bool sameShape(const Shape& a, const Shape& b);
bool sameObject(const Object& a, const Object& b, bool withShapes = true);

// The scope of the change addObject(ed, 1) is about to make (a new object at the end, then the
// objects sorted by depth). Call it before adding.
ChangeScope appendedObjectScope(const Document& doc);

class History {
 public:
  struct Limits {
    size_t maxSteps = 200;
    size_t maxBytes = size_t{256} << 20;
  };

  History() = default;
  explicit History(Limits limits) : limits_(limits) {}

  // Starts over from `doc` and its selection (New, Load, opening a scene). `saved`: the document
  // is the saved one.
  void reset(const Document& doc, const Selection& sel, bool saved = true);

  // Records the change just made to `doc` (and `sel`, which the step restores with it),
  // described by `scope`. A scope that does not fit the
  // previous state (counts differ, index out of range) is recorded as a whole-document step.
  // A nonzero mergeKey equal to the previous step's extends that step when nothing happened in
  // between (no undo, redo or save).
  void record(const Document& doc, const Selection& sel, const std::string& name,
              const ChangeScope& scope = {}, int mergeKey = 0);

  bool canUndo() const { return pos_ > 0; }
  bool canRedo() const { return pos_ < steps_.size(); }
  // Names of the step undo / redo would apply; empty when there is none.
  std::string undoName() const;
  std::string redoName() const;
  // Applies the step to `doc` and `sel`. False when there is nothing to undo / redo.
  bool undo(Document& doc, Selection& sel);
  bool redo(Document& doc, Selection& sel);

  // The document as it is now is the saved one; isAtSaved() tells whether undo / redo are back
  // at that state.
  void markSaved();
  bool isAtSaved() const { return saved_ == pos_; }

  size_t stepCount() const { return steps_.size(); }
  size_t position() const { return pos_; }
  size_t bytes() const { return bytes_; }
  const Limits& limits() const { return limits_; }

  // Object `obj`'s own fields (not its shapes) were rewritten without being a step of their
  // own (the timeline shows another frame): the shadow takes them as they are now, so that the
  // next step's "before" is what the document held just before it.
  void syncObjectHeader(const Document& doc, int64_t obj);

  // Debug check: the shadow equals `doc` (scene text, every field) and `sel`.
  bool matches(const Document& doc, const Selection& sel) const;

  // Called after every record, undo, redo and reset (the Edit menu follows it).
  std::function<void()> onChanged;
  // What the last record, undo, redo or reset changed in the document (a reset: anything).
  const ChangeScope& lastChange() const { return lastChange_; }

 private:
  struct Step {
    std::string name;
    int mergeKey = 0;
    ChangeScope::Kind kind = ChangeScope::kDocument;
    int64_t object = -1;
    std::vector<int64_t> index;  // shape indices (kShapes) or the remap (kObjectsRemap)
    std::vector<Shape> shapesBefore, shapesAfter;
    // kObjectHeader: one object without shapes; kObject: one object; kDocument: all objects;
    // kObjectsRemap: the removed objects (before, at removedAt) and the new ones (after).
    std::vector<Object> before, after;
    std::vector<int64_t> removedAt;
    size_t oldCount = 0;
    // kObjectsRemap: objects that stayed but changed their own fields, by new index.
    std::vector<int64_t> headerAt;
    std::vector<Object> headersBefore, headersAfter;
    DocState stateBefore, stateAfter;
    size_t bytes = 0;
  };

  static size_t stepBytes(const Step& s);
  static ChangeScope scopeOf(const Step& s);
  ChangeScope::Kind fitKind(const Document& doc, const ChangeScope& scope) const;
  Step makeStep(const Document& doc, const Selection& sel, ChangeScope::Kind kind,
                const ChangeScope& scope);
  bool mergeable(const Step& next, int mergeKey) const;
  static void apply(const Step& s, bool undo, std::vector<Object>& objects);
  static bool fitsArray(const Step& s, bool undo, const std::vector<Object>& objects);
  void applyBoth(const Step& s, bool undo, Document& doc, Selection& sel);
  void enforceLimits();
  void dropFront();
  void changed() {
    if (onChanged) onChanged();
  }

  static constexpr size_t kNoSave = static_cast<size_t>(-1);

  Limits limits_;
  ChangeScope lastChange_;
  Document shadow_;
  Selection shadowSel_;
  std::deque<Step> steps_;
  size_t pos_ = 0;      // steps before pos_ are done; from pos_ on they can be redone
  size_t saved_ = 0;    // position of the saved state, kNoSave when no position holds it
  size_t bytes_ = 0;
  bool mergeOpen_ = false;  // the last thing that happened was a record
};

}  // namespace pw
