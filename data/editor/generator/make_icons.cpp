// Draws the editor's icon files: the tool buttons (25 x 25), the point buttons, the layer list
// row backgrounds (150 x 25), the eye and lock marks and the layer buttons.
//
//   cmake --build <build> --target penwick_icons && <build>/penwick_icons data/editor
//
// Everything is drawn from geometry (no fonts), four times larger and then reduced, so the
// output is the same on every machine.
#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kScale = 4;
const QColor kInk(40, 44, 52);
const QColor kShapeFill(220, 220, 120);
const QColor kAccent(40, 110, 200);
const QColor kGreen(40, 150, 60);
const QColor kRed(200, 50, 40);

using Painter = std::function<void(QPainter&)>;

// Draws at kScale times the size in target-pixel coordinates, then reduces.
QImage draw(int w, int h, const QColor& background, const Painter& paint) {
  QImage big(w * kScale, h * kScale, QImage::Format_ARGB32_Premultiplied);
  big.fill(background);
  {
    QPainter p(&big);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(kScale, kScale);
    paint(p);
  }
  return big.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QPen pen(const QColor& c, double w) {
  QPen p(c, w);
  p.setCapStyle(Qt::RoundCap);
  p.setJoinStyle(Qt::RoundJoin);
  return p;
}

// An arrow head at `tip` pointing along the direction from `from` to `tip`.
void arrowHead(QPainter& p, QPointF from, QPointF tip, double len, const QColor& c) {
  const double a = std::atan2(tip.y() - from.y(), tip.x() - from.x());
  const double spread = 0.55;
  QPolygonF head;
  head << tip << QPointF(tip.x() - len * std::cos(a - spread), tip.y() - len * std::sin(a - spread))
       << QPointF(tip.x() - len * std::cos(a + spread), tip.y() - len * std::sin(a + spread));
  p.setPen(pen(c, 1.0));
  p.setBrush(c);
  p.drawPolygon(head);
}

void arrow(QPainter& p, QPointF from, QPointF tip, const QColor& c, double width = 2.0) {
  const double a = std::atan2(tip.y() - from.y(), tip.x() - from.x());
  const QPointF shaftEnd(tip.x() - 3.5 * std::cos(a), tip.y() - 3.5 * std::sin(a));
  p.setPen(pen(c, width));
  p.drawLine(from, shaftEnd);
  arrowHead(p, from, tip, 5.0, c);
}

// A square anchor mark as the canvas draws points.
void anchor(QPainter& p, QPointF c, double r = 1.8, const QColor& fill = Qt::white) {
  p.setPen(pen(kInk, 1.0));
  p.setBrush(fill);
  p.drawRect(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r));
}

void roundHandle(QPainter& p, QPointF c) {
  p.setPen(pen(kInk, 1.0));
  p.setBrush(kAccent);
  p.drawEllipse(c, 1.8, 1.8);
}

void plusSign(QPainter& p, QPointF c, double r, const QColor& col) {
  p.setPen(pen(col, 2.4));
  p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
  p.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));
}

void minusSign(QPainter& p, QPointF c, double r, const QColor& col) {
  p.setPen(pen(col, 2.4));
  p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
}

// A small open path with an anchor in its middle (the point tools).
void pathWithPoint(QPainter& p) {
  QPainterPath path(QPointF(3, 20));
  path.cubicTo(QPointF(5, 10), QPointF(10, 12), QPointF(12, 14));
  path.cubicTo(QPointF(14, 16), QPointF(17, 20), QPointF(21, 21));
  p.setPen(pen(kInk, 1.6));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
  anchor(p, QPointF(12, 14), 2.2, kAccent);
}

const QColor kClear(0, 0, 0, 0);

struct IconFile {
  const char* name;
  int w, h;
  QColor background;
  Painter paint;
};

