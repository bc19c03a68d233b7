#include "Keypad.h"

#include "Pictograms.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <cmath>
#include <functional>

namespace art {

namespace {

// Navigation ring geometry (panel coordinates, pixel edges).
constexpr double kRingX = 90.5;
constexpr double kRingY = 38.0;
constexpr double kRingOuter = 34.0;
constexpr double kRingInner = 19.0;
constexpr double kCentreRadius = 9.5;
constexpr double kSectorGap = 2.5; // half-gap along the diagonals, scaled
constexpr double kWellRadius = 36.5;
constexpr double kClearance = 38.0; // keys next to the ring stay outside

const QColor kBodyTop(70, 74, 83);
const QColor kBodyBottom(40, 43, 49);
const QColor kFaceTop(250, 251, 253);
const QColor kFaceBottom(216, 219, 226);
const QColor kFaceEdge(118, 123, 134);
const QColor kDigitInk(36, 39, 46);
const QColor kLetterInk(108, 114, 127);

enum class Kind { Soft, CallGreen, CallRed, Arc, Centre, Digit, Side };

struct KeyArt {
  Kind kind;
  QRectF rect;      // face bounds before cutting (panel coordinates)
  int arcDirection; // Arc: 0 up, 1 right, 2 down, 3 left
  QString digit;
  QString letters;
};

QPainterPath circle(QPointF c, double r) {
  QPainterPath p;
  p.addEllipse(c, r, r);
  return p;
}

QPainterPath rect(const QRectF &r) {
  QPainterPath p;
  p.addRect(r);
  return p;
}

QPainterPath roundRect(const QRectF &r, double radius) {
  QPainterPath p;
  p.addRoundedRect(r, radius, radius);
  return p;
}

// The quarter of the plane around the ring centre for one arc, its edges
// pulled back by s from the diagonals.
QPainterPath sector(int direction, double s) {
  const double far = 200;
  QPolygonF poly;
  switch (direction) {
  case 0: // up
    poly << QPointF(0, -s) << QPointF(far, -s - far) << QPointF(-far, -s - far);
    break;
  case 1: // right
    poly << QPointF(s, 0) << QPointF(s + far, far) << QPointF(s + far, -far);
    break;
  case 2: // down
    poly << QPointF(0, s) << QPointF(-far, s + far) << QPointF(far, s + far);
    break;
  default: // left
    poly << QPointF(-s, 0) << QPointF(-s - far, -far) << QPointF(-s - far, far);
    break;
  }
  poly.translate(kRingX, kRingY);
  QPainterPath p;
  p.addPolygon(poly);
  p.closeSubpath();
  return p;
}

// The face outline of a key, shrunk by d pixels (d = 0: the outer edge).
QPainterPath keyShape(const KeyArt &k, double d) {
  const QPointF ring(kRingX, kRingY);
  const QRectF r = k.rect.adjusted(d, d, -d, -d);
  switch (k.kind) {
  case Kind::Soft:
    return roundRect(r, 8 - d)
        .subtracted(circle(ring, kClearance + d))
        .simplified();
  case Kind::CallGreen:
  case Kind::CallRed:
    return roundRect(r, 9 - d)
        .subtracted(circle(ring, kClearance + d))
        .simplified();
  case Kind::Arc:
    return circle(ring, kRingOuter - d)
        .subtracted(circle(ring, kRingInner + d))
        .intersected(sector(k.arcDirection, kSectorGap + d * std::sqrt(2.0)))
        .intersected(rect(r))
        .simplified();
  case Kind::Centre:
    return circle(ring, kCentreRadius - d);
  case Kind::Digit:
    return roundRect(r, 6 - d);
  case Kind::Side:
    return roundRect(r, r.width() / 2);
  }
  return {};
}

KeyArt artFor(const KeyDef &def) {
  const QString n = QString::fromLatin1(def.name);
  auto digit = [](int col, int row, const char *dg, const char *letters) {
    KeyArt a{Kind::Digit, QRectF(26 + 43 * col, 77 + 30 * row, 40, 27), 0,
             QString::fromUtf8(dg), QString::fromUtf8(letters)};
    return a;
  };
  if (n == "b_Left_01")
    return {Kind::Soft, QRectF(3, 4, 66, 23), 0, {}, {}};
  if (n == "B_Right_01")
    return {Kind::Soft, QRectF(113, 4, 63, 23), 0, {}, {}};
  if (n == "b_Left_02")
    return {Kind::CallGreen, QRectF(3, 32, 66, 38), 0, {}, {}};
  if (n == "B_Right_02")
    return {Kind::CallRed, QRectF(112, 32, 62, 38), 0, {}, {}};
  if (n == "B_up")
    return {Kind::Arc, QRectF(67, 3, 48, 22), 0, {}, {}};
  if (n == "B_Right")
    return {Kind::Arc, QRectF(103, 15, 23, 48), 1, {}, {}};
  if (n == "B_Down")
    return {Kind::Arc, QRectF(67, 51, 48, 22), 2, {}, {}};
  if (n == "b_Left")
    return {Kind::Arc, QRectF(56, 16, 21, 45), 3, {}, {}};
  if (n == "b_Centr")
    return {Kind::Centre, QRectF(80, 28, 20, 20), 0, {}, {}};
  if (n == "b_Left_03")
    return {Kind::Side, QRectF(6, 77, 13, 70), 0, {}, {}};
  if (n == "b_Left_04")
    return {Kind::Side, QRectF(6, 150, 13, 44), 0, {}, {}};
  if (n == "B_Right_03")
    return {Kind::Side, QRectF(159, 77, 13, 57), 0, {}, {}};
  if (n == "B_Right_04")
    return {Kind::Side, QRectF(159, 137, 13, 57), 0, {}, {}};
  if (n == "B_01")
    return digit(0, 0, "1", "");
  if (n == "B_02")
    return digit(1, 0, "2", "abc");
  if (n == "B_03")
    return digit(2, 0, "3", "def");
  if (n == "B_04")
    return digit(0, 1, "4", "ghi");
  if (n == "B_05")
    return digit(1, 1, "5", "jkl");
  if (n == "B_06")
    return digit(2, 1, "6", "mno");
  if (n == "B_07")
    return digit(0, 2, "7", "pqrs");
  if (n == "B_08")
    return digit(1, 2, "8", "tuv");
  if (n == "B_09")
    return digit(2, 2, "9", "wxyz");
  if (n == "B_0z")
    return digit(0, 3, "*", "+");
  if (n == "B_00")
    return digit(1, 3, "0", "\u2423");
  if (n == "B_0s")
    return digit(2, 3, "#", "");
  fail(QStringLiteral("no artwork for key %1").arg(n));
  return {Kind::Digit, QRectF(), 0, {}, {}};
}

// Voicemail sign: two rings joined along their bottoms.
void drawVoicemail(QPainter &p, QPointF c, double w, const QColor &color) {
  const double r = w * 0.22;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QPen pen(color, 1.3);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  const QPointF a = c + QPointF(-w / 2 + r, 0), b = c + QPointF(w / 2 - r, 0);
  p.drawEllipse(a, r, r);
  p.drawEllipse(b, r, r);
  p.drawLine(a + QPointF(0, r), b + QPointF(0, r));
  p.restore();
}

void drawDigitLabel(QPainter &p, const KeyArt &k) {
  const QFont big = uiFont("Verdana", 14, true);
  const QFont small = uiFont("Verdana", 8);
  const QFontMetricsF fb(big), fs(small);
  const double digitW = fb.horizontalAdvance(k.digit);
  const bool voicemail = k.digit == "1";
  const double lettersW = voicemail ? 12 : fs.horizontalAdvance(k.letters);
  const double gap = (k.letters.isEmpty() && !voicemail) ? 0 : 3;
  const double total = digitW + gap + lettersW;
  const double x0 = std::round(k.rect.center().x() - total / 2);
  if (total > k.rect.width() - 6)
    fail(QStringLiteral("key label %1 %2 too wide").arg(k.digit, k.letters));
  // Digit baseline puts the figure in the optical middle of the key.
  const double capH = fb.tightBoundingRect(QStringLiteral("8")).height();
  const double base = std::round(k.rect.center().y() + capH / 2);
  p.save();
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setFont(big);
  p.setPen(kDigitInk);
  p.drawText(QPointF(x0, base), k.digit);
  if (voicemail) {
    drawVoicemail(p, QPointF(x0 + digitW + gap + 6, base - 3.5), 12,
                  kLetterInk);
  } else if (!k.letters.isEmpty()) {
    p.setFont(small);
    p.setPen(kLetterInk);
    p.drawText(QPointF(x0 + digitW + gap, base), k.letters);
  }
  p.restore();
}

void drawArrow(QPainter &p, int direction, const QColor &color) {
  // Small filled triangle pointing away from the centre, in the arc middle.
  const double mid = (kRingOuter + kRingInner) / 2;
  const double angle = (direction - 1) * M_PI / 2; // 0 = right
  const double ux = std::cos(angle), uy = std::sin(angle);
  const QPointF c(kRingX + ux * mid, kRingY + uy * mid);
  const QPointF tip = c + QPointF(ux, uy) * 3.5;
  const QPointF side(-uy, ux);
  QPolygonF tri;
  tri << tip << c - QPointF(ux, uy) * 2.5 + side * 4.5
      << c - QPointF(ux, uy) * 2.5 - side * 4.5;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPolygon(tri);
  p.restore();
}

void paintFace(QPainter &p, const KeyArt &k, const QColor &top,
               const QColor &bottom, const QColor &edge) {
  const QPainterPath outer = keyShape(k, 0);
  const QPainterPath inner = keyShape(k, 1);
  const QRectF b = outer.boundingRect();
  p.fillPath(outer, edge);
  QLinearGradient g(b.topLeft(), b.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.fillPath(inner, g);
  // A one-pixel light line along the top of the face.
  QPainterPath sheen = inner.subtracted(inner.translated(0, 1));
  p.fillPath(sheen, QColor(255, 255, 255, 150));
}

void paintKey(QPainter &p, const KeyArt &k, const QString &name) {
  switch (k.kind) {
  case Kind::Centre: {
    paintFace(p, k, QColor(86, 150, 240), QColor(30, 92, 196),
              QColor(22, 64, 146));
    drawFittedText(p, k.rect.adjusted(2, 3, -2, -3), QStringLiteral("OK"),
                   uiFont("Verdana", 8, true), QColor(244, 247, 252));
    break;
  }
  default:
    paintFace(p, k, kFaceTop, kFaceBottom, kFaceEdge);
    break;
  }
  switch (k.kind) {
  case Kind::Soft: {
    // A short dash, as soft keys carry on the phone.
    const QRectF bb = keyShape(k, 0).boundingRect();
    const double cx = name.startsWith('b') ? bb.left() + 22 : bb.right() - 22;
    p.fillRect(QRectF(cx - 6, 14, 12, 2), QColor(120, 126, 138));
    break;
  }
  case Kind::CallGreen:
    drawHandset(p, QPointF(26.5, 51.5), 22, -32, QColor(34, 160, 66));
    break;
  case Kind::CallRed:
    drawHandset(p, QPointF(154.5, 53), 22, 0, QColor(214, 44, 40));
    break;
  case Kind::Arc:
    drawArrow(p, k.arcDirection, QColor(92, 98, 110));
    break;
  case Kind::Digit:
    drawDigitLabel(p, k);
    break;
  case Kind::Side: {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = k.rect.center();
    const QColor ink(112, 118, 130);
    if (name == "b_Left_03") { // menu: three short lines
      for (int i = -1; i <= 1; ++i)
        p.fillRect(QRectF(c.x() - 3.5, c.y() + i * 4 - 0.5, 7, 1.5), ink);
    } else if (name == "b_Left_04") { // a small ring
      p.setPen(QPen(ink, 1.4));
      p.drawEllipse(c, 3, 3);
    } else if (name == "B_Right_03") {
      drawFittedText(p, QRectF(c.x() - 6, c.y() - 7, 12, 14),
                     QStringLiteral("C"), uiFont("Verdana", 10, true), ink);
    } else { // lower right: letters mode, written along the key
      p.translate(c);
      p.rotate(-90);
      drawFittedText(p, QRectF(-14, -6, 28, 12), QStringLiteral("ABC"),
                     uiFont("Verdana", 8, true), ink);
    }
    p.restore();
    break;
  }
  case Kind::Centre:
    break;
  }
}

} // namespace

const std::vector<KeyDef> &keyTable() {
  static const std::vector<KeyDef> keys = {
      {"B_Right_01", 112, 3, 65, 26, 66, 29, true},
      {"B_Right_02", 111, 31, 64, 42, 66, 44, true},
      {"b_Left_01", 2, 1, 70, 28, 68, 29, false},
      {"b_Left_02", 2, 29, 70, 42, 68, 44, false},
      {"b_Left", 55, 15, 23, 49, 24, 47, false},
      {"b_Left_03", 3, 76, 21, 72, 23, 74, true},
      {"B_01", 25, 76, 42, 29, 44, 31, true},
      {"b_Left_04", 3, 149, 21, 46, 23, 48, true},
      {"B_Right", 102, 14, 26, 52, 25, 50, false},
      {"B_Down", 66, 50, 52, 24, 50, 25, false},
      {"B_02", 68, 76, 43, 29, 44, 31, true},
      {"B_03", 111, 76, 42, 29, 44, 31, true},
      {"B_04", 25, 106, 42, 29, 44, 31, true},
      {"B_05", 68, 106, 42, 29, 44, 31, true},
      {"B_06", 111, 106, 42, 29, 44, 31, true},
      {"B_Right_03", 154, 76, 21, 59, 23, 61, true},
      {"B_07", 25, 136, 42, 29, 44, 31, true},
      {"B_08", 68, 136, 42, 29, 44, 31, true},
      {"B_09", 111, 136, 42, 29, 44, 31, true},
      {"B_0z", 25, 166, 42, 29, 44, 31, true},
      {"B_00", 68, 166, 42, 29, 44, 31, true},
      {"B_0s", 111, 166, 42, 29, 44, 31, true},
      {"B_Right_04", 154, 136, 21, 59, 23, 61, true},
      {"B_up", 66, 2, 52, 24, 50, 25, false},
      {"b_Centr", 79, 27, 22, 22, 24, 24, true},
  };
  return keys;
}

void makeKeypad(const QImage &workzone, ArtSet &out) {
  QImage pad =
      workzone.copy(kKeypadLeft, kKeypadTop, kKeypadWidth, kKeypadHeight);
  {
    QPainter p(&pad);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF bodyRect(0, 0, kKeypadWidth, kKeypadHeight);
    QPainterPath body;
    body.addRoundedRect(bodyRect, 12, 12);
    p.fillPath(body, QColor(30, 32, 37)); // outline
    QPainterPath inside;
    inside.addRoundedRect(bodyRect.adjusted(1, 1, -1, -1), 11, 11);
    QLinearGradient g(0, 0, 0, kKeypadHeight);
    g.setColorAt(0, kBodyTop);
    g.setColorAt(1, kBodyBottom);
    p.fillPath(inside, g);
    // Light catches the upper rim of the body.
    p.fillPath(inside.subtracted(inside.translated(0, 1)),
               QColor(120, 126, 138));
    // The navigation ring sits in a shallow round well.
    const QPointF ring(kRingX, kRingY);
    QRadialGradient well(ring, kWellRadius);
    well.setColorAt(0, QColor(34, 36, 41));
    well.setColorAt(0.85, QColor(40, 43, 49));
    well.setColorAt(1, QColor(52, 56, 63));
    p.setPen(Qt::NoPen);
    p.setBrush(well);
    p.drawEllipse(ring, kWellRadius, kWellRadius);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(92, 97, 108), 1));
    p.drawArc(QRectF(ring - QPointF(kWellRadius, kWellRadius),
                     QSizeF(2 * kWellRadius, 2 * kWellRadius)),
              200 * 16, 140 * 16);

