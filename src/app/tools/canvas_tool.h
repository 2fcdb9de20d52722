// The canvas tools as units. Each value of ToolState::tool has one CanvasTool: what a left press,
// the moves with the button held and the release do, what the tool draws over the canvas and
// the cursor it shows, and its part of the click selection that follows every mouse event
// (click_select.h). The dispatcher, CanvasTools (app/canvas_tools.h), digests the mouse and the
// keys, pans with Space, follows Shift, and hands each event to the unit of the current tool.
//
// Where each tool lives:
//   move_tool.cpp          Move: point drags, shape moves
//   select_tool.cpp        Select, and value 4 (point picking alone)
//   scale_tool.cpp         Scale
//   rotate_tool.cpp        Rotate
//   add_point_tool.cpp     Add point
//   delete_point_tool.cpp  Delete point
//   create_tool.cpp        Complex, Box, Rounded box, Circle, Line, Curve, Image and Text, which
//                          share one rule and differ by a row of a table
//   editing_tool.h         what the editing tools (values 0 to 7) share; value 6 is that alone
//   canvas_tool.cpp        which unit serves which value
//
// A unit keeps no state of its own: what lasts from one event to the next is in ToolState
// (ed.tools) and in the document, so one unit serves every editor. A tool edits the document
// during the drag as it likes and notes each edit through its ToolContext; the dispatcher
// announces the whole drag once, on release.
//
// To add a tool: give it a Tool value (core/tool_state.h) and a tool-bar button (ui/tool_bar.cpp),
// write a CanvasTool in a file of its own here (deriving from EditingTool when it edits the
// current shape and should pick image shapes as the others do) with a function that returns
// its one instance, declare that function in tool_units.h, and return the instance for the new
// value from canvasTool() in canvas_tool.cpp. Anything the tool must remember between events
// goes into ToolState.
#pragma once

#include <Qt>
#include <cstdint>
#include <string>

#include "core/editor.h"

class QPainter;

namespace pw {

// A left press or a move with the left button held, in the coordinates the tools work in.
struct ToolEvent {
  int64_t mx = 0, my = 0;  // scene mouse: the current object's user coordinates
  int64_t lx = 0, ly = 0;  // canvas-local: the scene mouse minus the view origin
};

// What a tool acts on during one drag, and the record of what the drag changed.
class ToolContext {
 public:
  explicit ToolContext(Editor& editor) : ed(editor) {}
  ToolContext(const ToolContext&) = delete;
  ToolContext& operator=(const ToolContext&) = delete;

  Editor& ed;

  // The current shape when the current object really holds shapes (an empty object's
  // placeholder is not one); nullptr otherwise.
  Shape* editableShape() const;

  // The drag edited the current or the selected shapes of the current object. The first name
  // noted is the one announced.
  void noteChange(const std::string& name);
  // The drag added a shape to the current object.
  void noteShapeAdded(const std::string& name);
  // The event changed what the canvas shows, without an edit to announce.
  void noteRedraw() { eventChanged_ = true; }
  // Stores v into a field, noting a change when the value differs.
  template <class T>
  void store(T& field, int64_t v, const char* name) {
    const T nv = static_cast<T>(v);
    if (field == nv) return;
    field = nv;
    noteChange(name);
  }

  // For the dispatcher: an event starts; whether it changed anything; and, on release, what the
  // whole drag changed (false when nothing), which starts the record afresh.
  void beginEvent() { eventChanged_ = false; }
  bool eventChanged() const { return eventChanged_; }
  bool takeChange(std::string& name, ChangeScope& scope);

 private:
  bool changed_ = false;        // the current drag has changed the document
  bool shapeAdded_ = false;     // ... by adding a shape to the current object
  std::string changeName_;      // how that change is announced
  bool eventChanged_ = false;   // the event being handled changed something
};

class CanvasTool {
 public:
  virtual ~CanvasTool() = default;

  // The left button went down on the canvas (Space not held, no drag under way).
  virtual void press(ToolContext& c, const ToolEvent& e) const = 0;
  // The mouse moved with the left button held.
  virtual void move(ToolContext& /*c*/, const ToolEvent& /*e*/) const {}
  // The left button came up, or playback took the canvas in the middle of the drag. The
  // dispatcher has already ended the drag's state.
  virtual void release(ToolContext& /*c*/) const {}
  // Draws what the tool shows over the canvas picture (a rubber band, handles), in canvas
  // pixels. The tools of today draw nothing of their own: the marks belong to the scene drawing.
  virtual void paintOverlay(QPainter& /*p*/, const Editor& /*ed*/) const {}
  virtual Qt::CursorShape cursor() const { return Qt::ArrowCursor; }

  // The tool's part of the click selection (click_select.h).
  // The grab offsets shape s gets when a press at (x, y) picks it (and when "Select All"
  // selects it with the mouse at (x, y)).
  virtual void grab(Shape& /*s*/, int64_t /*x*/, int64_t /*y*/) const {}
  // A pick, or a shape drag under way, takes hold of the shapes of object o that `sel` selects,
  // with the mouse at (x, y); `fresh` when the pick was made by this event. By default every
  // point of a selected shape keeps its offset from the mouse in dragX, dragY.
  virtual void hold(Object& o, const Selection& sel, int64_t x, int64_t y, bool fresh) const;
  // A refresh in which nothing is picked, and no pick holds.
  virtual void pickedNothing(Editor& /*ed*/) const {}
};

// The unit of a tool value; values without a tool of their own get one that does nothing.
const CanvasTool& canvasTool(uint8_t tool);

}  // namespace pw
