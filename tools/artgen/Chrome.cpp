#include "Chrome.h"

#include "Pictograms.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <cmath>
#include <functional>

namespace art {

namespace {

constexpr int kBarWidth = 611;
constexpr int kBarHeight = 48;
constexpr int kZoneWidth = 611;
constexpr int kZoneHeight = 595;

// The last two rows of the bar lie under (or over) the first two rows of the
// work area, so both pictures paint them alike.
const QColor kSeamRule = kRule;
const QColor kSeamShadow(203, 206, 213);

const QColor kSurface(225, 227, 233);
const QColor kCard(247, 248, 250);
const QColor kCardBorder(203, 206, 214);

// Indicator badges, in control-bar coordinates.
const QRectF kBadgeCable(227, 10, 27, 23);
const QRectF kBadgeBluetooth(265, 10, 27, 23);
const QRectF kBadgeGprs(303, 10, 27, 23);
const QPointF kLedCentre(205.5, 21.5);
constexpr double kLedRadius = 8.5;

enum class link { Cable, Bluetooth, Gprs };

QPainterPath badgePath(const QRectF &r) {
  QPainterPath p;
  p.addRoundedRect(r, 5, 5);
  return p;
}

QColor linkColour(link l) {
  switch (l) {
  case link::Cable:
    return kCableOrange;
  case link::Bluetooth:
    return kBluetoothBlue;
  case link::Gprs:
    return kGprsGreen;
  }
  return kAccent;
}

// One link badge: full colour on the bar, grey on its indicator button.
void paintBadge(QPainter &p, const QRectF &r, link link, bool colour) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const QPainterPath outer = badgePath(r);
  QPainterPath inner;
  inner.addRoundedRect(r.adjusted(1, 1, -1, -1), 4, 4);
  const QColor base = linkColour(link);
  QColor top, bottom, edge, ink;
  if (colour) {
    top = base.lighter(135);
    bottom = base;
    edge = base.darker(150);
    ink = QColor(255, 255, 255);
  } else {
    top = QColor(214, 216, 222);
    bottom = QColor(186, 189, 198);
    edge = QColor(150, 155, 166);
    ink = QColor(247, 248, 250);
  }
  p.fillPath(outer, edge);
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.fillPath(inner, g);
  p.fillPath(inner.subtracted(inner.translated(0, 1)),
             QColor(255, 255, 255, colour ? 90 : 120));
  const QPointF c = r.center();
  switch (link) {
  case link::Cable:
    drawCableConnector(p, QRectF(c.x() - 6, c.y() - 7.5, 12, 15), ink, 2.4);
    break;
  case link::Bluetooth:
    drawBluetoothRune(p, QRectF(c.x() - 4.5, c.y() - 7.5, 9, 15), ink, 1.8);
    break;
  case link::Gprs:
    drawAntenna(p, QRectF(c.x() - 8, c.y() - 8, 16, 16), ink, 1.8);
    break;
  }
  p.restore();
}

void paintLed(QPainter &p, QPointF c, double r, const QColor &colour) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  // A faint ring of shade around the dot seats it in the bar.
  p.setBrush(QColor(0, 0, 0, 28));
  p.drawEllipse(c + QPointF(0, 0.5), r + 1.5, r + 1.5);
  p.setBrush(colour.darker(165));
  p.drawEllipse(c, r, r);
  QRadialGradient body(c + QPointF(0, r * 0.35), r);
  body.setColorAt(0, colour.lighter(125));
  body.setColorAt(0.7, colour);
  body.setColorAt(1, colour.darker(125));
  p.setBrush(body);
  p.drawEllipse(c, r - 1.2, r - 1.2);
  // Gloss.
  QLinearGradient gloss(c - QPointF(0, r), c);
  gloss.setColorAt(0, QColor(255, 255, 255, 210));
  gloss.setColorAt(1, QColor(255, 255, 255, 20));
  p.setBrush(gloss);
  p.drawEllipse(QRectF(c.x() - r * 0.6, c.y() - r * 0.86, r * 1.2, r * 0.8));
  p.restore();
}

