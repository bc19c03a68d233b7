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

  // Decodes a tile (outside the lock) and draws its visible area, the image
  // without its one-pixel margin, at (x, y) into the screen picture and
  // doubled at (2x, 2y) into the zoom picture, clipped to both. Throws
  // TileDecodeError; nothing is drawn then. *warning as for decodeTile.
  void drawTile(const QByteArray &data, int x, int y,
                QString *warning = nullptr);
  // Draws an already decoded tile image, margin included, as drawTile does.
  void drawDecodedTile(const QImage &decoded, int x, int y);

  // Deep copies taken under the lock; null while there is no picture.
  QImage screen() const;
  QImage zoom() const;

  // Paints the part of the screen (or zoom) picture inside clip, in picture
  // coordinates: a few rows of the screen picture at a time are copied
  // under the lock and painted (doubled, for the zoom picture) after it, so
  // a link drawing a tile never waits for the painting. GUI thread only.
  // False when there is no picture.
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
  void markDirty(const QRect &screenRect);
  void notify();

  // One link draws at a time; the decoder's buffers serve tile after tile.
  QMutex m_decodeLock;
  TileDecoder m_decoder;

  mutable QMutex m_lock;
  QImage m_screen;
  // The zoom picture's fill colour, and the screen-picture area where it
  // still shows (no tile drawn there since fillZoom).
  QColor m_zoomFill;
  QRegion m_zoomFilled;
  QRegion m_dirty;
  // GUI thread: a few rows of the screen picture being painted, and the
  // same doubled for the zoom view; reused from paint to paint.
  mutable QImage m_strip;
  mutable QImage m_zoomStrip;
  std::atomic<bool> m_notifyPending{false};
  std::atomic<quint64> m_tilesDrawn{0};
};
