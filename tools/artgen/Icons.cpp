#include "Icons.h"

#include "Pictograms.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace art {

namespace {

const QColor kIconInk(78, 84, 98);
const QColor kIconLight(236, 238, 242);
const QColor kIconRed(210, 52, 44);

using Painter = std::function<void(QPainter &)>;

QImage icon(int size, const Painter &paint) {
  QImage img = argbImage(size, size);
  QPainter p(&img);
  paint(p);
  p.end();
  return img.convertToFormat(QImage::Format_ARGB32);
}

// Draws a polygon with one-pixel crisp edges (no antialiasing).
void crispRect(QPainter &p, int x, int y, int w, int h, const QColor &c) {
  p.fillRect(QRect(x, y, w, h), c);
}

void menuExit(QPainter &p) {
  // Door frame with the door ajar and an arrow leaving through it.
  crispRect(p, 2, 1, 8, 14, kIconInk);
  crispRect(p, 3, 2, 6, 12, kIconLight);
  crispRect(p, 4, 7, 1, 2, kIconInk); // handle
  crispRect(p, 7, 7, 4, 2, kIconRed);
  p.setRenderHint(QPainter::Antialiasing);
  QPolygonF head;
  head << QPointF(10.5, 3.5) << QPointF(15, 8) << QPointF(10.5, 12.5);
  p.setPen(Qt::NoPen);
  p.setBrush(kIconRed);
  p.drawPolygon(head);
}

void menuPhone(QPainter &p) {
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath body;
  body.addRoundedRect(QRectF(4, 0, 8, 16), 2, 2);
  p.fillPath(body, kIconInk);
  p.setRenderHint(QPainter::Antialiasing, false);
  crispRect(p, 5, 2, 6, 5, QColor(96, 156, 240));
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col)
      crispRect(p, 5 + col * 2, 9 + row * 2, 1, 1, kIconLight);
}

void menuGprs(QPainter &p) {
  drawAntenna(p, QRectF(0.5, 0.5, 15, 15), kGprsGreen, 1.6);
}

void menuCable(QPainter &p) {
  drawCableConnector(p, QRectF(2, 0, 12, 16), kCableOrange, 2.4);
}

void menuOptions(QPainter &p) {
  // Three sliders.
  const int knobX[3] = {4, 10, 6};
  for (int i = 0; i < 3; ++i) {
    const int y = 2 + i * 5;
    crispRect(p, 1, y + 1, 14, 1, QColor(130, 136, 148));
    crispRect(p, knobX[i] - 1, y - 1, 4, 5, kAccent.darker(130));
    crispRect(p, knobX[i], y, 2, 3, kAccent.lighter(120));
  }
}

void menuScreenshot(QPainter &p) {
  drawCamera(p, QRectF(1, 2.5, 14, 11), kIconInk, kAccent);
}

void menuBluetooth(QPainter &p) {
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath oval;
  oval.addRoundedRect(QRectF(2.5, 0, 11, 16), 5.5, 6);
  p.fillPath(oval, kBluetoothBlue);
  drawBluetoothRune(p, QRectF(5, 3, 6, 10), Qt::white, 1.3);
}

void menuAutoconnect(QPainter &p) {
  p.setRenderHint(QPainter::Antialiasing);
  // A circular arrow around a small plug: the program finds the port.
  QPen pen(kAccent, 1.7, Qt::SolidLine, Qt::FlatCap);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  const QRectF box(2, 2, 12, 12);
  p.drawArc(box, 100 * 16, 290 * 16);
  QPolygonF head;
  head << QPointF(6.5, 0) << QPointF(10.5, 2.8) << QPointF(6.5, 5.8);
  p.setPen(Qt::NoPen);
  p.setBrush(kAccent);
  p.drawPolygon(head);
  p.setBrush(kGprsGreen);
  p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
}

void menuFolder(QPainter &p) {
  const QColor edge(196, 140, 30), back(236, 184, 68), front(250, 208, 100);
  crispRect(p, 1, 2, 6, 2, edge);
  crispRect(p, 1, 3, 14, 11, edge);
  crispRect(p, 2, 4, 12, 9, back);
  crispRect(p, 2, 6, 12, 7, front);
  crispRect(p, 2, 6, 12, 1, QColor(255, 230, 160));
}

void menuStop(QPainter &p) {
  crispRect(p, 3, 3, 10, 10, kIconInk.darker(120));
  crispRect(p, 4, 4, 8, 8, kIconInk);
  crispRect(p, 4, 4, 8, 1, QColor(120, 126, 140));
}

void menuAbout(QPainter &p) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(kAccent.darker(125));
  p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
  p.setBrush(kAccent);
  p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
  p.setRenderHint(QPainter::Antialiasing, false);
  crispRect(p, 7, 3, 2, 2, Qt::white);
  crispRect(p, 7, 6, 2, 6, Qt::white);
  crispRect(p, 6, 6, 1, 1, Qt::white);
  crispRect(p, 6, 12, 4, 1, Qt::white);
}

