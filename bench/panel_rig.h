// The side panels as the editor window builds them, on an editor of the caller's: the shape
// panel's tabs (Shapes, Color, FX), the object panel's "Properties" frame and its "Options" tab,
// the editor's refresh hooks pointed at them, and a control's change handed to the panel
// handlers as the window's control event does. Needs a QApplication.
#pragma once

#include <QGroupBox>
#include <QObject>
#include <QTabWidget>
#include <QWidget>

#include "core/editor.h"
#include "ui/control_set.h"
#include "ui/editor_icons.h"
#include "ui/panel_context.h"

namespace pwbench {

struct PanelRig {
  explicit PanelRig(pw::Editor& ed) : ctx{ed, controls, icons, [] {}, [](int) {}} {
    ed.root = PENWICK_SOURCE_DIR;
    ed.listen(pw::Shown::kProperties, [this](const pw::Notice&) { pw::refreshProperties(ctx); });
    ed.listen(pw::Shown::kShapeList, [this](const pw::Notice&) { pw::refreshShapeList(ctx); });
    ed.listen(pw::Shown::kFxList, [this](const pw::Notice&) { pw::refreshFxList(ctx); });
    QObject::connect(&controls, &pw::ControlSet::controlEvent, [this](int n) {
      ++eventDepth;
      if (!pw::handleShapesEvent(ctx, n)) pw::handleStyleEvent(ctx, n);
      --eventDepth;
    });
    shapePanel.resize(150, 700);
    for (const char* t : {"Shapes", "Color", "FX"}) shapePanel.addTab(new QWidget, t);
    pw::buildShapesTab(ctx, shapePanel.widget(0));
    pw::buildColorTab(ctx, shapePanel.widget(1));
    pw::buildFxTab(ctx, shapePanel.widget(2));
    objectPanel.resize(150, 700);
    for (const char* t : {"Object", "Options"}) objectPanel.addTab(new QWidget, t);
    auto* frame = new QGroupBox("Properties", objectPanel.widget(0));
    frame->setGeometry(5, 302, 135, 140);
    pw::buildObjectProperties(ctx, frame);
    pw::buildOptionsTab(ctx, objectPanel.widget(1));
  }
  pw::EditorIcons icons;
  pw::ControlSet controls;
  pw::PanelContext ctx;
  QTabWidget shapePanel, objectPanel;
  int eventDepth = 0;  // inside a control's handler (the window's panel event depth)
};

}  // namespace pwbench
