#pragma once
// The image controls that show the screen picture (m_screenView) and the zoom
// picture (m_zoomView): the picture unscaled from the top-left corner,
// the background where there is none. An overlay text dims the picture and
// stands centred over it; it lives in the control only, never in the
// pictures that captures read.
//
// Both views share the screen: their context menu copies the 1:1 picture to
// the clipboard or asks for a screenshot, and dragging a view out hands the
// picture over as a PNG file and as image data. None of it reaches the
// phone.

#include <QList>
#include <QPoint>
#include <QWidget>
#include <memory>

class QMimeData;
class QTemporaryDir;
class ScreenCanvas;

class ScreenImage : public QWidget {
  Q_OBJECT

public:
  // zoom selects the zoom picture. The canvas must outlive the widget.
  ScreenImage(ScreenCanvas *canvas, bool zoom, QWidget *parent = nullptr);

  bool isZoom() const { return m_zoom; }
  QSize sizeHint() const override;

  // Schedules a repaint of a changed part of the screen picture, given in
  // screen picture coordinates (doubled for the zoom view).
  void invalidateScreenRegion(const QRegion &screenRegion);

  // Shows the picture dimmed to kDimmedPercent with the text centred over
  // it, in the control's font; an empty text shows the picture as it is.
  void setOverlayText(const QString &text);
  QString overlayText() const { return m_overlay; }
  static constexpr int kDimmedPercent = 40;

  // Puts the 1:1 screen picture on the clipboard as an image, from either
  // view; false when there is no picture.
  bool copyScreen() const;
  // What a drag of the view carries: the 1:1 picture as image data and as
  // the URL of a PNG file written to a temporary folder of this view; null
  // when there is no picture or the file cannot be written.
  QMimeData *screenMimeData();
  ~ScreenImage() override;

signals:
  // "Save Screenshot" was chosen in the context menu.
  void screenshotRequested();

protected:
  void paintEvent(QPaintEvent *event) override;
  void contextMenuEvent(QContextMenuEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;

private:
  // With a picture the view paints every one of its pixels, so the parent's
  // background is not painted beneath it first.
  void updateOpaque();

  ScreenCanvas *m_canvas;
  bool m_zoom;
  QString m_overlay;
  QPoint m_pressPos;
  bool m_pressed = false;
  // The PNG files of drags, kept while the view lives so a drop target can
  // read them after the drag.
  std::unique_ptr<QTemporaryDir> m_dragDir;
};

// Repaints the changed parts of the views when the canvas reports a change:
// the dirty region is taken and handed to every view at once when the last
// repaint was frameMs or more ago, else when frameMs since it have passed.
// Call once per canvas, on the GUI thread that owns the views.
void connectScreenViews(ScreenCanvas *canvas, const QList<ScreenImage *> &views,
                        int frameMs = 15);
