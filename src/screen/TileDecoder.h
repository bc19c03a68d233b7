#pragma once
// Decoding of screen tiles: the GIF or JPEG images the phone sends for a part
// of its screen. A tile whose first byte is 'G' is a GIF file, anything else
// a JPEG file.

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

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
constexpr int kMaxTileSide = 1024;

// Decodes a tile into a QImage::Format_RGB32 image of the decoded size.
// GIF: the first image only, placed at its position within the logical
// screen; uncovered and transparent pixels are white. JPEG: full scale,
// accurate integer transform, no block smoothing. Data that ends early in
// the JPEG scan is not an error: the rest of the image is filled by the
// library and *warning (when given) receives its message.
// Throws TileDecodeError.
QImage decodeTile(const QByteArray &data, QString *warning = nullptr);

QImage decodeGifTile(const QByteArray &data);
QImage decodeJpegTile(const QByteArray &data, QString *warning = nullptr);

struct JpegJob;

// Rows of count pixels between R, G, B byte triples and pixels.
void widenRgbRow(const uchar *rgb, QRgb *out, int count);
void narrowToRgbRow(const QRgb *in, uchar *rgb, int count);

// A decoded tile read row by row: the pixels of a picture, a JPEG's 24-bit
// RGB samples, or a GIF's colour indices with their table, turned into
// pixels only as rows are copied out (sparing a whole picture's worth of
// writes). Refers to the decoder's buffers, or to the picture given; valid
// as long as they are.
class TileRows {
public:
  TileRows() = default;
  // A QImage::Format_RGB32 picture.
  explicit TileRows(const QImage &image);
  // rows of placed.width() colour indices, in stream order when order is
  // given (order[row] is the stream row of picture row row), placed within a
  // white picture of size.
  // planes, when given, holds the table's blue, green and red bytes, 256
  // of each, for a faster lookup; rgbTable, when given, the table as
  // R | G << 8 | B << 16, for copyRowRgb.
  TileRows(const uchar *raster, const QRgb *palette, const uchar *planes,
           const quint32 *rgbTable, const int *order, const QRect &placed,
           QSize size);
  // size.height() rows of size.width() R, G, B byte triples, stride bytes
  // apart.
  TileRows(const uchar *rgb, qsizetype stride, QSize size);

  int width() const { return m_width; }
  int height() const { return m_height; }
  // Writes pixels x .. x + count - 1 of row y to out; all must lie inside.
  void copyRow(int y, int x, int count, QRgb *out) const;
  // The same as R, G, B byte triples.
  void copyRowRgb(int y, int x, int count, uchar *out) const;

private:
  const uchar *m_pixels = nullptr; // a picture's
  qsizetype m_pixelStride = 0;
  const uchar *m_rgb = nullptr;
  qsizetype m_stride = 0;
  const uchar *m_raster = nullptr;
  const QRgb *m_palette = nullptr;
  const uchar *m_planes = nullptr;
  const quint32 *m_rgbTable = nullptr;
  const int *m_order = nullptr;
  QRect m_placed;
  int m_width = 0;
  int m_height = 0;
};

// The same decoding for a stream of tiles: the picture and the decoders'
// working memory are kept from one tile to the next, so a tile of the size
// of the last costs no allocation of them. One thread at a time.
class TileDecoder {
public:
  TileDecoder();
  ~TileDecoder();
  TileDecoder(const TileDecoder &) = delete;
  TileDecoder &operator=(const TileDecoder &) = delete;

  // As decodeTile. The picture belongs to the decoder and is valid until
  // the next call; copy it to keep it.
  const QImage &decode(const QByteArray &data, QString *warning = nullptr);
  const QImage &decodeGif(const QByteArray &data);
  const QImage &decodeJpeg(const QByteArray &data, QString *warning = nullptr);
  // As Decode, without making a picture of a GIF tile's colours. Valid
  // until the next call.
  const TileRows &decodeRows(const QByteArray &data,
                             QString *warning = nullptr);

  // A JPEG tile decoded in steps, so that its rows can be written straight
  // to where they are wanted. startJpeg reads the header and returns the
  // size of the image; then either readJpegRows writes its rows, R, G, B
  // byte triples, size.height() rows stride bytes apart from first (after a
  // throw the rows before the damage are written), or decodeJpegRows
  // decodes them into the decoder's own memory, as decodeRows does. A tile
  // started and not read is dropped by the next start. All throw
  // TileDecodeError.
  QSize startJpeg(const QByteArray &data);
  void readJpegRows(uchar *first, qsizetype stride, QString *warning = nullptr);
  const TileRows &decodeJpegRows(QString *warning = nullptr);

private:
  const TileRows &readGif(const QByteArray &data);
  // Decodes into m_rgb; throws TileDecodeError.
  const TileRows &ReadJpeg(const QByteArray &data, QString *warning);
  // The picture of a decoded tile's rows, in m_image.
  const QImage &MakePicture(const TileRows &rows, const char *kind);

  QImage m_image;
  // A JPEG tile's samples: three bytes a pixel are less to write than the
  // picture's four, and are widened as they are copied out.
  std::vector<unsigned char> m_rgb;
  std::vector<unsigned char> m_raster;
  std::vector<int> m_order;
  QRgb m_palette[256] = {};
  uchar m_planes[3 * 256] = {};
  quint32 m_rgbTable[256] = {};
  TileRows m_rows;
  std::unique_ptr<JpegJob> m_jpeg;
};
