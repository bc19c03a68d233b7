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

template <typename F> void TLinkViewAdapter::InGeneration(F &&f) {
  const int generation = m_generation;
  QMetaObject::invokeMethod(
      this,
      [this, generation, f = std::forward<F>(f)] {
        if (generation == m_generation)
          f();
      },
      Qt::AutoConnection);
}

void TLinkViewAdapter::DrawTile(const QByteArray &data, int x, int y) {
  m_canvas.DrawTile(data, x, y);
  // The next phone's first tile ends the wait.
  if (m_waiting.exchange(false))
    InGeneration([this] { SetWaitingShown(false); });
}

void TLinkViewAdapter::ShowWaitingForPhone() {
  m_waiting = true;
  InGeneration([this] { SetWaitingShown(true); });
}

void TLinkViewAdapter::SetWaitingShown(bool waiting) {
  if (waiting == m_waitingShown)
    return;
  m_waitingShown = waiting;
  emit WaitingForPhoneChanged(waiting);
}

void TLinkViewAdapter::ShowPhoneIdentity(const QByteArray &modelCode) {
  // The pictures are wiped here, in order with the tiles of this link.
  m_canvas.ResetPictures();
  const QString name = ModelName(SkinFilePath(), modelCode);
  InGeneration([this, name, modelCode] {
    emit PhoneNameChanged(name);
    m_peer.modelCode = modelCode;
    m_peer.modelName = name;
    emit PeerChanged();
  });
}

void TLinkViewAdapter::ShowPeer(const QString &where) {
  InGeneration([this, where] {
    m_peer = {where, {}, {}};
    emit PeerChanged();
  });
}

void TLinkViewAdapter::AskAboutPhone(quint64 connection,
                                     const std::array<uint8_t, 8> &id) {
  const QByteArray block(reinterpret_cast<const char *>(id.data()), 8);
  const QByteArray modelCode = ModelCodeOf(id.data());
  const QString name = ModelName(SkinFilePath(), modelCode);
  InGeneration([this, connection, block, modelCode, name] {
    emit PhoneApprovalNeeded(connection, block.toHex().toUpper(), modelCode,
                             name);
  });
}

void TLinkViewAdapter::Invalidate() {
  ++m_generation;
  m_waiting = false;
  SetWaitingShown(false);
  m_peer = {};
  emit PeerChanged();
}

void TLinkViewAdapter::RestartActivityTimer() {
  m_indicator.RestartActivityTimer();
}

// The indicator follows the link only while it is the same link: a change
// posted by a link thread just before a disconnect is dropped on arrival
// instead of lighting the LED again.
void TLinkViewAdapter::ShowLinkActivity() {
  InGeneration([this] { m_indicator.ShowLinkActivity(); });
}

void TLinkViewAdapter::ShowLinkIdle() {
  InGeneration([this] { m_indicator.ShowLinkIdle(); });
}
