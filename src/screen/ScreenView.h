#pragma once
// The image controls that show the screen picture (ImageScreen) and the zoom
// picture (ImageScreenZoom): the picture unscaled from the top-left corner,
// the background where there is none. An overlay text dims the picture and
// stands centred over it; it lives in the control only, never in the
// pictures that captures read.

#include <QList>
#include <QWidget>

class TScreenCanvas;

class TScreenImage : public QWidget {
  Q_OBJECT

public:
  // zoom selects the zoom picture. The canvas must outlive the widget.
  TScreenImage(TScreenCanvas *canvas, bool zoom, QWidget *parent = nullptr);

  bool IsZoom() const { return m_zoom; }
  QSize sizeHint() const override;

  // Schedules a repaint of a changed part of the screen picture, given in
  // screen picture coordinates (doubled for the zoom view).
  void InvalidateScreenRegion(const QRegion &screenRegion);

  // Shows the picture dimmed to DimmedPercent with the text centred over
  // it, in the control's font; an empty text shows the picture as it is.
  void SetOverlayText(const QString &text);
  QString OverlayText() const { return m_overlay; }
  static constexpr int DimmedPercent = 40;

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  TScreenCanvas *m_canvas;
  bool m_zoom;
  QString m_overlay;
};

// Repaints the changed parts of the views when the canvas reports a change:
// at most once per frameMs, the dirty region is taken and handed to every
// view. Call once per canvas, on the GUI thread that owns the views.
void ConnectScreenViews(TScreenCanvas *canvas,
                        const QList<TScreenImage *> &views, int frameMs = 15);
