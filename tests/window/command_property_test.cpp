// Random runs of edits from every family through the real window (canvas tools, menus, the
// shape, point, effect and object controls, the layer list, the timeline's keys), then undo of
// everything and redo of everything: the scene file is the start's, then the end's, byte for byte.
#include <QAbstractButton>
#include <QSpinBox>

#include <algorithm>
#include <random>

#include "app/command_ids.h"
#include "core/layer_ops.h"
#include "core/scene_file.h"
#include "core/tool_state.h"
#include "ui/layer_panel.h"
#include "ui/control_ids.h"
#include "window_fixture.h"

namespace pwtest {
namespace {

using namespace pw;

// The scene file of `doc` with every effect's width, height and dist at least 1: the properties
// panel raises them so when it shows the effect, which is not an edit of its own.
std::string settledText(Document doc) {
  for (Object& o : doc.Objects)
    for (Shape& s : o.shapes)
      for (ShapeFx& f : s.fx) {
        f.width = std::max<int64_t>(f.width, 1);
        f.height = std::max<int64_t>(f.height, 1);
        f.dist = std::max<int64_t>(f.dist, 1);
      }
  return sceneText(doc);
}

class CommandRun : public WindowTest, public ::testing::WithParamInterface<unsigned> {
 protected:
  std::mt19937 rng;
  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

  // A control edited as the user would: its new value, then its event.
  void edit(int number, int64_t value) {
    // The layer list's alpha field is its own widget.
    if (number == kCtlLayerAlpha) return win->findChild<QSpinBox*>("ctl44")->setValue(static_cast<int>(value));
    win->controls().setValue(number, value);
    emit win->controls().controlEvent(number);
  }
  void press(int number) { emit win->controls().controlEvent(number); }
  void submit(int number, int64_t value) {
    win->controls().setValue(number, value);
    emit win->controls().controlSubmitted(number);
  }
  void toolDrag(uint8_t tool) {
    ed->tools.tool = tool;
    const QPoint a(pick(40, 600), pick(40, 400));
    drag(a, a + QPoint(pick(5, 120), pick(5, 120)));
  }
  // Another shape, point or effect of the current object becomes current.
  void choose() {
    const Object* o = currentObject(ed->doc, ed->sel);
    if (!o || o->shapes.empty()) return;
    ed->sel.shape = pick(0, static_cast<int>(o->shapes.size()) - 1);
    const Shape& s = o->shapes[static_cast<size_t>(ed->sel.shape)];
    ed->sel.point = s.points.empty() ? 0 : pick(0, static_cast<int>(s.points.size()) - 1);
    ed->sel.fx = s.fx.empty() ? 0 : pick(0, static_cast<int>(s.fx.size()) - 1);
    ed->refreshProperties();
  }
  void menu(int command) {
    canvas().setFocus();  // Delete belongs to the canvas
    win->dispatch(command);
  }

