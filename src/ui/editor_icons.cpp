#include "ui/editor_icons.h"

#include <QImageReader>
#include <QPixmap>
#include <string>

#include "core/create.h"
#include "render/image_store.h"

namespace pw {

namespace {

QImage readQuietly(const std::string& path) {
  QImageReader reader(QString::fromStdString(path));
  reader.setDecideFormatFromContent(true);
  return reader.read();
}

QIcon iconOf(const QImage& img) {
  if (img.isNull()) return {};
  return QIcon(QPixmap::fromImage(img));
}

}  // namespace

QIcon EditorIcons::toolIcon(int slot) const {
  if (slot < 0 || slot >= kToolIconCount) return {};
  return iconOf(toolIcons[static_cast<size_t>(slot)]);
}

QIcon EditorIcons::layerIcon(int slot) const {
  if (slot < 0 || slot >= kLayerIconCount) return {};
  return iconOf(layerIcons[static_cast<size_t>(slot)]);
}

void loadEditorIcons(Editor& ed, EditorIcons& icons) {
  const std::string dir = ed.rootPath("data/editor/");
  for (size_t i = 0; i < kToolIconFiles.size(); ++i) {
    icons.toolIcons[i] = QImage();
    if (!kToolIconFiles[i]) continue;
    const std::string path = dir + kToolIconFiles[i];
    // The shared loader checks the file and reports the two failures; the decoded picture is
    // then taken over by the icon table, so the image store does not keep a copy.
    const int64_t handle = loadImageFile(ed, -1, path);
    if (handle == 0) continue;
    QImage img;
    if (const auto* store = dynamic_cast<const ImageStore*>(&ed.resources))
      if (const QImage* stored = store->image(handle)) img = *stored;
    if (img.isNull()) img = readQuietly(path);
    ed.resources.freeImage(handle);
    icons.toolIcons[i] = img;
  }
  for (size_t i = 0; i < kLayerIconFiles.size(); ++i) {
    icons.layerIcons[i] = kLayerIconFiles[i] ? readQuietly(dir + kLayerIconFiles[i]) : QImage();
  }
  icons.font = ed.resources.loadFont("arial", 30, 0);
}

}  // namespace pw
