#pragma once
// Decoding of screen tiles: the GIF or JPEG images the phone sends for a part
// of its screen. A tile whose first byte is 'G' is a GIF file, anything else
// a JPEG file.

#include <QByteArray>
#include <QImage>
#include <QString>

#include <stdexcept>
#include <string>

// A tile the decoders reject: not a GIF or JPEG file, damaged, or too large.
class TileDecodeError : public std::runtime_error {
public:
  explicit TileDecodeError(const std::string &message)
      : std::runtime_error(message) {}
  explicit TileDecodeError(const QString &message)
      : std::runtime_error(message.toStdString()) {}
};

// Images larger than this on either side are refused before any pixel
// memory is allocated.
constexpr int MaxTileSide = 1024;

// Decodes a tile into a QImage::Format_RGB32 image of the decoded size.
// GIF: the first image only, placed at its position within the logical
// screen; uncovered and transparent pixels are white. JPEG: full scale,
// accurate integer transform, no block smoothing. Data that ends early in
// the JPEG scan is not an error: the rest of the image is filled by the
// library and *warning (when given) receives its message.
// Throws TileDecodeError.
QImage DecodeTile(const QByteArray &data, QString *warning = nullptr);

QImage DecodeGifTile(const QByteArray &data);
QImage DecodeJpegTile(const QByteArray &data, QString *warning = nullptr);
