// Small vector pictograms shared by the keypad, the control bar, the menu
// and tray icons and the splash.
#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>

class QPainter;

namespace art {

// Handset of a telephone centred at c, size = its length, turned by angle
// degrees (0 = lying flat, ear and mouth pieces pointing down).
void drawHandset(QPainter &p, QPointF c, double size, double angle,
                 const QColor &color);

// Mains-style plug pointing right, with its cable leaving to the left.
void drawPlug(QPainter &p, const QRectF &r, const QColor &color);
// Plug and socket pulled apart with a spark between them.
void drawBrokenPlug(QPainter &p, const QRectF &r, const QColor &color,
                    const QColor &spark);
// Data cable connector pointing up with its cable going down.
void drawCableConnector(QPainter &p, const QRectF &r, const QColor &color,
                        double pen);
// The Bluetooth rune.
void drawBluetoothRune(QPainter &p, const QRectF &r, const QColor &color,
                       double pen);
// Antenna mast with radio waves on both sides.
void drawAntenna(QPainter &p, const QRectF &r, const QColor &color, double pen);
// Compact camera.
void drawCamera(QPainter &p, const QRectF &r, const QColor &body,
                const QColor &lens);
// Mobile phone seen from the front.
void drawPhone(QPainter &p, const QRectF &r, const QColor &body,
               const QColor &screen, const QColor &keys);

} // namespace art
