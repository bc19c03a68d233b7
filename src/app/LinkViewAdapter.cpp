#include "app/LinkViewAdapter.h"

#include "screen/ActivityIndicator.h"
#include "screen/ScreenCanvas.h"
#include "screen/SkinFile.h"

#include <QMetaObject>
#include <QThread>

TLinkViewAdapter::TLinkViewAdapter(TScreenCanvas &canvas,
                                   TActivityIndicator &indicator,
                                   QObject *parent)
    : QObject(parent), m_canvas(canvas), m_indicator(indicator) {}

void TLinkViewAdapter::DrawTile(const QByteArray &data, int x, int y) {
  m_canvas.DrawTile(data, x, y);
}

void TLinkViewAdapter::ShowPhoneIdentity(const QByteArray &modelCode) {
  // The pictures are wiped here, in order with the tiles of this link.
  m_canvas.ResetPictures();
  const QString name = ModelName(SkinFilePath(), modelCode);
  const int generation = m_generation;
  QMetaObject::invokeMethod(
      this,
      [this, name, generation] {
        if (generation == m_generation)
          emit PhoneNameChanged(name);
      },
      Qt::AutoConnection);
}

void TLinkViewAdapter::RestartActivityTimer() {
  m_indicator.RestartActivityTimer();
}

void TLinkViewAdapter::ShowLinkActivity() {
  QMetaObject::invokeMethod(&m_indicator, &TActivityIndicator::ShowLinkActivity,
                            Qt::AutoConnection);
}

void TLinkViewAdapter::ShowLinkIdle() {
  QMetaObject::invokeMethod(&m_indicator, &TActivityIndicator::ShowLinkIdle,
                            Qt::AutoConnection);
}
