#pragma once
// The two pictures of the phone's screen: the screen picture at natural size
// and the zoom picture at twice that size. Links draw tiles into them from
// any thread; the views paint from them on the GUI thread; captures take
// copies. One mutex guards both pictures.

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
void FillPicture(QImage &bitmap, const QColor &colour);

class TScreenCanvas : public QObject {
  Q_OBJECT

public:
  static constexpr int ScreenWidth = 176;
  static constexpr int ScreenHeight = 208;
  static constexpr int ZoomWidth = 2 * ScreenWidth;
  static constexpr int ZoomHeight = 2 * ScreenHeight;

  explicit TScreenCanvas(QObject *parent = nullptr);

  // Gives both pictures a fresh white bitmap (on every identification).
  void ResetPictures();
  // Drops both pictures (on disconnect); tiles are then not drawn.
  void RemovePictures();
  // FillPicture on the whole zoom picture, when there is one.
  void FillZoom(const QColor &colour);
  bool HasPictures() const;

  // Decodes a tile (outside the lock) and draws its visible area, the image
  // without its one-pixel margin, at (x, y) into the screen picture and
  // doubled at (2x, 2y) into the zoom picture, clipped to both. Throws
  // TileDecodeError; nothing is drawn then. *warning as for DecodeTile.
  void DrawTile(const QByteArray &data, int x, int y,
                QString *warning = nullptr);
  // Draws an already decoded tile image, margin included, as DrawTile does.
  void DrawDecodedTile(const QImage &decoded, int x, int y);

  // Deep copies taken under the lock; null while there is no picture.
  QImage Screen() const;
  QImage Zoom() const;

  // Paints the part of the screen (or zoom) picture inside clip, in picture
  // coordinates, under the lock. False when there is no picture.
  bool Paint(QPainter &painter, const QRect &clip, bool zoom) const;

  // The region of the screen picture changed since the last call, in screen
  // picture coordinates (the zoom picture changed at twice these). Re-arms
  // the Changed() notification.
  QRegion TakeDirty();

signals:
  // Emitted from the drawing thread when a change is the first since the
  // last TakeDirty(); a burst of tiles thus costs one notification.
  void Changed();

private:
  // Draws the tile's visible area at (x, y), clipped; see DrawTile.
  void DrawRows(const TTileRows &tile, int x, int y);
  void MarkDirty(const QRect &screenRect);
  void Notify();

  // Doubles into the zoom picture what was drawn since the last time.
  void SyncZoom() const;

  // One link draws at a time; the decoder's buffers serve tile after tile.
  QMutex m_decodeLock;
  TTileDecoder m_decoder;

  mutable QMutex m_lock;
  QImage m_screen;
  mutable QImage m_zoom;
  // Screen-picture areas not yet doubled into the zoom picture.
  mutable QRegion m_zoomPending;
  QRegion m_dirty;
  std::atomic<bool> m_notifyPending{false};
};
