// Loading picture files: each file decoded once while a handle holds it, size-only stores that
// never decode, damaged PNG files refused before the decoder sees them, special files refused.
#include "render/image_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "render/image_decode.h"
#include "support/paths.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

std::string sunPath() { return std::string(pw::test::sourceDir()) + "/examples/sun.png"; }

std::string bytesOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Folder {
  std::string path;
  Folder() {
    char tmpl[] = "/tmp/pw_images_XXXXXX";
    const char* p = ::mkdtemp(tmpl);
    EXPECT_NE(p, nullptr);
    path = p ? p : "/tmp/pw_images_failed";
  }
  ~Folder() { fs::remove_all(path); }
  std::string write(const std::string& name, const std::string& bytes) const {
    const std::string f = path + "/" + name;
    std::ofstream(f, std::ios::binary) << bytes;
    return f;
  }
};

TEST(ImageStoreFiles, OneFileIsDecodedOnceForAllItsHandles) {
  ImageStore store;
  const int64_t first = store.loadImage(sunPath());
  ASSERT_NE(first, 0);
  const uchar* pixels = store.image(first)->constBits();
  for (int k = 0; k < 60; ++k) {
    const int64_t id = store.loadImage(sunPath());
    ASSERT_NE(id, 0);
    EXPECT_NE(id, first);
    EXPECT_EQ(store.image(id)->constBits(), pixels) << k;
  }
  // A handle freed leaves the others whole, and the pixels match a fresh decode.
  store.freeImage(first);
  EXPECT_FALSE(store.isImage(first));
  const QImage direct =
      QImage(QString::fromStdString(sunPath())).convertToFormat(QImage::Format_ARGB32_Premultiplied);
  EXPECT_EQ(*store.image(first + 1), direct);
}

TEST(ImageStoreFiles, AChangedFileIsReadAgain) {
  Folder dir;
  const std::string f = dir.write("pic.png", bytesOf(sunPath()));
  ImageStore store;
  const int64_t a = store.loadImage(f);
  ASSERT_NE(a, 0);
  QImage small(3, 2, QImage::Format_ARGB32);
  small.fill(Qt::red);
  ASSERT_TRUE(small.save(QString::fromStdString(f), "PNG"));
  const int64_t b = store.loadImage(f);
  int w = 0, h = 0;
  ASSERT_TRUE(store.imageSize(b, w, h));
  EXPECT_EQ(QSize(w, h), QSize(3, 2));
  ASSERT_TRUE(store.imageSize(a, w, h));
  EXPECT_EQ(QSize(w, h), store.image(a)->size());
}

TEST(ImageStoreFiles, SizeOnlyStoreNeverDecodes) {
  ImageStore sizes(ImageStore::Pixels::kSizeOnly);
  ImageStore pixels;
  const int64_t s = sizes.loadImage(sunPath());
  const int64_t p = pixels.loadImage(sunPath());
  ASSERT_NE(s, 0);
  ASSERT_NE(p, 0);
  EXPECT_EQ(sizes.image(s), nullptr);
  int sw = 0, sh = 0, pw = 0, ph = 0, fw = 0, fh = 0;
  ASSERT_TRUE(sizes.imageSize(s, sw, sh));
  ASSERT_TRUE(pixels.imageSize(p, pw, ph));
  ASSERT_TRUE(pixels.imageFileSize(sunPath(), fw, fh));
  EXPECT_EQ(QSize(sw, sh), QSize(pw, ph));
  EXPECT_EQ(QSize(fw, fh), QSize(pw, ph));
}

// The sun with one byte of a chunk changed, or cut short.
TEST(ImageStoreFiles, DamagedPngFilesAreRefusedBeforeDecoding) {
  const std::string good = bytesOf(sunPath());
  ASSERT_TRUE(pngChunksIntact(good));
  // IHDR data starts at 16, IDAT data at 8 + 25 + 8 = 41.
  std::string badHeader = good, badData = good;
  badHeader[20] ^= 1;
  badData[60] ^= 0x40;
  // An ancillary chunk with a bad CRC is skipped by the decoder, so the file still loads.
  std::string withText = good.substr(0, 33) + std::string("\0\0\0\2tEXtab\0\0\0\0", 14) + good.substr(33);
  struct Case {
    const char* what;
    std::string bytes;
    bool loads;
  } const cases[] = {
      {"intact", good, true},
      {"cut in the image data", good.substr(0, 300), false},
      {"cut before the end chunk", good.substr(0, good.size() - 12), false},
      {"damaged header", badHeader, false},
      {"damaged image data", badData, false},
      {"ancillary chunk with a bad CRC", withText, true},
      {"signature only", good.substr(0, 8), false},
      {"no PNG", "GIF89a", false},
  };
  Folder dir;
  for (const Case& c : cases) {
    EXPECT_EQ(pngChunksIntact(c.bytes), c.loads) << c.what;
    const std::string f = dir.write("x.png", c.bytes);
    for (const auto use : {ImageStore::Pixels::kDecode, ImageStore::Pixels::kSizeOnly}) {
      ImageStore store(use);
      EXPECT_EQ(store.loadImage(f) != 0, c.loads) << c.what;
    }
  }
}

TEST(ImageStoreFiles, OnlyRegularFilesAreRead) {
  Folder dir;
  const std::string fifo = dir.path + "/pipe.png";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ImageStore store;
  int w = 0, h = 0;
  EXPECT_EQ(store.loadImage(fifo), 0);
  EXPECT_FALSE(store.imageFileSize(fifo, w, h));
  EXPECT_EQ(store.loadImage(dir.path), 0);
  EXPECT_EQ(store.loadImage(""), 0);
}

}  // namespace
}  // namespace pw

namespace pw {
namespace {

// Releasing a font drops its handle and what was made from it; other fonts keep theirs.
TEST(ImageStoreFonts, FreedFontIsGoneAndOthersStay) {
  ImageStore store;
  const int64_t a = store.loadFont("arial", 20, 0);
  const int64_t b = store.loadFont("arial", 20, 256);
  ASSERT_TRUE(store.isFont(a));
  ASSERT_TRUE(store.isFont(b));
  const QPainterPath pa = store.textOutline(a, 20, "Ab");
  const QPainterPath pb = store.textOutline(b, 20, "Ab");
  ASSERT_FALSE(pa.isEmpty());
  const uint64_t gen = store.generation();
  store.freeFont(a);
  EXPECT_FALSE(store.isFont(a));
  EXPECT_TRUE(store.isFont(b));
  EXPECT_GT(store.generation(), gen);
  EXPECT_EQ(store.font(a), nullptr);
  EXPECT_EQ(store.textOutline(b, 20, "Ab"), pb);
  store.freeFont(a);  // an unknown handle is ignored
  store.freeFont(999);
  EXPECT_TRUE(store.isFont(b));
  // A new handle is never an old one again.
  EXPECT_NE(store.loadFont("arial", 20, 0), a);
}

}  // namespace
}  // namespace pw
