// The canvas refresh: draws the canvas from the model, only reading it. The click selection that
// comes with a mouse event belongs to the canvas tools, which ask the pick query (render/pick.h)
// before they ask for a redraw.
#pragma once

#include <QImage>
#include <cstdint>
#include <functional>
#include <memory>

#include "core/editor.h"
#include "render/image_store.h"
#include "render/scene_cache.h"

namespace pw {

// The canvas: an ARGB32_Premultiplied image of the canvas size that the window shows, and the
// picture of the scene that the refresh keeps between calls.
struct SharpDraw;
struct CanvasSurface {
  CanvasSurface(QImage i, ImageStore& s) : image(std::move(i)), store(s) {}
  CanvasSurface(CanvasSurface&&) = default;
  ~CanvasSurface();

  QImage image;
  ImageStore& store;
  SceneCache scene = {};
  // Horizontal bands a full redraw is split into, each drawn on its own thread; 0: one for each
  // core. The pixels are the same whatever the number.
  int bands = 0;
  // When set, a refresh that only moves the view (zoom or pan) shows the picture it has, moved
  // and scaled to the new view, with the marks drawn for it, and draws the sharp picture from a
  // copy of the document on the drawing threads meanwhile; `sharpReady` is then called, from a
  // drawing thread, once it is done, and the next refresh shows it. Without it every refresh
  // shows the sharp picture at once.
  std::function<void()> sharpReady;
  std::shared_ptr<SharpDraw> sharp;
  // Whether the canvas shows a moved and scaled picture that a sharp one is to replace.
  bool previewShown = false;
  // When set, `touched` is kept told of every change of the document (see touch), and a refresh
  // compares only those shapes with the picture, with the current and selected shapes (which a
  // gesture or a panel changes in place); otherwise every shape is compared.
  bool tracksChanges = false;
  TouchedShapes touched;
  // The current shape and the selected ones at the last refresh, as (object, shape).
  std::vector<std::pair<int64_t, int64_t>> lastLive;
  void touch(const ChangeScope& scope) { touched.add(scope); }
};

// Waits until the sharp picture being drawn, if any, is done (for tests and measurements).
void waitForSharp(CanvasSurface& canvas);

// Brings the canvas up to date with the model: the pixels are always those of drawing everything
// again (background, shapes, marks, overlays), but only the shapes whose drawing changed since
// the last refresh are drawn again, with what they overlap. A canvas without an image is left
// as it is.
void drawCanvas(const Editor& ed, CanvasSurface& canvas);

}  // namespace pw