// Etched vertical separator.
void separator(QPainter &p, int x, int y0, int y1) {
  p.fillRect(QRect(x, y0, 1, y1 - y0), QColor(182, 186, 196));
  p.fillRect(QRect(x + 1, y0, 1, y1 - y0), QColor(246, 247, 250));
}

// Recessed tray behind a group of controls.
void tray(QPainter &p, const QRectF &r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath outer;
  outer.addRoundedRect(r, 7, 7);
  // Light lower lip, darker upper edge: the tray reads as pressed in.
  p.fillPath(outer.translated(0, 1), QColor(246, 247, 250));
  p.fillPath(outer, QColor(184, 188, 198));
  QPainterPath inner;
  inner.addRoundedRect(r.adjusted(1, 1, -1, -1), 6, 6);
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, QColor(205, 208, 216));
  g.setColorAt(0.25, QColor(214, 216, 223));
  g.setColorAt(1, QColor(222, 224, 230));
  p.fillPath(inner, g);
  p.restore();
}

// The control bar and the work area form one block on the white window:
// a one-pixel border, rounded at the block's outer corners. The rectangle is
// extended past the picture so that only the wanted corners are round.
void frameBlock(QPainter &p, const QRectF &r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath all;
  all.addRect(r.adjusted(-30, -30, 30, 30));
  QPainterPath inside;
  inside.addRoundedRect(r, 6, 6);
  p.fillPath(all.subtracted(inside), Qt::white);
  p.setPen(QPen(QColor(184, 188, 198), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 5.5, 5.5);
  p.restore();
}

QImage barBase() {
  QImage img = rgbImage(kBarWidth, kBarHeight, kChromeBottom);
  QPainter p(&img);
  QLinearGradient g(0, 1, 0, 46);
  g.setColorAt(0, kChromeTop);
  g.setColorAt(1, kChromeBottom);
  p.fillRect(QRect(0, 0, kBarWidth, 46), g);
  p.fillRect(QRect(0, 1, kBarWidth, 1), kChromeHighlight);
  p.fillRect(QRect(0, 46, kBarWidth, 1), kSeamRule);
  p.fillRect(QRect(0, 47, kBarWidth, 1), kSeamShadow);

  frameBlock(p, QRectF(0, 0, kBarWidth, kBarHeight + 20));
  separator(p, 183, 9, 38);
  separator(p, 362, 9, 38);
  separator(p, 460, 9, 38);
  tray(p, QRectF(187.5, 4.5, 150, 35));
  tray(p, QRectF(486.5, 4.5, 106, 35));
  p.end();
  return img;
}

void paintBarIcons(QImage &bar) {
  QPainter p(&bar);
  paintBadge(p, kBadgeCable, link::Cable, true);
  paintBadge(p, kBadgeBluetooth, link::Bluetooth, true);
  paintBadge(p, kBadgeGprs, link::Gprs, true);
}

// A light rounded face as the control-bar buttons have it.
void paintButtonFace(QPainter &p, const QPainterPath &outer,
                     const QPainterPath &inner) {
  const QRectF b = outer.boundingRect();
  p.fillPath(outer, QColor(146, 152, 165));
  QLinearGradient g(b.topLeft(), b.bottomLeft());
  g.setColorAt(0, QColor(253, 253, 254));
  g.setColorAt(0.5, QColor(240, 242, 245));
  g.setColorAt(1, QColor(222, 225, 231));
  p.fillPath(inner, g);
  p.fillPath(inner.subtracted(inner.translated(0, 1)), QColor(255, 255, 255));
}

Glyph glyphFromPainted(const QImage &painted, const QPainterPath &face) {
  const QImage mask = faceMask(painted.width(), painted.height(), face);
  return cutGlyph(painted, 0, 0, painted.width(), painted.height(), mask);
}

Glyph roundedButton(int w, int h, double radius,
                    const std::function<void(QPainter &, QRectF)> &picto) {
  QImage img = rgbImage(w, h, Qt::white);
  const QRectF r(1, 1, w - 2, h - 2);
  QPainterPath outer, inner;
  outer.addRoundedRect(r, radius, radius);
  inner.addRoundedRect(r.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    paintButtonFace(p, outer, inner);
    picto(p, r);
  }
  return glyphFromPainted(img, outer);
}

// Round recorder button: a circle of diameter 23 whose centre lies at
// control-bar row 21.5, horizontally centred in the glyph.
Glyph roundButton(const BarButton &b,
                  const std::function<void(QPainter &, QPointF)> &picto) {
  QImage img = rgbImage(b.width, b.height, Qt::white);
  const QPointF c(std::floor(b.width / 2.0) - 0.5 + (b.width % 2 ? 1 : 0),
                  21.5 - b.top);
  const double radius = 11.5;
  QPainterPath outer, inner;
  outer.addEllipse(c, radius, radius);
  inner.addEllipse(c, radius - 1, radius - 1);
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    paintButtonFace(p, outer, inner);
    picto(p, c);
  }
  return glyphFromPainted(img, outer);
}

