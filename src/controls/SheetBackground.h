#pragma once
// A sheet's background, drawn from the artwork whenever part of it is
// exposed. The work area's background would take 1.4 MB as a picture, more
// than its parsed sheet, and is seldom repainted: the views and controls
// over it paint themselves.

#include <QString>
#include <QWidget>

class Artwork;

class SheetBackground : public QWidget {
  Q_OBJECT
public:
  // artwork must outlive the widget.
  SheetBackground(const Artwork &artwork, const QString &sheet,
                  QWidget *parent = nullptr);

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  const Artwork &m_artwork;
  const QString m_sheet;
};
