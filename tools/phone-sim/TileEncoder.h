#pragma once
// Finds what changed on the phone's screen and encodes it as tiles: GIF for
// flat user-interface graphics, JPEG for photographic areas. Every tile is
// encoded with a one-pixel margin around its visible area, which the PC cuts
// off again; at the screen's border the edge pixels are repeated.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>

namespace phonesim {

enum class TileFormat { Auto, Gif, Jpeg };

struct Tile {
  QRect area; // the visible area on the screen; the picture is 2 px larger
  QByteArray data;
};

class TileSplitter {
public:
  explicit TileSplitter(int blockSize = 16) : m_blockSize(blockSize) {}

  // Rectangles that together cover every pixel in which 'after' differs from
  // 'before', and nothing outside the changed blocks. A null 'before' (the
  // PC has nothing yet) makes the whole screen changed. Neighbouring changed
  // blocks are merged into larger rectangles, but photographic blocks and
  // flat ones are kept apart so that each tile suits one encoding.
  QList<QRect> changedRects(const QImage &before, const QImage &after) const;

private:
  int m_blockSize;
};

class TileEncoder {
public:
  // The area grown by one pixel on each side, edge pixels repeated outside
  // the screen.
  static QImage withMargin(const QImage &screen, const QRect &area);
  // Distinct colours of the picture, counting stops above 'limit'.
  static int countColours(const QImage &image, int limit);
  // True when a few colours make up most of the picture (text, icons).
  static bool looksFlat(const QImage &image);
  // Exact palette when the picture has at most 256 colours, else quantised.
  static QByteArray encodeGif(const QImage &image);
  static QByteArray encodeJpeg(const QImage &image, int quality = 80);

  // Encodes one area of the screen, with its margin.
  static Tile encode(const QImage &screen, const QRect &area,
                     TileFormat format = TileFormat::Auto);
  // The tiles that bring a PC showing 'before' to 'after'.
  QList<Tile> encodeChanges(const QImage &before, const QImage &after) const;

private:
  void encodeArea(const QImage &screen, const QRect &area,
                  QList<Tile> &tiles) const;

  int m_blockSize = 16;
  TileSplitter m_splitter{m_blockSize};
};

} // namespace phonesim