Glyph indicatorGlyph(const BarButton &b, const QRectF &badge, link link) {
  QImage img = rgbImage(b.width, b.height, Qt::white);
  const QRectF r = badge.translated(-b.left, -b.top);
  {
    QPainter p(&img);
    paintBadge(p, r, link, false);
  }
  return glyphFromPainted(img, badgePath(r));
}

const QColor kPictoInk(62, 67, 78);

} // namespace

const std::vector<BarButton> &barButtons() {
  static const std::vector<BarButton> list = {
      {"btn_connect.png", 16, 5, 83, 37},
      {"btn_disconnect.png", 107, 5, 70, 37},
      {"btn_screenshot.png", 391, 5, 41, 37},
      {"btn_record.png", 490, 8, 28, 27},
      {"btn_pause.png", 523, 8, 29, 26},
      {"btn_stop.png", 557, 8, 31, 29},
  };
  return list;
}

const std::vector<BarButton> &barIndicators() {
  static const std::vector<BarButton> list = {
      {"ind_cable.png", 224, 8, 33, 28},
      {"ind_bluetooth.png", 263, 7, 32, 28},
      {"ind_gprs.png", 301, 8, 35, 26},
  };
  return list;
}

void makeControlBar(ArtSet &out) {
  const QImage base = barBase();
  QImage bar = base;
  paintBarIcons(bar);
  {
    QPainter p(&bar);
    paintLed(p, kLedCentre, kLedRadius, kLedRed);
  }
  out.add(QStringLiteral("controlbar.png"), bar);

  // LEDs: the dot on the bar's own background at that place.
  const QColor leds[3] = {kLedRed, kLedAmber, kLedGreen};
  for (int i = 0; i < 3; ++i) {
    QImage led = base.copy(kLedRect);
    QPainter p(&led);
    paintLed(p, kLedCentre - kLedRect.topLeft(), kLedRadius, leds[i]);
    p.end();
    out.add(QStringLiteral("led_%1.png").arg(i), led);
  }

  const auto &btn = barButtons();
  out.addGlyph(
      QString::fromLatin1(btn[0].file),
      roundedButton(btn[0].width, btn[0].height, 8, [](QPainter &p, QRectF r) {
        // Plug and word centred as one group.
        const QFont f = uiFont("Verdana", 11);
        const QString text = QStringLiteral("Connect");
        const double tw = QFontMetricsF(f).horizontalAdvance(text);
        const double plugW = 18, gap = 4;
        const double x0 = std::round(r.center().x() - (plugW + gap + tw) / 2);
        drawPlug(p, QRectF(x0, 12, plugW, 13), kAccent);
        drawFittedText(
            p,
            QRectF(x0 + plugW + gap, 6, r.right() - 3 - (x0 + plugW + gap), 25),
            text, f, kInk, Qt::AlignLeft | Qt::AlignVCenter);
      }));
  out.addGlyph(
      QString::fromLatin1(btn[1].file),
      roundedButton(btn[1].width, btn[1].height, 8, [](QPainter &p, QRectF r) {
        drawBrokenPlug(p, QRectF(r.center().x() - 21, 10.5, 42, 15), kInkSoft,
                       QColor(226, 80, 40));
      }));
  out.addGlyph(
      QString::fromLatin1(btn[2].file),
      roundedButton(btn[2].width, btn[2].height, 8, [](QPainter &p, QRectF r) {
        drawCamera(p, QRectF(r.center().x() - 11, r.center().y() - 8.5, 22, 17),
                   kPictoInk, kAccent);
      }));
  out.addGlyph(QString::fromLatin1(btn[3].file),
               roundButton(btn[3], [](QPainter &p, QPointF c) {
                 p.setPen(Qt::NoPen);
                 p.setBrush(QColor(150, 20, 20));
                 p.drawEllipse(c, 5.5, 5.5);
                 QRadialGradient g(c + QPointF(-1.5, -2), 6);
                 g.setColorAt(0, QColor(255, 120, 110));
                 g.setColorAt(1, QColor(214, 32, 30));
                 p.setBrush(g);
                 p.drawEllipse(c, 4.6, 4.6);
               }));
  out.addGlyph(QString::fromLatin1(btn[4].file),
               roundButton(btn[4], [](QPainter &p, QPointF c) {
                 p.fillRect(QRectF(c.x() - 4, c.y() - 5, 3, 10), kPictoInk);
                 p.fillRect(QRectF(c.x() + 1, c.y() - 5, 3, 10), kPictoInk);
               }));
  out.addGlyph(QString::fromLatin1(btn[5].file),
               roundButton(btn[5], [](QPainter &p, QPointF c) {
                 p.fillRect(QRectF(c.x() - 4.5, c.y() - 4.5, 9, 9), kPictoInk);
               }));

  const auto &ind = barIndicators();
  out.addGlyph(QString::fromLatin1(ind[0].file),
               indicatorGlyph(ind[0], kBadgeCable, link::Cable));
  out.addGlyph(QString::fromLatin1(ind[1].file),
               indicatorGlyph(ind[1], kBadgeBluetooth, link::Bluetooth));
  out.addGlyph(QString::fromLatin1(ind[2].file),
               indicatorGlyph(ind[2], kBadgeGprs, link::Gprs));
}

