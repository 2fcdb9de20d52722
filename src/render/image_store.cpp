#include "render/image_store.h"

#include <sys/stat.h>

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QTransform>
#include <algorithm>
#include <cctype>
#include <cmath>

#include "fileio/atomic_file.h"
#include "render/image_decode.h"

namespace pw {

namespace {

// Caches are dropped whole when they grow past these counts (a user typing a text creates a new
// entry per keystroke; a scene keeps far fewer alive).
constexpr size_t kMaxOutlines = 2048;
constexpr size_t kMaxSizedFonts = 256;
// Outlines are built at most at this pixel size and scaled beyond it.
constexpr int kMaxGlyphPixels = 1024;
// Long texts are measured this many characters at a time.
constexpr qsizetype kAdvanceChunk = 512;
// Known files are pruned of the ones no handle uses once there are this many.
constexpr size_t kMaxKnownFiles = 256;

std::string lower(const std::string& s) {
  std::string r = s;
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

// The metric-compatible face installed for a common proprietary face name (fontconfig aliases
// them the same way); empty when there is none.
QString metricTwin(const std::string& name) {
  const std::string n = lower(name);
  if (n == "times new roman" || n == "times") return QStringLiteral("Liberation Serif");
  if (n == "arial" || n == "helvetica") return QStringLiteral("Liberation Sans");
  if (n == "courier new" || n == "courier") return QStringLiteral("Liberation Mono");
  return {};
}

}  // namespace

QFont makeFont(const std::string& name, int64_t style) {
  QFont f;
  QStringList families;
  if (!name.empty()) families << QString::fromStdString(name);
  const QString twin = metricTwin(name);
  if (!twin.isEmpty()) families << twin;
  if (!families.isEmpty()) f.setFamilies(families);
  if (twin.contains(QLatin1String("Serif"))) f.setStyleHint(QFont::Serif);
  else if (twin.contains(QLatin1String("Mono"))) f.setStyleHint(QFont::Monospace);
  else if (!twin.isEmpty()) f.setStyleHint(QFont::SansSerif);
  f.setBold((style & kFontBold) != 0);
  f.setItalic((style & kFontItalic) != 0);
  f.setUnderline((style & kFontUnderline) != 0);
  f.setStrikeOut((style & kFontStrikeOut) != 0);
  // Outlines are scaled freely, so take them as designed rather than fitted to a pixel grid.
  f.setHintingPreference(QFont::PreferNoHinting);
  return f;
}

bool ImageStore::fileKey(const std::string& path, FileKey& key) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  key = FileKey{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                static_cast<int64_t>(st.st_size),
                static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
  return true;
}

std::shared_ptr<const ImageStore::Picture> ImageStore::picture(const std::string& path) {
  FileKey key{};
  if (!fileKey(path, key)) return nullptr;
  if (auto it = files_.find(key); it != files_.end()) {
    if (auto known = it->second.lock()) return known;
    files_.erase(it);
  }
  std::string bytes;
  if (!readFileWhole(path, bytes)) return nullptr;
  auto pic = std::make_shared<Picture>();
  if (use_ == Pixels::kDecode) {
    pic->pixels = decodeImage(bytes);
    if (pic->pixels.isNull()) return nullptr;
    pic->w = pic->pixels.width();
    pic->h = pic->pixels.height();
  } else if (!imageHeaderSize(bytes, pic->w, pic->h)) {
    return nullptr;
  }
  // Forget files whose every handle is gone before the map grows.
  if (files_.size() >= kMaxKnownFiles) std::erase_if(files_, [](const auto& f) { return f.second.expired(); });
  files_[key] = pic;
  return pic;
}

int64_t ImageStore::loadImage(const std::string& path) {
  auto pic = picture(path);
  return pic ? addPicture(std::move(pic)) : 0;
}

bool ImageStore::imageFileSize(const std::string& path, int& w, int& h) {
  // Loading it afterwards finds the picture as long as one handle keeps it; the caller asks
  // for the size of a file it is about to load.
  FileKey key{};
  if (!fileKey(path, key)) return false;
  if (auto it = files_.find(key); it != files_.end()) {
    if (auto known = it->second.lock()) {
      w = known->w;
      h = known->h;
      return true;
    }
  }
  std::string bytes;
  if (!readFileWhole(path, bytes)) return false;
  return imageHeaderSize(bytes, w, h);
}

int64_t ImageStore::addPicture(std::shared_ptr<const Picture> pic) {
  const int64_t id = nextImage_++;
  images_.emplace(id, std::move(pic));
  ++generation_;
  return id;
}

int64_t ImageStore::addImage(QImage img) {
  if (img.isNull()) return 0;
  if (img.format() != QImage::Format_ARGB32_Premultiplied)
    img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (img.isNull()) return 0;
  auto pic = std::make_shared<Picture>();
  pic->w = img.width();
  pic->h = img.height();
  pic->pixels = std::move(img);
  return addPicture(std::move(pic));
}

bool ImageStore::isImage(int64_t id) const { return images_.count(id) != 0; }

bool ImageStore::imageSize(int64_t id, int& w, int& h) const {
  auto it = images_.find(id);
  if (it == images_.end()) return false;
  w = it->second->w;
  h = it->second->h;
  return true;
}

bool fontInstalled(const std::string& name) {
  if (name.empty()) return true;
  if (QFontDatabase::hasFamily(QString::fromStdString(name))) return true;
  const QString twin = metricTwin(name);
  return !twin.isEmpty() && QFontDatabase::hasFamily(twin);
}

void ImageStore::freeImage(int64_t id) {
  if (images_.erase(id) != 0) ++generation_;
}

const QImage* ImageStore::image(int64_t id) const {
  auto it = images_.find(id);
  if (it == images_.end() || it->second->pixels.isNull()) return nullptr;
  return &it->second->pixels;
}

int64_t ImageStore::loadFont(const std::string& name, int size, int64_t style) {
  // The font itself is made when it is first used: a run that never draws text needs no font
  // database (and no GUI application to hold one).
  const int64_t id = nextFont_++;
  fonts_.emplace(id, FontEntry{name, size, style, std::nullopt});
  ++generation_;
  return id;
}

void ImageStore::freeFont(int64_t id) {
  if (fonts_.erase(id) == 0) return;
  // Outlines and sizes are ordered by font first, so each font's entries form one run.
  auto lo = outlines_.lower_bound(TextKeyView{id, -1e300, {}});
  auto hi = lo;
  while (hi != outlines_.end() && hi->first.font == id) ++hi;
  outlines_.erase(lo, hi);
  for (auto it = sizedFonts_.begin(); it != sizedFonts_.end();) {
    it = it->first.first == id ? sizedFonts_.erase(it) : std::next(it);
  }
  ++generation_;
}

const QFont* ImageStore::font(int64_t id) const {
  auto it = fonts_.find(id);
  if (it == fonts_.end()) return nullptr;
  const FontEntry& e = it->second;
  if (!e.font) {
    QFont f = makeFont(e.name, e.style);
    if (e.size > 0) f.setPixelSize(e.size);
    e.font = std::move(f);
  }
  return &*e.font;
}

QFont ImageStore::fontOrDefault(int64_t id) const {
  if (const QFont* f = font(id)) return *f;
  return makeFont("Times New roman", kFontBold);
}

const ImageStore::SizedFont& ImageStore::sizedFont(int64_t fontId, double size) {
  const std::pair<int64_t, double> key(fontId, size);
  auto it = sizedFonts_.find(key);
  if (it != sizedFonts_.end()) return it->second;
  if (sizedFonts_.size() >= kMaxSizedFonts) sizedFonts_.clear();
  SizedFont sf;
  sf.font = fontOrDefault(fontId);
  const long px = std::clamp(std::lround(size), 1L, static_cast<long>(kMaxGlyphPixels));
  sf.font.setPixelSize(static_cast<int>(px));
  sf.scale = size / static_cast<double>(px);
  sf.ascent = QFontMetricsF(sf.font).ascent();
  return sizedFonts_.emplace(key, std::move(sf)).first->second;
}

const QPainterPath& ImageStore::textOutline(int64_t fontId, double size,
                                            const std::string& text) {
  if (text.empty() || !(size > 0) || !std::isfinite(size)) return emptyOutline_;
  if (!font(fontId)) fontId = 0;  // every unknown handle draws in the default font
  auto it = outlines_.find(TextKeyView{fontId, size, text});
  if (it != outlines_.end()) return it->second;
  if (outlines_.size() >= kMaxOutlines) outlines_.clear();
  const SizedFont& sf = sizedFont(fontId, size);
  QPainterPath p;
  p.addText(0, sf.ascent, sf.font, QString::fromStdString(text));
  if (sf.scale != 1) p = QTransform::fromScale(sf.scale, sf.scale).map(p);
  p.setFillRule(Qt::OddEvenFill);
  return outlines_.emplace(TextKey{fontId, size, text}, std::move(p)).first->second;
}

std::string ImageStore::textPrefixWithin(int64_t fontId, double size, const std::string& text,
                                          double maxAdvance) {
  if (!(size > 0) || !std::isfinite(size) || !std::isfinite(maxAdvance)) return text;
  if (!font(fontId)) fontId = 0;
  const QString all = QString::fromStdString(text);
  if (all.isRightToLeft()) return text;
  const SizedFont& sf = sizedFont(fontId, size);
  const QFontMetricsF fm(sf.font);
  // Glyphs may overhang their advance; a few sizes of margin cover italics and swashes.
  const double limit = maxAdvance + 4 * size;
  double advance = 0;
  qsizetype end = 0;
  while (end < all.size() && advance <= limit) {
    qsizetype next = std::min(all.size(), end + kAdvanceChunk);
    if (next < all.size() && all.at(next).isLowSurrogate()) ++next;  // keep pairs whole
    advance += fm.horizontalAdvance(all.mid(end, next - end)) * sf.scale;
    end = next;
  }
  if (end >= all.size()) return text;
  return all.left(end).toStdString();
}

QSizeF ImageStore::textExtent(int64_t fontId, double size, const std::string& text) {
  if (!(size > 0) || !std::isfinite(size)) return {0, 0};
  if (!font(fontId)) fontId = 0;
  const SizedFont& sf = sizedFont(fontId, size);
  const QFontMetricsF fm(sf.font);
  const double w = text.empty() ? 0.0 : fm.horizontalAdvance(QString::fromStdString(text));
  return {w * sf.scale, fm.height() * sf.scale};
}

}  // namespace pw
