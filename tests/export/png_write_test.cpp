// The PNG encoder of the image export: its files decode to exactly the pixels of Qt's own PNG
// writer, for premultiplied renders with every alpha and for straight-alpha images.
#include "export/png_write.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <random>
#include <string>

#include "render/image_decode.h"

namespace pw {
namespace {

QImage decodePng(const std::string& bytes) {
  QImage img;
  EXPECT_TRUE(img.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                               static_cast<int>(bytes.size()), "PNG"));
  return img;
}

QImage decodePng(const QByteArray& bytes) {
  return decodePng(std::string(bytes.constData(), static_cast<size_t>(bytes.size())));
}

QByteArray qtPng(const QImage& img) {
  QByteArray out;
  QBuffer buf(&out);
  buf.open(QIODevice::WriteOnly);
  EXPECT_TRUE(img.save(&buf, "PNG"));
  return out;
}

// Random premultiplied pixels: every alpha, colour channels no larger than it.
QImage noise(int w, int h, unsigned seed) {
  std::mt19937 rng(seed);
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < h; ++y) {
    auto* p = reinterpret_cast<uint32_t*>(img.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const uint32_t a = rng() % 4 == 0 ? 0 : rng() % 256;
      const auto c = [&] { return a == 0 ? 0u : static_cast<uint32_t>(rng() % (a + 1)); };
      p[x] = a << 24 | c() << 16 | c() << 8 | c();
    }
  }
  return img;
}

// A render-like picture: transparent background, antialiased shapes, translucent overlaps.
QImage scene(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(200, 40, 30, 255));
  p.drawEllipse(QRectF(5.3, 7.1, w * 0.6, h * 0.5));
  p.setBrush(QColor(20, 90, 250, 120));
  p.setPen(QPen(QColor(10, 200, 10, 77), 3.5));
  p.drawRoundedRect(QRectF(w * 0.3, h * 0.2, w * 0.6, h * 0.7), 9, 9);
  return img;
}

TEST(PngWrite, DecodesToTheSamePixelsAsQtsWriter) {
  struct Case {
    const char* what;
    QImage img;
  } const cases[] = {
      {"noise", noise(97, 31, 1)},
      {"noise over many bands of rows", noise(13, 100, 5)},
      {"one pixel", noise(1, 1, 2)},
      {"one column", noise(1, 50, 3)},
      {"scene", scene(320, 200)},
      {"straight alpha", noise(40, 40, 4).convertToFormat(QImage::Format_ARGB32)},
      {"transparent", [] {
         QImage i(64, 48, QImage::Format_ARGB32_Premultiplied);
         i.fill(Qt::transparent);
         return i;
       }()},
  };
  for (const Case& c : cases) {
    std::string ours;
    ASSERT_TRUE(encodePng(c.img, ours)) << c.what;
    EXPECT_TRUE(pngChunksIntact(ours)) << c.what;
    const QImage mine = decodePng(ours);
    const QImage qt = decodePng(qtPng(c.img));
    ASSERT_EQ(mine.size(), c.img.size()) << c.what;
    EXPECT_EQ(mine.convertToFormat(QImage::Format_ARGB32), qt.convertToFormat(QImage::Format_ARGB32))
        << c.what;
  }
}

TEST(PngWrite, NullImagesAreRefused) {
  std::string out = "stale";
  EXPECT_FALSE(encodePng(QImage(), out));
  EXPECT_TRUE(out.empty());
}

TEST(PngWrite, OnlyAWholeFileIsACompletePng) {
  QImage img(40, 30, QImage::Format_ARGB32_Premultiplied);
  img.fill(qRgba(10, 200, 30, 255));
  std::string bytes;
  ASSERT_TRUE(encodePng(img, bytes));
  const std::string path = ::testing::TempDir() + "penwick-complete-png-test.png";
  const auto check = [&](const std::string& data) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
    return isCompletePng(path);
  };
  EXPECT_TRUE(check(bytes));
  EXPECT_FALSE(check(bytes.substr(0, bytes.size() - 1)));  // cut inside IEND
  EXPECT_FALSE(check(bytes.substr(0, bytes.size() - 12)));  // IEND missing
  EXPECT_FALSE(check(bytes.substr(0, bytes.size() / 2)));   // cut inside the data
  EXPECT_FALSE(check(bytes + "x"));                         // something after IEND
  EXPECT_FALSE(check(""));
  EXPECT_FALSE(check("GIF89a"));
  std::string badSignature = bytes;
  badSignature[1] = 'X';
  EXPECT_FALSE(check(badSignature));
  std::remove(path.c_str());
  EXPECT_FALSE(isCompletePng(path));  // no file
}

}  // namespace
}  // namespace pw