    for (const KeyDef &def : keyTable())
      paintKey(p, artFor(def), QString::fromLatin1(def.name));
  }

  // Keep every face off pure white, then cut the glyphs.
  for (const KeyDef &def : keyTable()) {
    const QImage m =
        faceMask(kKeypadWidth, kKeypadHeight, keyShape(artFor(def), 0));
    keepOffWhite(pad, m);
  }
  out.add(QStringLiteral("keypad.png"), pad);
  for (const KeyDef &def : keyTable()) {
    QPainterPath shape = keyShape(artFor(def), 0);
    shape.translate(-def.left, -def.top);
    const QImage m = faceMask(def.glyphWidth, def.glyphHeight, shape);
    out.addGlyph(
        QStringLiteral("key_%1.png").arg(def.name),
        cutGlyph(pad, def.left, def.top, def.glyphWidth, def.glyphHeight, m));
  }
}

void checkKeypad(const ArtSet &set) {
  const QImage &pad = set[QStringLiteral("keypad.png")];
  // Face masks in panel coordinates, for the overlap test.
  std::vector<QImage> faces;
  for (const KeyDef &def : keyTable()) {
    const QString file = QStringLiteral("key_%1.png").arg(def.name);
    auto it = set.glyphs.find(file);
    if (it == set.glyphs.end()) {
      fail(file + " missing");
      continue;
    }
    const Glyph &g = it->second;
    QImage panelMask(kKeypadWidth, kKeypadHeight, QImage::Format_Grayscale8);
    panelMask.fill(0);
    int facePixels = 0;
    for (int y = 0; y < g.mask.height(); ++y)
      for (int x = 0; x < g.mask.width(); ++x) {
        if (!maskAt(g.mask, x, y))
          continue;
        ++facePixels;
        if (x >= def.width || y >= def.height)
          fail(QStringLiteral("%1: face pixel %2,%3 outside the %4 x %5 button")
                   .arg(file)
                   .arg(x)
                   .arg(y)
                   .arg(def.width)
                   .arg(def.height));
        const int px = def.left + x, py = def.top + y;
        if (px >= kKeypadWidth || py >= kKeypadHeight ||
            (pad.pixel(px, py) | 0xFF000000u) !=
                (g.image.pixel(x, y) | 0xFF000000u))
          fail(QStringLiteral("%1: face pixel %2,%3 differs from keypad.png")
                   .arg(file)
                   .arg(x)
                   .arg(y));
        else
          panelMask.scanLine(py)[px] = 255;
      }
    if (facePixels < 100)
      fail(QStringLiteral("%1: face has only %2 pixels")
               .arg(file)
               .arg(facePixels));
    faces.push_back(panelMask);
  }
  // The one-pixel band a button draws around its face must not reach into
  // another key's face.
  for (size_t i = 0; i < faces.size(); ++i) {
    const QImage band = grow(faces[i]);
    for (size_t j = 0; j < faces.size(); ++j) {
      if (i == j)
        continue;
      for (int y = 0; y < kKeypadHeight; ++y)
        for (int x = 0; x < kKeypadWidth; ++x)
          if (maskAt(band, x, y) && maskAt(faces[j], x, y)) {
            fail(QStringLiteral("keys %1 and %2 touch at %3,%4")
                     .arg(keyTable()[i].name)
                     .arg(keyTable()[j].name)
                     .arg(x)
                     .arg(y));
            y = kKeypadHeight;
            break;
          }
    }
  }
}

} // namespace art