namespace {

void card(QPainter &p, const QRectF &r, double radius, const QColor &top,
          const QColor &bottom) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath shadow;
  shadow.addRoundedRect(r.translated(0, 1), radius, radius);
  p.fillPath(shadow, QColor(210, 212, 219));
  QPainterPath outer;
  outer.addRoundedRect(r, radius, radius);
  p.fillPath(outer, kCardBorder);
  QPainterPath inner;
  inner.addRoundedRect(r.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.fillPath(inner, g);
  p.restore();
}

// A white field sunk into the surface: one-pixel border around the field
// rectangle and a soft shadow inside along its top and left edges.
void sunkenField(QPainter &p, const QRect &field) {
  p.fillRect(field.adjusted(-1, -1, 1, 1), kFieldBorder);
  p.fillRect(field, Qt::white);
  const QColor shade[3] = {QColor(214, 217, 224), QColor(232, 234, 239),
                           QColor(245, 246, 248)};
  for (int i = 2; i >= 0; --i) {
    p.fillRect(QRect(field.left(), field.top() + i, field.width(), 1),
               shade[i]);
    p.fillRect(QRect(field.left() + i, field.top() + i, 1, field.height() - i),
               mix(shade[i], Qt::white, 0.45));
  }
}

} // namespace

void makeWorkzone(ArtSet &out) {
  QImage img = rgbImage(kZoneWidth, kZoneHeight, kSurface);
  QPainter p(&img);
  p.fillRect(QRect(0, 0, kZoneWidth, 1), kSeamRule);
  p.fillRect(QRect(0, 1, kZoneWidth, 1), kSeamShadow);
  p.fillRect(QRect(0, 2, kZoneWidth, 1), mix(kSeamShadow, kSurface, 0.5));
  frameBlock(p, QRectF(0, -20, kZoneWidth, kZoneHeight + 20));

  // Phone card on the left: model name, 1:1 screen and keypad.
  card(p, QRectF(7, 6, 198, 452), 16, QColor(248, 249, 251),
       QColor(236, 238, 242));
  // Zoom card on the right: caption, zoomed screen and status text.
  card(p, QRectF(225, 6, 376, 452), 8, kCard, QColor(241, 242, 246));
  // Quick text card at the bottom.
  card(p, QRectF(7, 467, 594, 125), 8, kCard, QColor(241, 242, 246));

  // A small camera lens at the phone's top, left of the model name.
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(196, 200, 208));
  p.drawEllipse(QPointF(33.5, 16.5), 4, 4);
  p.setBrush(QColor(72, 78, 92));
  p.drawEllipse(QPointF(33.5, 16.5), 2.6, 2.6);
  p.setBrush(QColor(150, 176, 220));
  p.drawEllipse(QPointF(32.8, 15.8), 0.9, 0.9);
  p.setRenderHint(QPainter::Antialiasing, false);

  sunkenField(p, QRect(18, 25, 176, 208));
  sunkenField(p, QRect(236, 25, 352, 416));
  sunkenField(p, QRect(16, 494, 576, 70));

  // A soft contact shadow under the keypad picture.
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath pad;
  pad.addRoundedRect(QRectF(17, 244, 178, 198), 12, 12);
  p.fillPath(pad, QColor(200, 203, 211));
  p.end();
  out.add(QStringLiteral("workzone.png"), img);
}