  struct Action {
    const char* family;
    void (*run)(CommandRun&);
  };
  static const std::vector<Action>& actions() {
    static const std::vector<Action> list = {
        {"shape", [](CommandRun& r) { r.toolDrag(r.pick(0, 1) ? kToolBox : kToolCircle); }},
        {"shape", [](CommandRun& r) { r.toolDrag(kToolMove); }},
        {"shape", [](CommandRun& r) { r.toolDrag(kToolScale); }},
        {"shape",
         [](CommandRun& r) {
           r.menu(kCmdCopyShape);
           r.menu(kCmdPaste);
         }},
        {"shape", [](CommandRun& r) { r.menu(r.pick(0, 1) ? kCmdShapeToTop : kCmdShapeToBottom); }},
        {"shape",
         [](CommandRun& r) { r.menu(r.pick(0, 1) ? kCmdShapeToOrigin : kCmdOriginToShape); }},
        {"shape", [](CommandRun& r) { r.menu(kCmdDeleteShape); }},
        {"shape", [](CommandRun& r) { r.edit(r.pick(0, 1) ? kCtlShapeX : kCtlShapeW, r.pick(-50, 300)); }},
        {"shape", [](CommandRun& r) { r.edit(r.pick(kCtlShapeHide, kCtlShapeClose), r.pick(0, 1)); }},
        {"shape", [](CommandRun& r) { r.edit(kCtlShapeAlpha, r.pick(0, 255)); }},
        {"shape", [](CommandRun& r) { r.edit(kCtlLineWidth, r.pick(1, 12)); }},
        {"shape", [](CommandRun& r) { r.press(r.pick(kCtlShapeUp, kCtlShapeDown)); }},
        {"point", [](CommandRun& r) { r.menu(kCmdDeletePoint); }},
        {"point", [](CommandRun& r) { r.edit(r.pick(kCtlPointX, kCtlPointY), r.pick(-40, 200)); }},
        {"point", [](CommandRun& r) { r.press(r.pick(kCtlPointHard, kCtlPointSoft)); }},
        {"effect", [](CommandRun& r) { r.press(kCtlFxAdd); }},
        {"effect", [](CommandRun& r) { r.edit(kCtlFxX, r.pick(-20, 20)); }},
        {"effect", [](CommandRun& r) { r.edit(kCtlFxAlpha, r.pick(0, 255)); }},
        {"object", [](CommandRun& r) { r.menu(kCmdAddObject); }},
        {"object", [](CommandRun& r) { r.menu(kCmdDeleteObject); }},
        {"object", [](CommandRun& r) { r.press(r.pick(0, 1) ? kCtlLayerAdd : kCtlLayerLock); }},
        {"object", [](CommandRun& r) { r.press(r.pick(kCtlLayerUp, kCtlLayerDown)); }},
        {"object", [](CommandRun& r) { r.edit(kCtlLayerAlpha, r.pick(0, 255)); }},
        {"object", [](CommandRun& r) { r.edit(r.pick(kCtlObjectX, kCtlObjectY), r.pick(-100, 100)); }},
        {"object",
         [](CommandRun& r) {
           const int row = r.pick(0, static_cast<int>(r.ed->doc.Objects.size()) - 1);
           r.win->layerPanel()->pressAt(r.pick(0, 1) ? 5 : 60, row * kLayerRowHeight + 5);
         }},
        {"key",
         [](CommandRun& r) {
           r.submit(kCtlCurrentFrame, r.pick(0, 20));
           r.press(kCtlSetKey);
         }},
        {"key", [](CommandRun& r) { r.press(kCtlDeleteKey); }},
        {"key", [](CommandRun& r) { r.edit(kCtlKeyKind, r.pick(0, 2)); }},
        {"key", [](CommandRun& r) { r.edit(kCtlFps, r.pick(1, 60)); }},
        {"key", [](CommandRun& r) { r.submit(kCtlMaxFrame, r.pick(10, 80)); }},
        {"select", [](CommandRun& r) { r.choose(); }},
        {"select", [](CommandRun& r) { r.menu(r.pick(0, 1) ? kCmdSelectAll : kCmdDeselectAll); }},
    };
    return list;
  }
};

TEST_P(CommandRun, UndoAllAndRedoAllGiveTheSceneBack) {
  rng.seed(GetParam());
  open();
  toolDrag(kToolBox);
  toolDrag(kToolCircle);
  const std::string start = settledText(ed->doc);
  const Selection startSel = ed->sel;
  // Every action once in a shuffled order, then a random run of them.
  const auto& all = actions();
  std::vector<size_t> order(all.size());
  for (size_t k = 0; k < order.size(); ++k) order[k] = k;
  std::shuffle(order.begin(), order.end(), rng);
  for (int step = 0; step < 40; ++step) order.push_back(static_cast<size_t>(pick(0, static_cast<int>(all.size()) - 1)));
  for (size_t k : order) all[k].run(*this);
  // Showing a frame poses the keyed objects without a step; both ends are taken posed.
  const int64_t frame = win->controls().value(kCtlCurrentFrame);
  submit(kCtlCurrentFrame, frame);
  const std::string end = settledText(ed->doc);
  ASSERT_NE(start, end);
  ASSERT_GT(app.history.stepCount(), 5u);
  while (app.history.position() > 2) win->dispatch(kCmdUndo);  // back to the two drawn shapes
  EXPECT_EQ(settledText(ed->doc), start);
  EXPECT_TRUE(ed->sel == startSel);
  while (app.history.canRedo()) win->dispatch(kCmdRedo);
  submit(kCtlCurrentFrame, frame);
  EXPECT_EQ(settledText(ed->doc), end);
}

INSTANTIATE_TEST_SUITE_P(Seeds, CommandRun, ::testing::Values(3u, 17u, 2024u, 90001u));

// Edits of one control in a row make one step; another control, or an undo between, starts a
// new one.
TEST_F(CommandRun, BurstsOfOneControlMerge) {
  open();
  toolDrag(kToolBox);
  struct Burst {
    int control;
    int64_t first;
  } bursts[] = {{kCtlShapeX, 10}, {kCtlShapeAlpha, 40}, {kCtlLayerAlpha, 20}, {kCtlFps, 12}, {kCtlPointX, 5}};
  for (const Burst& b : bursts) {
    SCOPED_TRACE(b.control);
    const size_t steps = app.history.stepCount();
    for (int k = 0; k < 4; ++k) edit(b.control, b.first + k);
    EXPECT_EQ(app.history.stepCount(), steps + 1);
  }
  edit(kCtlShapeX, 100);
  win->dispatch(kCmdUndo);
  const size_t afterUndo = app.history.position();
  edit(kCtlShapeX, 101);
  edit(kCtlShapeX, 102);
  EXPECT_EQ(app.history.position(), afterUndo + 1);
}

}  // namespace
}  // namespace pwtest