const IconFile kIcons[] = {
    {"move.png", 25, 25, kClear,
     [](QPainter& p) {
       const QPointF c(12.5, 12.5);
       arrow(p, c, QPointF(12.5, 1.5), kAccent);
       arrow(p, c, QPointF(12.5, 23.5), kAccent);
       arrow(p, c, QPointF(1.5, 12.5), kAccent);
       arrow(p, c, QPointF(23.5, 12.5), kAccent);
       p.setPen(pen(kInk, 1));
       p.setBrush(Qt::white);
       p.drawEllipse(c, 2.2, 2.2);
     }},
    {"rotate.png", 25, 25, kClear,
     [](QPainter& p) {
       // A clockwise arc from the top round to the upper left, with its head there.
       const double r = 8.5;
       p.setPen(pen(kAccent, 2.4));
       p.setBrush(Qt::NoBrush);
       p.drawArc(QRectF(12.5 - r, 12.5 - r, 2 * r, 2 * r), 90 * 16, -280 * 16);
       const double a = 170.0 * M_PI / 180.0;
       const QPointF end(12.5 + r * std::cos(a), 12.5 - r * std::sin(a));
       const QPointF dir(std::sin(a), std::cos(a));  // clockwise travel on screen
       arrowHead(p, end - dir * 3.0, end + dir * 3.0, 6.5, kAccent);
       p.setPen(pen(kInk, 1));
       p.setBrush(Qt::white);
       p.drawEllipse(QPointF(12.5, 12.5), 2.0, 2.0);
     }},
    {"scale.png", 25, 25, kClear,
     [](QPainter& p) {
       p.setPen(pen(kInk, 1.4));
       p.setBrush(kShapeFill);
       p.drawRect(QRectF(2.5, 13.5, 9, 9));
       QPen dash = pen(kInk, 1.2);
       dash.setDashPattern({2, 1.5});
       p.setPen(dash);
       p.setBrush(Qt::NoBrush);
       p.drawRect(QRectF(2.5, 2.5, 20, 20));
       arrow(p, QPointF(9, 16), QPointF(21, 4), kAccent);
     }},
    {"addpt.png", 25, 25, kClear,
     [](QPainter& p) {
       pathWithPoint(p);
       plusSign(p, QPointF(18.5, 6.5), 4.5, kGreen);
     }},
    {"delpt.png", 25, 25, kClear,
     [](QPainter& p) {
       pathWithPoint(p);
       minusSign(p, QPointF(18.5, 6.5), 4.5, kRed);
     }},
    {"select.png", 25, 25, kClear,
     [](QPainter& p) {
       QPolygonF cursor;
       cursor << QPointF(6, 2) << QPointF(6, 20) << QPointF(10.2, 16) << QPointF(13.2, 22.8)
              << QPointF(16.4, 21.4) << QPointF(13.4, 14.8) << QPointF(19, 14.5);
       p.setPen(pen(kInk, 1.4));
       p.setBrush(Qt::white);
       p.drawPolygon(cursor);
     }},
    {"zoom.png", 25, 25, kClear,
     [](QPainter& p) {
       p.setPen(pen(kInk, 3.2));
       p.drawLine(QPointF(15.5, 15.5), QPointF(22, 22));
       p.setPen(pen(kInk, 1.8));
       p.setBrush(QColor(215, 235, 255));
       p.drawEllipse(QPointF(10, 10), 7, 7);
       plusSign(p, QPointF(10, 10), 3.5, kAccent);
     }},
    {"pan.png", 25, 25, kClear,
     [](QPainter& p) {
       QPainterPath hand;
       hand.addRoundedRect(QRectF(6, 11, 13, 11), 4, 4);
       const double fingerX[] = {6.2, 9.4, 12.6, 15.8};
       const double fingerTop[] = {6, 3, 3.5, 6};
       for (int i = 0; i < 4; ++i)
         hand.addRoundedRect(QRectF(fingerX[i], fingerTop[i], 3, 15 - fingerTop[i]), 1.5, 1.5);
       QPainterPath thumb;
       thumb.moveTo(17, 16);
       thumb.lineTo(21.5, 11);
       thumb.lineTo(23, 12.5);
       thumb.lineTo(19, 19);
       thumb.closeSubpath();
       hand = hand.united(thumb).simplified();
       p.setPen(pen(kInk, 1.3));
       p.setBrush(QColor(250, 225, 195));
       p.drawPath(hand);
     }},
    {"shape.png", 25, 25, kClear,
     [](QPainter& p) {
       QPainterPath blob(QPointF(12.5, 2.5));
       blob.cubicTo(QPointF(19, 2), QPointF(23, 8), QPointF(20, 12));
       blob.cubicTo(QPointF(17.5, 15), QPointF(23, 19), QPointF(18, 22.5));
       blob.cubicTo(QPointF(13, 25), QPointF(10, 18), QPointF(6, 21));
       blob.cubicTo(QPointF(1, 23), QPointF(1, 12), QPointF(4, 9));
       blob.cubicTo(QPointF(6, 6), QPointF(8, 3), QPointF(12.5, 2.5));
       p.setPen(pen(kInk, 1.4));
       p.setBrush(kShapeFill);
       p.drawPath(blob);
       anchor(p, QPointF(12.5, 2.5));
       anchor(p, QPointF(20, 12));
       anchor(p, QPointF(6, 21));
     }},
    {"box.png", 25, 25, kClear,
     [](QPainter& p) {
       p.setPen(pen(kInk, 1.4));
       p.setBrush(kShapeFill);
       p.drawRect(QRectF(3.5, 5.5, 18, 14));
     }},
    {"boxround.png", 25, 25, kClear,
     [](QPainter& p) {
       p.setPen(pen(kInk, 1.4));
       p.setBrush(kShapeFill);
       p.drawRoundedRect(QRectF(3.5, 5.5, 18, 14), 5, 5);
     }},
    {"circle.png", 25, 25, kClear,
     [](QPainter& p) {
       p.setPen(pen(kInk, 1.4));
       p.setBrush(kShapeFill);
       p.drawEllipse(QPointF(12.5, 12.5), 9.5, 9.5);
     }},
    {"line.png", 25, 25, kClear,
     [](QPainter& p) {
       p.setPen(pen(kInk, 2.0));
       p.drawLine(QPointF(4, 21), QPointF(21, 4));
       anchor(p, QPointF(4, 21), 2.2);
       anchor(p, QPointF(21, 4), 2.2);
     }},
    {"curve.png", 25, 25, kClear,
     [](QPainter& p) {
       QPainterPath s(QPointF(3, 20));
       s.cubicTo(QPointF(3, 4), QPointF(22, 21), QPointF(22, 5));
       p.setPen(pen(kInk, 2.0));
       p.setBrush(Qt::NoBrush);
       p.drawPath(s);
       anchor(p, QPointF(3, 20), 2.2);
       anchor(p, QPointF(22, 5), 2.2);
     }},
    {"image.png", 25, 25, kClear,
     [](QPainter& p) {
       const QRectF frame(2.5, 4.5, 20, 16);
       p.setPen(Qt::NoPen);
       p.setBrush(QColor(150, 205, 245));
       p.drawRect(frame);
       p.setBrush(QColor(250, 210, 50));
       p.drawEllipse(QPointF(17, 9), 2.5, 2.5);
       QPolygonF hills;
       hills << QPointF(2.5, 20.5) << QPointF(9, 11) << QPointF(13, 16) << QPointF(16, 13)
             << QPointF(22.5, 20.5);
       p.setBrush(QColor(70, 160, 70));
       p.drawPolygon(hills);
       p.setPen(pen(kInk, 1.4));
       p.setBrush(Qt::NoBrush);
       p.drawRect(frame);
     }},
    {"text.png", 25, 25, kClear,
     [](QPainter& p) {
       // A serif capital T from rectangles.
       QPainterPath t;
       t.addRect(QRectF(4, 3, 17, 3.2));
       t.addRect(QRectF(4, 3, 2.4, 6));
       t.addRect(QRectF(18.6, 3, 2.4, 6));
       t.addRect(QRectF(10.8, 3, 3.4, 17.5));
       t.addRect(QRectF(8, 19.5, 9, 2.5));
       t = t.simplified();
       p.setPen(Qt::NoPen);
       p.setBrush(kInk);
       p.drawPath(t);
     }},
    {"properties.png", 25, 25, kClear,
     [](QPainter& p) {
       for (int i = 0; i < 3; ++i) {
         const double y = 6 + i * 6;
         anchor(p, QPointF(5, y), 1.8, i == 0 ? kAccent : QColor(Qt::white));
         p.setPen(pen(kInk, 2.0));
         p.drawLine(QPointF(9.5, y), QPointF(20.5, y));
       }
       QPolygonF tri;
       tri << QPointF(15, 21) << QPointF(22, 21) << QPointF(18.5, 24.5);
       p.setPen(Qt::NoPen);
       p.setBrush(kInk);
       p.drawPolygon(tri);
     }},
    {"hard.png", 25, 25, kClear,
     [](QPainter& p) {
       p.setPen(pen(kInk, 2.0));
       p.setBrush(Qt::NoBrush);
       QPolygonF corner;
       corner << QPointF(3, 21) << QPointF(12.5, 5) << QPointF(22, 21);
       p.drawPolyline(corner);
       anchor(p, QPointF(12.5, 5), 2.6, kAccent);
     }},
    {"soft.png", 25, 25, kClear,
     [](QPainter& p) {
       QPainterPath arc(QPointF(3, 21));
       arc.cubicTo(QPointF(4, 8), QPointF(8, 6), QPointF(12.5, 6));
       arc.cubicTo(QPointF(17, 6), QPointF(21, 8), QPointF(22, 21));
       p.setPen(pen(kInk, 2.0));
       p.setBrush(Qt::NoBrush);
       p.drawPath(arc);
       p.setPen(pen(kAccent, 1.0));
       p.drawLine(QPointF(4, 6), QPointF(21, 6));
       roundHandle(p, QPointF(4, 6));
       roundHandle(p, QPointF(21, 6));
       anchor(p, QPointF(12.5, 6), 2.6, Qt::white);
     }},
    // Layer list.
    {"layer.jpg", 150, 25, QColor(205, 205, 205),
     [](QPainter& p) {
       QLinearGradient g(0, 0, 0, 25);
       g.setColorAt(0, QColor(232, 232, 232));
       g.setColorAt(1, QColor(200, 200, 200));
       p.fillRect(QRectF(0, 0, 150, 25), g);
       p.fillRect(QRectF(0, 24, 150, 1), QColor(140, 140, 140));
       p.fillRect(QRectF(22, 3, 1, 19), QColor(170, 170, 170));
     }},
    {"layerSel.jpg", 150, 25, QColor(150, 190, 235),
     [](QPainter& p) {
       QLinearGradient g(0, 0, 0, 25);
       g.setColorAt(0, QColor(185, 215, 250));
       g.setColorAt(1, QColor(135, 180, 235));
       p.fillRect(QRectF(0, 0, 150, 25), g);
       p.fillRect(QRectF(0, 24, 150, 1), QColor(70, 110, 170));
       p.fillRect(QRectF(0, 0, 3, 25), QColor(40, 90, 180));
       p.fillRect(QRectF(22, 3, 1, 19), QColor(110, 150, 210));
     }},
    {"layerbtn1.jpg", 20, 20, QColor(236, 236, 236),
     [](QPainter& p) {
       p.setPen(pen(kInk, 1.0));
       p.setBrush(QColor(200, 215, 235));
       p.drawRect(QRectF(5.5, 2.5, 10, 7));
       p.setBrush(QColor(230, 238, 248));
       p.drawRect(QRectF(2.5, 5.5, 10, 7));
       plusSign(p, QPointF(13.5, 14), 4, kGreen);
     }},
    {"layerbtn2.jpg", 20, 20, QColor(236, 236, 236),
     [](QPainter& p) {
       p.setPen(pen(kInk, 1.0));
       p.setBrush(QColor(200, 215, 235));
       p.drawRect(QRectF(5.5, 2.5, 10, 7));
       p.setBrush(QColor(230, 238, 248));
       p.drawRect(QRectF(2.5, 5.5, 10, 7));
       minusSign(p, QPointF(13.5, 14.5), 4, kRed);
     }},
    {"layerEye.jpg", 15, 9, QColor(250, 250, 250),
     [](QPainter& p) {
       QPainterPath eye(QPointF(1, 4.5));
       eye.quadTo(QPointF(7.5, -2.5), QPointF(14, 4.5));
       eye.quadTo(QPointF(7.5, 11.5), QPointF(1, 4.5));
       p.setPen(pen(kInk, 1.1));
       p.setBrush(Qt::white);
       p.drawPath(eye);
       p.setPen(Qt::NoPen);
       p.setBrush(kAccent);
       p.drawEllipse(QPointF(7.5, 4.5), 2.6, 2.6);
       p.setBrush(kInk);
       p.drawEllipse(QPointF(7.5, 4.5), 1.1, 1.1);
     }},
    {"locked.png", 12, 14, kClear,
     [](QPainter& p) {
       p.setPen(pen(kInk, 1.6));
       p.setBrush(Qt::NoBrush);
       p.drawArc(QRectF(2.8, 1, 6.4, 8), 0, 180 * 16);
       p.drawLine(QPointF(2.8, 5), QPointF(2.8, 7));
       p.drawLine(QPointF(9.2, 5), QPointF(9.2, 7));
       p.setPen(pen(kInk, 1.0));
       p.setBrush(QColor(235, 180, 40));
       p.drawRoundedRect(QRectF(1, 6.5, 10, 7), 1.2, 1.2);
       p.setPen(Qt::NoPen);
       p.setBrush(kInk);
       p.drawEllipse(QPointF(6, 9.5), 1.1, 1.1);
       p.drawRect(QRectF(5.5, 9.5, 1, 2.5));
     }},
    {"up.png", 20, 20, kClear,
     [](QPainter& p) { arrow(p, QPointF(10, 17.5), QPointF(10, 2.5), kAccent, 3.0); }},
    {"down.png", 20, 20, kClear,
     [](QPainter& p) { arrow(p, QPointF(10, 2.5), QPointF(10, 17.5), kAccent, 3.0); }},
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!out.exists() && !QDir().mkpath(out.path())) {
    std::fprintf(stderr, "cannot create %s\n", argv[1]);
    return 1;
  }
  int failures = 0;
  for (const IconFile& icon : kIcons) {
    const QImage img = draw(icon.w, icon.h, icon.background, icon.paint);
    const QString path = out.filePath(QString::fromLatin1(icon.name));
    const bool jpeg = path.endsWith(QLatin1String(".jpg"));
    const bool ok = jpeg ? img.convertToFormat(QImage::Format_RGB32).save(path, "JPEG", 95)
                         : img.save(path, "PNG");
    if (!ok) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
