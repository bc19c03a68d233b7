#pragma once
// The window's pictures, drawn from SVG sheets at the device pixel ratio
// asked for, and the rectangles they belong at.
//
// geometry.json names every picture's rectangle in logical pixels. A sheet
// holds, for each, an element of the same id whose bounds are exactly that
// rectangle, so drawing the element into the rectangle is a plain scale by
// the ratio. The window places its controls by the same rectangles: a
// picture and the control that shows it cannot drift apart.

#include "controls/PictureButtonShape.h"

#include <QIcon>
#include <QImage>
#include <QList>
#include <QMap>
#include <QRect>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>

class QPainter;
class QSvgRenderer;

// One key of the keypad sheet.
struct ArtworkKey {
  QString id;
  int code = 0; // the phone key code the key sends
  QRect button; // the button's place in the keypad
  QSize glyph;  // the picture's size; it lies at the button's top-left
  PictureButtonStyle style = PictureButtonStyle::Normal;

  QRect pictureRect() const { return {button.topLeft(), glyph}; }
};

// The parsed geometry file. A sheet is named "controlBar", "workArea",
// "keypad" or "icons".
class ArtworkGeometry {
public:
  // False with the reason in error when json is not a usable geometry; the
  // object is then empty.
  bool parse(const QByteArray &json, QString *error);

  QString sheetFile(const QString &sheet) const;
  QSize sheetSize(const QString &sheet) const;
  // A picture's or a place's rectangle in its sheet; a null rectangle for an
  // unknown name.
  QRect picture(const QString &sheet, const QString &id) const;
  QRect place(const QString &sheet, const QString &id) const;
  QStringList pictureIds(const QString &sheet) const;
  QSize iconSize(const QString &kind) const;
  // The keys in stacking order: a later one lies above an earlier one.
  const QList<ArtworkKey> &keys() const { return m_keys; }

private:
  struct Sheet {
    QString file;
    QSize size;
    QMap<QString, QRect> pictures;
    QMap<QString, QRect> places;
  };
  std::map<QString, Sheet> m_sheets;
  QMap<QString, QSize> m_iconSizes;
  QList<ArtworkKey> m_keys;
};

class Artwork {
public:
  // Reads prefix + "geometry.json" now; a sheet is read the first time it is
  // drawn from.
  explicit Artwork(const QString &prefix = QStringLiteral(":/art/"));
  ~Artwork();
  Artwork(const Artwork &) = delete;
  Artwork &operator=(const Artwork &) = delete;

  // False when the geometry could not be read; error() says why. Pictures
  // are then null and places empty.
  bool isValid() const { return m_error.isEmpty(); }
  QString error() const { return m_error; }
  const ArtworkGeometry &geometry() const { return m_geometry; }

  // Images whose logical size is the picture's and whose pixels are drawn at
  // ratio (devicePixelRatio() is set). Null when the sheet or the element is
  // missing.
  QImage background(const QString &sheet, qreal ratio) const;
  QImage picture(const QString &sheet, const QString &id, qreal ratio) const;
  // Draws the sheet's background over its logical rectangle with painter,
  // at the painter's own resolution: for widgets that draw it when exposed
  // rather than keep it as a picture.
  void paintBackground(QPainter &painter, const QString &sheet) const;
  // A whole single-picture file such as "splash.svg", drawn into size.
  QImage document(const QString &file, QSize size, qreal ratio) const;
  // An icon drawn from file at whatever size and ratio it is asked for.
  QIcon icon(const QString &file) const;

  // Lets go of a sheet read so far; drawing from it again reads it again.
  // A parsed sheet takes more memory than the pictures drawn from it.
  void forgetSheet(const QString &sheet) const;

  // True when file holds an element id; for checks of the sheets.
  bool hasElement(const QString &file, const QString &id) const;
  QRectF elementBounds(const QString &file, const QString &id) const;

private:
  QSvgRenderer *renderer(const QString &file) const;
  QImage render(const QString &file, const QString &id, QSize size,
                qreal ratio) const;

  QString m_prefix;
  QString m_error;
  ArtworkGeometry m_geometry;
  mutable std::map<QString, std::unique_ptr<QSvgRenderer>> m_renderers;
};
