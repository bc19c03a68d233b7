#include "controls/SheetBackground.h"

#include "controls/Artwork.h"

#include <QPaintEvent>
#include <QPainter>

SheetBackground::SheetBackground(const Artwork &artwork, const QString &sheet,
                                 QWidget *parent)
    : QWidget(parent), m_artwork(artwork), m_sheet(sheet) {
  // The background covers every pixel of the sheet.
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(artwork.geometry().sheetSize(sheet));
}

void SheetBackground::paintEvent(QPaintEvent *event) {
  QPainter painter(this);
  painter.setClipRegion(event->region());
  m_artwork.paintBackground(painter, m_sheet);
}
