// Loaded images and fonts behind the handles that image and text shapes hold, plus the numbered
// scratch slots of the image export.
#pragma once

#include <QFont>
#include <QImage>
#include <cstdint>
#include <map>
#include <string>

#include "core/resources.h"

namespace pw {

class ImageStore final : public Resources {
 public:
  int64_t loadImage(const std::string& path) override;
  bool isImage(int64_t id) const override;
  bool imageSize(int64_t id, int& w, int& h) const override;
  void freeImage(int64_t id) override;
  int64_t loadFont(const std::string& name, int size, int64_t style) override;

  // Adds an image that is already decoded; returns its handle.
  int64_t addImage(QImage img);
  // nullptr for an invalid handle.
  const QImage* image(int64_t id) const;
  const QFont* font(int64_t id) const;
  // Font for a handle, or the default text font when the handle is not valid.
  QFont fontOrDefault(int64_t id) const;

 private:
  std::map<int64_t, QImage> images_;
  std::map<int64_t, QFont> fonts_;
  int64_t nextImage_ = 1;
  int64_t nextFont_ = 1;
};

// The font a face name and style flags stand for (256 bold, 512 italic, 4 underline, 8 strike-out).
// "Times New roman" and "arial" resolve through fontconfig to their metric twins.
QFont makeFont(const std::string& name, int64_t style);

}  // namespace pw
