#include "Pictograms.h"

#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QTransform>

#include <cmath>

namespace art {

namespace {

QPainterPath strokeOf(const QPainterPath &path, double width,
                      Qt::PenCapStyle cap = Qt::RoundCap,
                      Qt::PenJoinStyle join = Qt::RoundJoin) {
  QPainterPathStroker s;
  s.setWidth(width);
  s.setCapStyle(cap);
  s.setJoinStyle(join);
  return s.createStroke(path);
}

// Maps unit coordinates (0..1) into r.
QPointF at(const QRectF &r, double ux, double uy) {
  return {r.left() + ux * r.width(), r.top() + uy * r.height()};
}

} // namespace

void drawHandset(QPainter &p, QPointF c, double size, double angle,
                 const QColor &color) {
  // Unit handset, length 1, centred at the origin.
  QPainterPath handle;
  handle.moveTo(-0.34, 0.04);
  handle.quadTo(0.0, -0.30, 0.34, 0.04);
  QPainterPath shape = strokeOf(handle, 0.17, Qt::FlatCap);
  QPainterPath piece;
  piece.addRoundedRect(QRectF(-0.14, -0.09, 0.28, 0.20), 0.08, 0.08);
  QTransform left;
  left.translate(-0.36, 0.10);
  left.rotate(-28);
  QTransform right;
  right.translate(0.36, 0.10);
  right.rotate(28);
  shape = shape.united(left.map(piece)).united(right.map(piece));
  shape = shape.simplified();

  QTransform t;
  t.translate(c.x(), c.y());
  t.rotate(angle);
  t.scale(size, size);
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.fillPath(t.map(shape), color);
  p.restore();
}

void drawPlug(QPainter &p, const QRectF &r, const QColor &color) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const double h = r.height();
  // Cable.
  p.fillRect(QRectF(at(r, 0.0, 0.5) - QPointF(0, h * 0.08),
                    QSizeF(r.width() * 0.3, h * 0.16)),
             color);
  // Body, slightly narrower towards the cable.
  QPainterPath body;
  body.moveTo(at(r, 0.26, 0.3));
  body.lineTo(at(r, 0.4, 0.04));
  body.lineTo(at(r, 0.66, 0.04));
  body.lineTo(at(r, 0.66, 0.96));
  body.lineTo(at(r, 0.4, 0.96));
  body.lineTo(at(r, 0.26, 0.7));
  body.closeSubpath();
  p.fillPath(body, color);
  // Prongs.
  const double pw = h * 0.15;
  for (double y : {0.28, 0.72})
    p.fillRect(QRectF(at(r, 0.66, y) - QPointF(0, pw / 2),
                      QSizeF(r.width() * 0.34, pw)),
               color);
  p.restore();
}

void drawBrokenPlug(QPainter &p, const QRectF &r, const QColor &color,
                    const QColor &spark) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const double h = r.height();
  // Plug on the left, pointing right.
  QPainterPath cable;
  cable.moveTo(at(r, 0.0, 0.5));
  cable.lineTo(at(r, 0.12, 0.5));
  p.fillPath(strokeOf(cable, h * 0.14, Qt::FlatCap), color);
  QPainterPath plug;
  plug.addRoundedRect(QRectF(at(r, 0.1, 0.24), at(r, 0.3, 0.76)), h * 0.1,
                      h * 0.1);
  p.fillPath(plug, color);
  const double pw = h * 0.12;
  p.fillRect(QRectF(at(r, 0.3, 0.37) - QPointF(0, pw / 2),
                    QSizeF(r.width() * 0.12, pw)),
             color);
  p.fillRect(QRectF(at(r, 0.3, 0.63) - QPointF(0, pw / 2),
                    QSizeF(r.width() * 0.12, pw)),
             color);
  // Socket on the right, with its cable leaving to the right.
  QPainterPath socket;
  socket.addRoundedRect(QRectF(at(r, 0.62, 0.24), at(r, 0.86, 0.76)), h * 0.1,
                        h * 0.1);
  QPainterPath holes;
  holes.addRect(QRectF(at(r, 0.62, 0.37) - QPointF(0, pw / 2),
                       QSizeF(r.width() * 0.1, pw)));
  holes.addRect(QRectF(at(r, 0.62, 0.63) - QPointF(0, pw / 2),
                       QSizeF(r.width() * 0.1, pw)));
  p.fillPath(socket.subtracted(holes), color);
  QPainterPath cable2;
  cable2.moveTo(at(r, 0.86, 0.5));
  cable2.lineTo(at(r, 1.0, 0.5));
  p.fillPath(strokeOf(cable2, h * 0.14, Qt::FlatCap), color);
  // Spark.
  QPainterPath bolt;
  bolt.moveTo(at(r, 0.55, 0.02));
  bolt.lineTo(at(r, 0.47, 0.46));
  bolt.lineTo(at(r, 0.55, 0.54));
  bolt.lineTo(at(r, 0.47, 0.98));
  p.fillPath(strokeOf(bolt, h * 0.09, Qt::RoundCap, Qt::MiterJoin), spark);
  p.restore();
}