void menuDisconnect(QPainter &p) {
  drawBrokenPlug(p, QRectF(0, 2, 16, 12), kIconInk, kIconRed);
}

void menuRecordPause(QPainter &p) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(kIconRed.darker(130));
  p.drawEllipse(QPointF(5, 8), 4.5, 4.5);
  p.setBrush(kIconRed);
  p.drawEllipse(QPointF(5, 8), 3.6, 3.6);
  p.setRenderHint(QPainter::Antialiasing, false);
  crispRect(p, 11, 4, 2, 8, kIconInk);
  crispRect(p, 14, 4, 2, 8, kIconInk);
}

} // namespace

void makeMenuImages(ArtSet &out) {
  const Painter painters[kMenuImageCount] = {
      menuExit,       menuPhone,      menuGprs,        menuCable,  menuOptions,
      menuScreenshot, menuBluetooth,  menuAutoconnect, menuFolder, menuStop,
      menuAbout,      menuDisconnect, menuRecordPause};
  for (int i = 0; i < kMenuImageCount; ++i)
    out.add(QStringLiteral("menu_%1.png").arg(i, 2, 10, QLatin1Char('0')),
            icon(16, painters[i]));
}

namespace {

// Tray symbol: a coloured tile with a phone and two waves of its link.
void traySymbol(QPainter &p, const QColor &colour) {
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath tile;
  tile.addRoundedRect(QRectF(0.5, 0.5, 23, 23), 5, 5);
  p.fillPath(tile, colour.darker(150));
  QPainterPath inner;
  inner.addRoundedRect(QRectF(1.5, 1.5, 21, 21), 4, 4);
  QLinearGradient g(0, 1, 0, 23);
  g.setColorAt(0, colour.lighter(130));
  g.setColorAt(1, colour);
  p.fillPath(inner, g);
  // Phone.
  QPainterPath phone;
  phone.addRoundedRect(QRectF(5, 4, 9, 16), 2, 2);
  QPainterPath screen;
  screen.addRect(QRectF(6.5, 6, 6, 6));
  p.fillPath(phone.subtracted(screen), Qt::white);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(QRect(7, 14, 5, 1), colour.darker(120));
  p.fillRect(QRect(7, 16, 5, 1), colour.darker(120));
  p.setRenderHint(QPainter::Antialiasing);
  // Waves.
  p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(11, 7, 8, 8), -50 * 16, 100 * 16);
  p.drawArc(QRectF(9, 4, 14, 14), -45 * 16, 90 * 16);
}

} // namespace

void makeTrayIcons(ArtSet &out) {
  const QColor colours[kTrayIconCount] = {kLedRed, kLedAmber.darker(108),
                                          kLedGreen, QColor(140, 145, 156)};
  for (int i = 0; i < kTrayIconCount; ++i)
    out.add(QStringLiteral("tray_%1.png").arg(i),
            icon(24, [&](QPainter &p) { traySymbol(p, colours[i]); }));
}

void makeAppIcon(ArtSet &out) {
  out.add(
      QStringLiteral("icon_app.png"), icon(64, [](QPainter &p) {
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath tile;
        tile.addRoundedRect(QRectF(2, 2, 60, 60), 14, 14);
        p.fillPath(tile.translated(0, 1), QColor(0, 0, 0, 50));
        QLinearGradient g(0, 2, 0, 62);
        g.setColorAt(0, QColor(84, 152, 244));
        g.setColorAt(1, QColor(28, 86, 196));
        p.fillPath(tile, g);
        // Phone.
        const QRectF phone(13, 11, 22, 42);
        QPainterPath body;
        body.addRoundedRect(phone, 5, 5);
        p.fillPath(body, QColor(248, 249, 252));
        const QRectF screen(16, 16, 16, 16);
        QLinearGradient sg(screen.topLeft(), screen.bottomLeft());
        sg.setColorAt(0, QColor(58, 64, 78));
        sg.setColorAt(1, QColor(36, 40, 50));
        p.fillRect(screen, sg);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(120, 200, 255));
        p.drawRoundedRect(QRectF(18, 19, 12, 3), 1.5, 1.5);
        p.drawRoundedRect(QRectF(18, 25, 8, 3), 1.5, 1.5);
        p.setBrush(QColor(150, 158, 174));
        for (int row = 0; row < 3; ++row)
          for (int col = 0; col < 3; ++col)
            p.drawEllipse(QPointF(18.5 + col * 5.5, 37 + row * 5), 1.7, 1.7);
        // Link waves.
        p.setBrush(Qt::NoBrush);
        for (int i = 0; i < 3; ++i) {
          const double r = 7 + i * 6;
          p.setPen(QPen(QColor(255, 255, 255, 255 - i * 60), 3, Qt::SolidLine,
                        Qt::RoundCap));
          p.drawArc(QRectF(37 - r, 30 - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
        }
      }));
}

} // namespace art
