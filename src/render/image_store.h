// Loaded images and fonts behind the handles that image and text shapes hold, plus the numbered
// scratch slots of the image export.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QSizeF>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/resources.h"

namespace pw {

class ImageStore final : public Resources {
 public:
  // What a loaded image keeps: its pixels, or only its size for runs that never draw (a dump, a
  // conversion). Either way a file is checked as deeply as its header and chunk list allow.
  enum class Pixels { kDecode, kSizeOnly };
  explicit ImageStore(Pixels use = Pixels::kDecode) : use_(use) {}

  // Decodes each file once while any handle to it lives: loading the same file again shares the
  // pixels. Only regular files are read.
  int64_t loadImage(const std::string& path) override;
  bool imageFileSize(const std::string& path, int& w, int& h) override;
  bool isImage(int64_t id) const override;
  bool imageSize(int64_t id, int& w, int& h) const override;
  void freeImage(int64_t id) override;
  int64_t loadFont(const std::string& name, int size, int64_t style) override;
  bool isFont(int64_t id) const override { return fonts_.count(id) != 0; }
  // Drops the font and every size and outline made from it.
  void freeFont(int64_t id) override;

  // Adds an image that is already decoded; returns its handle.
  int64_t addImage(QImage img);
  // nullptr for an invalid handle (and for every handle of a size-only store).
  const QImage* image(int64_t id) const;
  // The font of a handle, made on first use (text needs a GUI application by then).
  const QFont* font(int64_t id) const;
  // Font for a handle, or the default text font when the handle is not valid.
  QFont fontOrDefault(int64_t id) const;

  // Outline of `text` in font `fontId` (or the default text font) at pixel size `size`, with
  // its top-left at (0, 0). Cached: a scene redrawn over and over builds each outline once. The
  // reference stays valid until the next call. Empty for an empty text or a size <= 0.
  const QPainterPath& textOutline(int64_t fontId, double size, const std::string& text);
  // The longest start of `text` (whole characters) whose advance stays within `maxAdvance`, plus
  // enough further characters for the widest glyph to reach past it. Right-to-left text is
  // returned whole.
  std::string textPrefixWithin(int64_t fontId, double size, const std::string& text,
                               double maxAdvance);
  // Advance width and line height of `text` in that font and size.
  QSizeF textExtent(int64_t fontId, double size, const std::string& text);

  // Changes whenever an image or font is added or freed, so that pictures drawn earlier can tell
  // whether they still show what the handles stand for.
  uint64_t generation() const { return generation_; }

 private:
  struct TextKey {
    int64_t font;
    double size;
    std::string text;
  };
  struct TextKeyView {
    int64_t font;
    double size;
    std::string_view text;
  };
  struct TextKeyLess {
    using is_transparent = void;
    template <class A, class B>
    bool operator()(const A& a, const B& b) const {
      if (a.font != b.font) return a.font < b.font;
      if (a.size != b.size) return a.size < b.size;
      return std::string_view(a.text) < std::string_view(b.text);
    }
  };
  struct SizedFont {
    QFont font;
    double scale = 1;   // drawn size / the font's pixel size
    double ascent = 0;  // in drawn units
  };
  const SizedFont& sizedFont(int64_t fontId, double size);

  // One decoded file (or one added image), shared by every handle to it.
  struct Picture {
    QImage pixels;  // null in a size-only store
    int w = 0, h = 0;
  };
  // A file as the file system identifies it; a changed file is a new key.
  struct FileKey {
    uint64_t dev, ino;
    int64_t size, mtimeNs;
    auto operator<=>(const FileKey&) const = default;
  };
  // False when path is not a regular file.
  static bool fileKey(const std::string& path, FileKey& key);
  // The picture of a file already loaded, or a freshly read one; nullptr when it cannot be read.
  std::shared_ptr<const Picture> picture(const std::string& path);
  int64_t addPicture(std::shared_ptr<const Picture> pic);

  const Pixels use_;
  std::map<int64_t, std::shared_ptr<const Picture>> images_;
  std::map<FileKey, std::weak_ptr<const Picture>> files_;
  struct FontEntry {
    std::string name;
    int size;
    int64_t style;
    mutable std::optional<QFont> font;  // made on first use
  };
  std::map<int64_t, FontEntry> fonts_;
  int64_t nextImage_ = 1;
  int64_t nextFont_ = 1;
  uint64_t generation_ = 1;
  std::map<TextKey, QPainterPath, TextKeyLess> outlines_;
  std::map<std::pair<int64_t, double>, SizedFont> sizedFonts_;
  QPainterPath emptyOutline_;
};

// The font a face name and style flags stand for (256 bold, 512 italic, 4 underline, 8 strike-out).
// "Times New roman" and "arial" resolve through fontconfig to their metric twins.
QFont makeFont(const std::string& name, int64_t style);

// True when text in the face `name` draws in that face or its metric twin rather than a
// fallback: the font database has the family. An empty name (the default face) is always there.
// Needs a GUI application.
bool fontInstalled(const std::string& name);

}  // namespace pw
