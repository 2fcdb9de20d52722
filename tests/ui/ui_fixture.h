// An editor for widget tests: scripted prompt, real image store, every announcement recorded.
#pragma once

#include <QColor>
#include <QImage>
#include <string>
#include <vector>

#include "core/editor.h"
#include "core/scripted_prompt.h"
#include "render/image_store.h"
#include "ui/editor_icons.h"

namespace pw::uitest {

struct UiEditor {
  ScriptedPrompt prompt;
  ImageStore store;
  Editor ed{prompt, store};
  std::vector<std::string> changes;
  int canvasRedraws = 0;

  UiEditor() {
    ed.observe([this](const Change& c) { changes.push_back(c.name); });
    ed.listen(Shown::kCanvas, [this](const Notice&) { ++canvasRedraws; });
  }
};

inline QImage solid(int w, int h, QColor c) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(c);
  return img;
}

// Plain single-colour icons, so that drawn pixels can be told apart exactly.
inline const QColor kRowColor(200, 200, 200);
inline const QColor kRowSelColor(120, 160, 220);
inline const QColor kEyeColor(255, 0, 0);
inline const QColor kLockColor(0, 200, 0);

inline EditorIcons plainIcons() {
  EditorIcons icons;
  icons.layerIcons[kLayerRow] = solid(150, 25, kRowColor);
  icons.layerIcons[kLayerRowSelected] = solid(150, 25, kRowSelColor);
  icons.layerIcons[kLayerEye] = solid(15, 9, kEyeColor);
  icons.layerIcons[kLayerLock] = solid(12, 14, kLockColor);
  for (int i : {kLayerAdd, kLayerDelete, kLayerUp, kLayerDown})
    icons.layerIcons[static_cast<size_t>(i)] = solid(20, 20, Qt::darkGray);
  for (size_t i = 0; i < kToolIconFiles.size(); ++i)
    if (kToolIconFiles[i]) icons.toolIcons[i] = solid(25, 25, Qt::darkBlue);
  return icons;
}

}  // namespace pw::uitest