void drawCableConnector(QPainter &p, const QRectF &r, const QColor &color,
                        double pen) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  // Metal tip with its contact window, the moulded grip, then the cable.
  QPainterPath tip;
  tip.addRect(QRectF(at(r, 0.26, 0.0), at(r, 0.74, 0.3)));
  QPainterPath window;
  window.addRect(QRectF(at(r, 0.4, 0.08), at(r, 0.6, 0.2)));
  p.fillPath(tip.subtracted(window), color);
  QPainterPath grip;
  grip.addRoundedRect(QRectF(at(r, 0.1, 0.34), at(r, 0.9, 0.66)), pen * 0.5,
                      pen * 0.5);
  p.fillPath(grip, color);
  QPainterPath neck;
  neck.moveTo(at(r, 0.3, 0.66));
  neck.lineTo(at(r, 0.7, 0.66));
  neck.lineTo(at(r, 0.58, 0.78));
  neck.lineTo(at(r, 0.42, 0.78));
  neck.closeSubpath();
  p.fillPath(neck, color);
  QPainterPath cable;
  cable.moveTo(at(r, 0.5, 0.76));
  cable.lineTo(at(r, 0.5, 1.0));
  p.fillPath(strokeOf(cable, pen * 0.75, Qt::FlatCap), color);
  p.restore();
}

void drawBluetoothRune(QPainter &p, const QRectF &r, const QColor &color,
                       double pen) {
  QPainterPath rune;
  rune.moveTo(at(r, 0.12, 0.27));
  rune.lineTo(at(r, 0.88, 0.73));
  rune.lineTo(at(r, 0.5, 1.0));
  rune.lineTo(at(r, 0.5, 0.0));
  rune.lineTo(at(r, 0.88, 0.27));
  rune.lineTo(at(r, 0.12, 0.73));
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.fillPath(strokeOf(rune, pen, Qt::RoundCap, Qt::MiterJoin), color);
  p.restore();
}

void drawAntenna(QPainter &p, const QRectF &r, const QColor &color,
                 double pen) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF top = at(r, 0.5, 0.3);
  const double ball = pen * 0.95;
  QPainterPath mast;
  mast.moveTo(top);
  mast.lineTo(at(r, 0.5, 1.0));
  mast.moveTo(at(r, 0.5, 0.5));
  mast.lineTo(at(r, 0.34, 1.0));
  mast.moveTo(at(r, 0.5, 0.5));
  mast.lineTo(at(r, 0.66, 1.0));
  QPainterPath shape = strokeOf(mast, pen, Qt::FlatCap);
  QPainterPath dot;
  dot.addEllipse(top, ball, ball);
  shape = shape.united(dot);
  const double unit = r.width();
  for (double rad : {0.24, 0.44}) {
    const double rr = rad * unit;
    QRectF box(top - QPointF(rr, rr), QSizeF(2 * rr, 2 * rr));
    QPainterPath arcR;
    arcR.arcMoveTo(box, 40);
    arcR.arcTo(box, 40, -80);
    QPainterPath arcL;
    arcL.arcMoveTo(box, 140);
    arcL.arcTo(box, 140, 80);
    shape = shape.united(strokeOf(arcR, pen * 0.85, Qt::RoundCap));
    shape = shape.united(strokeOf(arcL, pen * 0.85, Qt::RoundCap));
  }
  p.fillPath(shape, color);
  p.restore();
}

void drawCamera(QPainter &p, const QRectF &r, const QColor &body,
                const QColor &lens) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const double h = r.height();
  QPainterPath shape;
  shape.addRoundedRect(QRectF(at(r, 0.0, 0.2), at(r, 1.0, 1.0)), h * 0.16,
                       h * 0.16);
  QPainterPath bump;
  bump.addRoundedRect(QRectF(at(r, 0.3, 0.02), at(r, 0.64, 0.3)), h * 0.08,
                      h * 0.08);
  shape = shape.united(bump);
  const QPointF c = at(r, 0.5, 0.6);
  const double outer = h * 0.3;
  QPainterPath ring;
  ring.addEllipse(c, outer, outer);
  p.fillPath(shape.subtracted(ring), body);
  const double inner = h * 0.2;
  QPainterPath glass;
  glass.addEllipse(c, inner, inner);
  p.fillPath(glass, lens);
  // A small glint on the lens.
  p.setBrush(QColor(255, 255, 255, 150));
  p.setPen(Qt::NoPen);
  p.drawEllipse(c + QPointF(-inner * 0.35, -inner * 0.35), inner * 0.3,
                inner * 0.3);
  // Flash window.
  p.fillRect(QRectF(at(r, 0.78, 0.3), at(r, 0.9, 0.4)), lens.lighter(150));
  p.restore();
}

void drawPhone(QPainter &p, const QRectF &r, const QColor &body,
               const QColor &screen, const QColor &keys) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const double w = r.width();
  QPainterPath shape;
  shape.addRoundedRect(r, w * 0.2, w * 0.2);
  p.fillPath(shape, body);
  const QRectF scr(at(r, 0.16, 0.1), at(r, 0.84, 0.5));
  p.fillRect(scr, screen);
  p.setPen(Qt::NoPen);
  p.setBrush(keys);
  const double d = w * 0.13;
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col)
      p.drawEllipse(at(r, 0.27 + col * 0.23, 0.62 + row * 0.12), d / 2, d / 2);
  p.restore();
}

} // namespace art
