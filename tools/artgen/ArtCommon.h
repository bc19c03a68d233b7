// Shared helpers for the artwork generator: palette, fonts, masks and the
// collection of generated images with their checks.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QRect>
#include <QString>
#include <QStringList>

#include <map>

namespace art {

// Palette.
inline const QColor kChromeTop(232, 234, 239);
inline const QColor kChromeBottom(211, 213, 220);
inline const QColor kChromeHighlight(247, 248, 251);
inline const QColor kRule(170, 174, 184);
inline const QColor kFieldBorder(190, 194, 204);
inline const QColor kAccent(40, 110, 220);
inline const QColor kCableOrange(236, 128, 28);
inline const QColor kBluetoothBlue(36, 104, 214);
inline const QColor kGprsGreen(46, 160, 72);
inline const QColor kLedRed(222, 46, 40);
inline const QColor kLedAmber(246, 170, 18);
inline const QColor kLedGreen(44, 184, 72);
inline const QColor kInk(44, 47, 56);
inline const QColor kInkSoft(104, 109, 122);
inline const QColor kGraphite(52, 56, 63);
inline const QRgb kWhite = 0xFFFFFFFFu;

// A font asked for by its Windows name; fontconfig picks the substitute.
QFont uiFont(const char *family, int pixelSize, bool bold = false);

// Opaque RGB image filled with one colour.
QImage rgbImage(int w, int h, const QColor &fill);
// Transparent ARGB image.
QImage argbImage(int w, int h);

QColor mix(const QColor &a, const QColor &b, double t);
QColor grey(const QColor &c); // luminance-preserving grey of a colour

// Coverage of a path on a w x h pixel grid (255 = fully inside).
QImage coverage(int w, int h, const QPainterPath &path);
// Face mask: 255 where the coverage is above zero.
QImage faceMask(int w, int h, const QPainterPath &path);
// The mask grown by one pixel in all eight directions (the button region).
QImage grow(const QImage &mask);
bool maskAt(const QImage &mask, int x, int y);

// Draws text centred in rect; records an error when it would not fit.
void drawFittedText(class QPainter &p, const QRectF &rect, const QString &text,
                    const QFont &font, const QColor &color,
                    int flags = 0x0084 /* Qt::AlignCenter */);

// Error sink for the checks; collected and reported by main().
void fail(const QString &message);
const QStringList &failures();

// Makes every pixel of the mask that is pure white a hair darker, so that a
// face never contains the glyph background colour.
void keepOffWhite(QImage &img, const QImage &mask, QPoint maskOrigin = {});

// A glyph: a face on a pure white surround, with the face mask kept for the
// checks.
struct Glyph {
  QImage image;
  QImage mask;
};

// Cuts a glyph of size gw x gh from picture at (x, y): pixels in the mask
// (given in glyph coordinates) keep the picture's colour, all others white.
Glyph cutGlyph(const QImage &picture, int x, int y, int gw, int gh,
               const QImage &mask);

struct ArtSet {
  std::map<QString, QImage> images; // file name -> image
  std::map<QString, Glyph> glyphs;  // file name -> glyph (also in images)

  void add(const QString &name, const QImage &img);
  void addGlyph(const QString &name, const Glyph &g);
  const QImage &operator[](const QString &name) const;
};

} // namespace art
