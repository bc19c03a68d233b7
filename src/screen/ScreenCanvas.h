#pragma once
// The two pictures of the phone's screen: the screen picture at natural size
// and the zoom picture at twice that size. Links draw tiles into the screen
// picture from any thread; the zoom picture is made from it, pixel by pixel
// doubled, whenever it is read, so it costs no memory or work of its own
// while tiles arrive. The views paint on the GUI thread; captures take
// copies. One mutex guards the pictures, held by painting only for a copy.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QMutex>
#include <QObject>
#include <QRect>
#include <QRegion>

#include "screen/TileDecoder.h"

#include <atomic>
#include <vector>

class QPainter;

// Fills the whole bitmap with the colour.
void fillPicture(QImage &bitmap, const QColor &colour);

class ScreenCanvas : public QObject {
  Q_OBJECT

public:
  static constexpr int kScreenWidth = 176;
  static constexpr int kScreenHeight = 208;
  static constexpr int kZoomWidth = 2 * kScreenWidth;
  static constexpr int kZoomHeight = 2 * kScreenHeight;

  explicit ScreenCanvas(QObject *parent = nullptr);

  // Gives both pictures a fresh white bitmap (on every identification).
  void resetPictures();
  // Drops both pictures (on disconnect); tiles are then not drawn.
  void removePictures();
  // fillPicture on the whole zoom picture, when there is one: the zoom
  // picture shows the colour where no tile has been drawn since.
  void fillZoom(const QColor &colour);
  bool hasPictures() const;

  // Decodes a tile and draws its visible area, the image without its
  // one-pixel margin, at (x, y) into the screen picture and doubled at
  // (2x, 2y) into the zoom picture, clipped to both. A GIF tile, and a JPEG
  // tile reaching past the screen's edge, is decoded outside the lock; any
  // other JPEG tile is decoded straight into the picture, under the lock
  // (a paint waits for one tile at most). Throws TileDecodeError: nothing
  // is drawn when the header is damaged; when the scan is, the rows before
  // the damage are. *warning as for decodeTile.
  void drawTile(const QByteArray &data, int x, int y,
                QString *warning = nullptr);
  // Draws an already decoded tile image, margin included, as drawTile does.
  void drawDecodedTile(const QImage &decoded, int x, int y);

  // Deep copies taken under the lock; null while there is no picture.
  QImage screen() const;
  QImage zoom() const;

  // Paints the part of the screen (or zoom) picture inside clip, in picture
  // coordinates: its rows are copied under the lock and painted (doubled,
  // for the zoom picture) after it, so a link drawing a tile waits for the
  // copy at most. GUI thread only. False when there is no picture.
  bool paint(QPainter &painter, const QRect &clip, bool zoom) const;

  // The region of the screen picture changed since the last call, in screen
  // picture coordinates (the zoom picture changed at twice these). Re-arms
  // the Changed() notification.
  QRegion takeDirty();

  // How many tiles have been drawn into the screen picture so far; a
  // benchmark matches them to the repaints that show them.
  quint64 tilesDrawn() const { return m_tilesDrawn.load(); }

signals:
  // Emitted from the drawing thread when a change is the first since the
  // last takeDirty(); a burst of tiles thus costs one notification.
  void changed();

private:
  // Draws the tile's visible area at (x, y), clipped; see drawTile.
  void drawRows(const TileRows &tile, int x, int y);
  // Decodes the started JPEG tile's rows straight into the stored picture
  // when the tile, margin and all, fits inside it; false when it does not
  // (nothing is read then).
  bool drawJpegInPlace(QSize size, int x, int y, QString *warning);

  // The stored picture has a border this wide around the screen, and rows
  // kStride bytes apart from kLead bytes into the buffer. libjpeg-turbo
  // writes rows starting on a 32-byte boundary with non-temporal stores,
  // which decode this picture's tiles some 10% slower here: with rows a
  // multiple of 8 bytes apart, starting 4 bytes past one, no full-width
  // tile's row starts on one.
  static constexpr int kBorder = 1;
  static constexpr qsizetype kStride = 536;
  static constexpr qsizetype kLead = 4;
  static constexpr size_t kStoreBytes =
      kLead + size_t(kStride) * (kScreenHeight + 2 * kBorder);
  static_assert(kStride >= (kScreenWidth + 2 * kBorder) * 3);
  uchar *storeOrigin() { return m_screen.data() + kLead; }
  const uchar *storeOrigin() const { return m_screen.data() + kLead; }
  void markDirty(const QRect &screenRect);
  // Under the lock: a tile was drawn over drawn, in screen coordinates.
  void noteDrawn(const QRect &drawn);
  void notify();

  // One link draws at a time; the decoder's buffers serve tile after tile.
  QMutex m_decodeLock;
  TileDecoder m_decoder;

  mutable QMutex m_lock;
  // The screen picture as R, G, B byte triples, within a border of
  // kBorder pixels that takes the margins of tiles at the screen's edges: a
  // JPEG tile is decoded straight into it, with no copy of its own. Empty
  // while there is no picture.
  std::vector<uchar> m_screen;
  // A JPEG tile's margin pixels, kept while it is decoded in place.
  std::vector<uchar> m_margin;
  // The zoom picture's fill colour, and the screen-picture area where it
  // still shows (no tile drawn there since fillZoom).
  QColor m_zoomFill;
  QRegion m_zoomFilled;
  QRegion m_dirty;
  // GUI thread: a few rows of the screen picture being painted, and the
  // same doubled for the zoom view; reused from paint to paint.
  mutable QImage m_strip;
  mutable std::vector<uchar> m_rowsRgb; // the painted rows, copied
  mutable QImage m_zoomStrip;
  std::atomic<bool> m_notifyPending{false};
  std::atomic<quint64> m_tilesDrawn{0};
};
