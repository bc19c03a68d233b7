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
      [this, name, modelCode, generation] {
        if (generation != m_generation)
          return;
        emit PhoneNameChanged(name);
        m_peer.modelCode = modelCode;
        m_peer.modelName = name;
        emit PeerChanged();
      },
      Qt::AutoConnection);
}

void TLinkViewAdapter::ShowPeer(const QString &where) {
  const int generation = m_generation;
  QMetaObject::invokeMethod(
      this,
      [this, where, generation] {
        if (generation != m_generation)
          return;
        m_peer = {where, {}, {}};
        emit PeerChanged();
      },
      Qt::AutoConnection);
}

void TLinkViewAdapter::AskAboutPhone(quint64 connection,
                                     const std::array<uint8_t, 8> &id) {
  const QByteArray block(reinterpret_cast<const char *>(id.data()), 8);
  const QByteArray modelCode = ModelCodeOf(id.data());
  const QString name = ModelName(SkinFilePath(), modelCode);
  const int generation = m_generation;
  QMetaObject::invokeMethod(
      this,
      [this, connection, block, modelCode, name, generation] {
        if (generation == m_generation)
          emit PhoneApprovalNeeded(connection, block.toHex().toUpper(),
                                   modelCode, name);
      },
      Qt::AutoConnection);
}

void TLinkViewAdapter::Invalidate() {
  ++m_generation;
  m_peer = {};
  emit PeerChanged();
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