void makeQuickTextCover(ArtSet &out) {
  QImage img = rgbImage(580, 74, QColor(255, 0, 255));
  QPainter p(&img);
  p.fillRect(QRect(1, 1, 578, 72), kFieldBorder);
  const QRect inside(2, 2, 576, 70);
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    const bool dark = ((y - inside.top()) / 3) % 2 == 1;
    p.fillRect(QRect(inside.left(), y, inside.width(), 1),
               dark ? QColor(234, 236, 240) : QColor(242, 243, 246));
  }
  // Soft shade along the top and left edges, as on the other fields.
  p.fillRect(QRect(2, 2, 576, 1), QColor(218, 221, 227));
  p.fillRect(QRect(2, 2, 1, 70), QColor(226, 228, 233));
  QFont f = uiFont("Verdana", 12);
  f.setItalic(true);
  drawFittedText(p, QRectF(inside), QStringLiteral("Quick text is off"), f,
                 QColor(146, 151, 163));
  p.end();
  out.add(QStringLiteral("quicktext_cover.png"), img);
}

void makeSplash(ArtSet &out) {
  QImage img = rgbImage(500, 300, QColor(211, 213, 220));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient bg(0, 0, 0, 300);
  bg.setColorAt(0, QColor(240, 241, 245));
  bg.setColorAt(1, QColor(211, 213, 220));
  p.fillRect(img.rect(), bg);

  const QRectF phone(52, 96, 66, 132);
  const QRectF monitor(104, 44, 156, 112);

  // Faint rings: the radio link, spreading from the phone.
  const QPointF phoneCentre = phone.center();
  p.setBrush(Qt::NoBrush);
  for (int i = 0; i < 4; ++i) {
    const double r = 96 + i * 46;
    p.setPen(QPen(QColor(40, 110, 220, 22 - i * 4), 8));
    p.drawEllipse(phoneCentre, r, r);
  }

  // Monitor behind the phone, showing the phone's screen enlarged, with
  // the pointer about to press something.
  QPainterPath mon;
  mon.addRoundedRect(monitor, 8, 8);
  p.fillPath(mon.translated(0, 3), QColor(0, 0, 0, 28));
  QLinearGradient mg(monitor.topLeft(), monitor.bottomLeft());
  mg.setColorAt(0, QColor(74, 79, 90));
  mg.setColorAt(1, QColor(52, 56, 65));
  p.fillPath(mon, mg);
  const QRectF monScreen = monitor.adjusted(7, 7, -7, -15);
  QLinearGradient ms(monScreen.topLeft(), monScreen.bottomLeft());
  ms.setColorAt(0, QColor(104, 166, 244));
  ms.setColorAt(1, QColor(38, 98, 208));
  p.fillRect(monScreen, ms);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 70));
  p.drawRect(QRectF(monScreen.left(), monScreen.top(), monScreen.width(), 9));
  for (int i = 0; i < 4; ++i) {
    p.setBrush(QColor(255, 255, 255, i == 1 ? 245 : 190));
    p.drawRoundedRect(QRectF(monScreen.left() + 24,
                             monScreen.top() + 17 + i * 16,
                             monScreen.width() - 36, 10),
                      3, 3);
  }
  // The pointer.
  QPolygonF arrow;
  const QPointF tip(monScreen.left() + 98, monScreen.top() + 38);
  arrow << tip << tip + QPointF(0, 15) << tip + QPointF(3.6, 11.6)
        << tip + QPointF(6.5, 17.5) << tip + QPointF(9, 16.3)
        << tip + QPointF(6.2, 10.6) << tip + QPointF(11, 10.6);
  p.setPen(QPen(QColor(30, 34, 44), 1.1));
  p.setBrush(Qt::white);
  p.drawPolygon(arrow);
  p.setPen(Qt::NoPen);
  p.fillRect(QRectF(monitor.center().x() - 11, monitor.bottom(), 22, 10),
             QColor(92, 97, 108));
  p.setBrush(QColor(70, 75, 86));
  p.drawRoundedRect(
      QRectF(monitor.center().x() - 32, monitor.bottom() + 9, 64, 7), 3, 3);

  // The phone in front.
  QPainterPath ph;
  ph.addRoundedRect(phone, 15, 15);
  p.fillPath(ph.translated(3, 5), QColor(0, 0, 0, 40));
  QLinearGradient pg(phone.topLeft(), phone.topRight());
  pg.setColorAt(0, QColor(78, 83, 94));
  pg.setColorAt(1, QColor(42, 45, 52));
  p.fillPath(ph, pg);
  p.fillPath(ph.subtracted(ph.translated(0, 1.2)), QColor(140, 146, 158));
  const QRectF scr(phone.left() + 8, phone.top() + 17, phone.width() - 16, 52);
  QLinearGradient sg(scr.topLeft(), scr.bottomLeft());
  sg.setColorAt(0, QColor(110, 172, 246));
  sg.setColorAt(1, QColor(40, 104, 214));
  p.fillRect(scr, sg);
  for (int i = 0; i < 3; ++i) {
    p.setBrush(QColor(255, 255, 255, i == 1 ? 245 : 200));
    p.drawRoundedRect(
        QRectF(scr.left() + 5, scr.top() + 8 + i * 13, scr.width() - 10, 7),
        2.5, 2.5);
  }
  p.setBrush(QColor(64, 68, 78));
  p.drawRoundedRect(QRectF(phone.center().x() - 9, phone.top() + 7, 18, 4), 2,
                    2);
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 3; ++col) {
      p.setBrush(QColor(226, 229, 235));
      p.drawRoundedRect(QRectF(phone.left() + 9 + col * 17,
                               phone.top() + 78 + row * 12, 14, 8),
                        3, 3);
    }

  // Name, version and a short line.
  drawFittedText(p, QRectF(280, 78, 210, 52), QStringLiteral("Quorvane"),
                 uiFont("Verdana", 36, true), QColor(36, 40, 50),
                 Qt::AlignLeft | Qt::AlignVCenter);
  drawFittedText(p, QRectF(283, 128, 60, 24), QStringLiteral("v1.0"),
                 uiFont("Verdana", 16, true), kAccent,
                 Qt::AlignLeft | Qt::AlignVCenter);
  drawFittedText(p, QRectF(283, 160, 200, 40),
                 QStringLiteral("Your phone,\non your desktop."),
                 uiFont("Verdana", 13), kInkSoft, Qt::AlignLeft | Qt::AlignTop);

  // Footer line with the home-page address in the link area.
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(QRect(0, 255, 500, 1), QColor(190, 194, 204));
  p.fillRect(QRect(0, 256, 500, 1), QColor(246, 247, 250));
  QFont link = uiFont("Verdana", 12);
  link.setUnderline(true);
  drawFittedText(p, QRectF(167, 263, 224, 29),
                 QStringLiteral("www.quorvane.example"), link, kAccent);
  p.end();
  out.add(QStringLiteral("splash.png"), img);
}

