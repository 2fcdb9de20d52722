// Side panels on their own widgets, as the window builds them: the shape panel with its three
// tabs, the object panel's "Properties" frame and "Options" tab, one ControlSet, a scripted
// prompt and a real image store. Control events go through the same handlers as in the window.
#pragma once

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QTabWidget>
#include <memory>
#include <string>
#include <vector>

#include "core/create.h"
#include "core/editor.h"
#include "core/scripted_prompt.h"
#include "render/image_store.h"
#include "support/paths.h"
#include "ui/control_set.h"
#include "ui/panel_context.h"
#include "ui/ui_fixture.h"

namespace pw::uitest {

struct PanelFixture {
  ScriptedPrompt prompt;
  ImageStore store;
  Editor ed{prompt, store};
  EditorIcons icons = plainIcons();
  ControlSet controls;
  PanelContext ctx{ed, controls, icons, {}, {}};
  std::unique_ptr<QTabWidget> shapePanel = std::make_unique<QTabWidget>();
  std::unique_ptr<QTabWidget> objectPanel = std::make_unique<QTabWidget>();
  QGroupBox* propertiesFrame = nullptr;
  std::vector<std::string> changes;  // every announced change, in order
  int canvasRedraws = 0;
  int canvasFocus = 0;

  explicit PanelFixture(const std::string& root = pw::test::sourceDir()) {
    ed.root = root;
    ed.observe([this](const Change& c) { changes.push_back(c.name); });
    ed.listen(Shown::kCanvas, [this](const Notice&) { ++canvasRedraws; });
    ed.listen(Shown::kProperties, [this](const Notice&) { refreshProperties(ctx); });
    ed.listen(Shown::kShapeList, [this](const Notice&) { refreshShapeList(ctx); });
    ed.listen(Shown::kFxList, [this](const Notice&) { refreshFxList(ctx); });
    ctx.focusCanvas = [this] { ++canvasFocus; };
    ctx.showPointsMenu = [](int) {};
    QObject::connect(&controls, &ControlSet::controlEvent, [this](int n) {
      if (!handleShapesEvent(ctx, n)) handleStyleEvent(ctx, n);
    });
    shapePanel->resize(150, 600);
    for (const char* t : {"Shapes", "Color", "FX"}) shapePanel->addTab(new QWidget, t);
    buildShapesTab(ctx, shapePanel->widget(0));
    buildColorTab(ctx, shapePanel->widget(1));
    buildFxTab(ctx, shapePanel->widget(2));
    objectPanel->resize(150, 600);
    for (const char* t : {"Object", "Options"}) objectPanel->addTab(new QWidget, t);
    propertiesFrame = new QGroupBox("Properties", objectPanel->widget(0));
    propertiesFrame->setGeometry(5, 302, 135, 140);
    buildObjectProperties(ctx, propertiesFrame);
    buildOptionsTab(ctx, objectPanel->widget(1));
    fillTemplateList(ctx);
    addObject(ed, 0);
    enablePanelControls(ctx, false);
  }

  Object& object() { return ed.doc.Objects[static_cast<size_t>(ed.sel.object)]; }
  Shape& shape(int64_t j) { return object().shapes[static_cast<size_t>(j)]; }

  // Puts a shape of `type` into the current object (taking over the placeholder of an empty
  // object), makes it current and refreshes the panels as a selection does.
  Shape& putShape(uint8_t type, const std::string& name = "s") {
    Object& o = object();
    if (o.hasShape) {
      o.shapes.emplace_back();
    } else {
      o.shapes.assign(1, Shape{});
      o.hasShape = 1;
    }
    Shape& s = o.shapes.back();
    s.type = type;
    s.name = name;
    s.depth = lastIndex(o.shapes);
    s.lineW = s.lineH = s.lineDist = 1;
    ed.sel.shape = lastIndex(o.shapes);
    ed.doc.DocumentState = kDocumentHasContent;
    refreshShapeList(ctx);
    refreshFxList(ctx);
    refreshProperties(ctx);
    return s;
  }

  // Raises control `n`'s event after setting it as a user would.
  void userSets(int n, int64_t v) {
    controls.setValue(n, v);
    emit controls.controlEvent(n);
  }
  void userTypes(int n, const QString& text) {
    controls.setText(n, text);
    emit controls.controlEvent(n);
  }
  void userPresses(int n) { emit controls.controlEvent(n); }
};

}  // namespace pw::uitest
