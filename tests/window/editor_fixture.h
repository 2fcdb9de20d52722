// An editor as start-up leaves it (object 0 made, template folder at the source tree), with a
// scripted prompt, a real image store and a record of every announced document change; and a
// canvas widget on it, driven with mouse and key events as a person would.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "app/canvas_widget.h"
#include "core/create.h"
#include "core/editor.h"
#include "core/scripted_prompt.h"
#include "render/image_store.h"
#include "support/paths.h"

namespace pw::test {

struct EditorFixture {
  ScriptedPrompt prompt;
  ImageStore store;
  Editor ed{prompt, store};
  std::vector<std::string> changes;  // every executed change, in order

  EditorFixture() {
    ed.root = pw::test::sourceDir();
    ed.observe([this](const Change& c) { changes.push_back(c.name); });
    addObject(ed, 0);
  }

  Object& object() { return ed.doc.Objects[static_cast<size_t>(ed.sel.object)]; }
  Shape& shape(int64_t j) { return object().shapes[static_cast<size_t>(j)]; }
  Shape& current() { return shape(ed.sel.shape); }

  // Puts a shape of `type` into the current object (taking over the placeholder of an empty
  // object) with the creation defaults, and makes it current.
  Shape& putShape(uint8_t type) {
    Object& o = object();
    if (o.hasShape) {
      o.shapes.emplace_back();
    } else {
      o.shapes.assign(1, Shape{});
      o.hasShape = 1;
    }
    Shape& s = o.shapes.back();
    applyShapeDefaults(s, type);
    s.name = "S" + std::to_string(o.shapes.size() - 1);
    s.points.assign(1, ShapePoint{});
    ed.doc.DocumentState = kDocumentHasContent;
    ed.sel.shape = lastIndex(o.shapes);
    return s;
  }
  Shape& putBox(int x, int y, int w, int h) {
    Shape& s = putShape(kBox);
    s.x = toI16(x);
    s.y = toI16(y);
    s.w = toI16(w);
    s.h = toI16(h);
    return s;
  }
  // A shape through the given points (relative to a shape position of 0, 0).
  Shape& putPoints(uint8_t type, std::initializer_list<std::pair<int, int>> pts) {
    Shape& s = putShape(type);
    s.w = 0;
    s.h = 0;
    s.points.clear();
    for (const auto& [x, y] : pts) {
      ShapePoint p;
      p.x = x;
      p.y = y;
      s.points.push_back(p);
    }
    return s;
  }
  // A closed complex square from (x0, y0) to (x1, y1), every anchor hard (controls on it).
  Shape& putSquare(int x0, int y0, int x1, int y1) {
    return putPoints(kComplex, {{x0, y0},
                                {x0, y0},
                                {x1, y0},
                                {x1, y0},
                                {x1, y0},
                                {x1, y1},
                                {x1, y1},
                                {x1, y1},
                                {x0, y1},
                                {x0, y1},
                                {x0, y1},
                                {x0, y0}});
  }
  // Points 0..8 of a nine-point path, 40 units apart on a row at y 300.
  Shape& putRow() {
    return putPoints(kComplex, {{100, 300},
                                {140, 300},
                                {180, 300},
                                {220, 300},
                                {260, 300},
                                {300, 300},
                                {340, 300},
                                {380, 300},
                                {420, 300}});
  }
  std::vector<std::pair<int64_t, int64_t>> points(const Shape& s) const {
    std::vector<std::pair<int64_t, int64_t>> v;
    for (const ShapePoint& p : s.points) v.emplace_back(p.x, p.y);
    return v;
  }
};

struct CanvasFixture : EditorFixture {
  CanvasWidget canvas{ed, store};
  int toolResets = 0;
  Qt::KeyboardModifiers mods = Qt::NoModifier;

  explicit CanvasFixture(int w = 1100, int h = 500) {
    canvas.tools().onToolReset = [this] { ++toolResets; };
    ed.listen(Shown::kCanvas, [this](const Notice&) { canvas.redraw(); });
    canvas.resize(w, h);
    canvas.redraw();  // as the first paint of the window would
  }

  void setTool(int tool) { ed.tools.tool = static_cast<uint8_t>(tool); }

  void press(int x, int y, Qt::MouseButton b = Qt::LeftButton) {
    QTest::mousePress(&canvas, b, mods, QPoint(x, y));
  }
  void release(int x, int y, Qt::MouseButton b = Qt::LeftButton) {
    QTest::mouseRelease(&canvas, b, mods, QPoint(x, y));
  }
  // A move with the given buttons held (the left one unless told).
  void move(int x, int y, Qt::MouseButtons held = Qt::LeftButton) {
    const QPointF p(x, y);
    QMouseEvent e(QEvent::MouseMove, p, canvas.mapToGlobal(p), Qt::NoButton, held, mods);
    QApplication::sendEvent(&canvas, &e);
  }
  void drag(int x0, int y0, int x1, int y1) {
    press(x0, y0);
    move(x1, y1);
    release(x1, y1);
  }
  void click(int x, int y) {
    press(x, y);
    release(x, y);
  }
  void key(QEvent::Type type, int k, bool autoRepeat = false) {
    QKeyEvent e(type, k, mods, QString(), autoRepeat);
    QApplication::sendEvent(&canvas, &e);
  }
  void keyDown(int k, bool autoRepeat = false) { key(QEvent::KeyPress, k, autoRepeat); }
  void keyUp(int k, bool autoRepeat = false) { key(QEvent::KeyRelease, k, autoRepeat); }
};

}  // namespace pw::test
