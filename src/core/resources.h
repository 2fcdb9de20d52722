// Image and font handles held for image and text shapes. The drawing layer owns the real images
// and fonts; the document only keeps their handles (0 = none).
#pragma once

#include <cstdint>
#include <string>

namespace pw {

// Style flags of a font (`Shape::fontStyle`).
inline constexpr int64_t kFontUnderline = 4;
inline constexpr int64_t kFontStrikeOut = 8;
inline constexpr int64_t kFontHighQuality = 16;
inline constexpr int64_t kFontBold = 256;
inline constexpr int64_t kFontItalic = 512;

class Resources {
 public:
  virtual ~Resources() = default;
  // Decodes the image at `path` (PNG, JPEG, BMP). Returns a handle > 0, or 0 on failure.
  virtual int64_t loadImage(const std::string& path) = 0;
  // Width and height of the image file at `path` as its header gives them, without decoding
  // it; false when they cannot be told (a store that cannot tell leaves every image to
  // loadImage).
  virtual bool imageFileSize(const std::string& /*path*/, int& /*w*/, int& /*h*/) { return false; }
  virtual bool isImage(int64_t id) const = 0;
  // Width and height of a loaded image; false for an invalid handle.
  virtual bool imageSize(int64_t id, int& w, int& h) const = 0;
  virtual void freeImage(int64_t id) = 0;
  // Loads a font (face name, pixel size, style flags kFontBold, kFontItalic, ...).
  // Returns a handle > 0, or 0 when the font cannot be had.
  virtual int64_t loadFont(const std::string& name, int size, int64_t style) = 0;
  // True while `id` names a loaded font.
  virtual bool isFont(int64_t /*id*/) const { return false; }
  // Releases a font handle; an unknown handle is ignored.
  virtual void freeFont(int64_t /*id*/) {}
};

}  // namespace pw