void checkChrome(const ArtSet &set) {
  const QImage &bar = set[QStringLiteral("controlbar.png")];
  const QImage base = barBase();

  // Every coloured badge pixel lies under its grey indicator's button shape.
  QImage covered(bar.size(), QImage::Format_Grayscale8);
  covered.fill(0);
  for (const BarButton &b : barIndicators()) {
    auto it = set.glyphs.find(QString::fromLatin1(b.file));
    if (it == set.glyphs.end())
      continue;
    const QImage region = grow(it->second.mask);
    for (int y = 0; y < b.height; ++y)
      for (int x = 0; x < b.width; ++x)
        if (maskAt(region, x, y))
          covered.scanLine(b.top + y)[b.left + x] = 255;
  }
  for (int y = 0; y < bar.height(); ++y)
    for (int x = 0; x < bar.width(); ++x) {
      if (kLedRect.contains(x, y))
        continue;
      if (bar.pixel(x, y) != base.pixel(x, y) && !maskAt(covered, x, y)) {
        fail(QStringLiteral("controlbar.png: icon pixel %1,%2 not covered by "
                            "an indicator")
                 .arg(x)
                 .arg(y));
        return;
      }
    }
  // led_0 is what the bar shows there before any image is set.
  if (set[QStringLiteral("led_0.png")] != bar.copy(kLedRect))
    fail(QStringLiteral("led_0.png differs from the control bar at the LED"));
  // The LEDs differ from the bar only in the dot.
  for (int i = 0; i < 3; ++i) {
    const QImage &led = set[QStringLiteral("led_%1.png").arg(i)];
    const QPointF c = kLedCentre - kLedRect.topLeft();
    for (int y = 0; y < led.height(); ++y)
      for (int x = 0; x < led.width(); ++x) {
        const double d = std::hypot(x + 0.5 - c.x(), y + 0.5 - c.y());
        if (d > kLedRadius + 3 &&
            led.pixel(x, y) !=
                base.pixel(x + kLedRect.left(), y + kLedRect.top())) {
          fail(QStringLiteral("led_%1.png: background differs from the bar")
                   .arg(i));
          y = led.height();
          break;
        }
      }
  }
  // The quick-text cover's outer frame is magenta.
  const QImage &cover = set[QStringLiteral("quicktext_cover.png")];
  for (int x = 0; x < cover.width(); ++x)
    for (int y : {0, cover.height() - 1})
      if ((cover.pixel(x, y) & 0xFFFFFF) != 0xFF00FF) {
        fail(QStringLiteral("quicktext_cover.png: frame is not magenta"));
        return;
      }
  for (int y = 0; y < cover.height(); ++y)
    for (int x : {0, cover.width() - 1})
      if ((cover.pixel(x, y) & 0xFFFFFF) != 0xFF00FF) {
        fail(QStringLiteral("quicktext_cover.png: frame is not magenta"));
        return;
      }
}

} // namespace art
