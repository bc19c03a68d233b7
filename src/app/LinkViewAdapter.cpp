#include "app/LinkViewAdapter.h"

#include "screen/ActivityIndicator.h"
#include "screen/ScreenCanvas.h"
#include "screen/SkinFile.h"

#include <QMetaObject>
#include <QThread>

LinkViewAdapter::LinkViewAdapter(ScreenCanvas &canvas,
                                 ActivityIndicator &indicator,
                                 const QString &skinFile, QObject *parent)
    : QObject(parent), m_canvas(canvas), m_skinFile(skinFile),
      m_indicator(indicator) {}

template <typename F> void LinkViewAdapter::inGeneration(F &&f) {
  const int generation = m_generation;
  QMetaObject::invokeMethod(
      this,
      [this, generation, f = std::forward<F>(f)] {
        if (generation == m_generation)
          f();
      },
      Qt::AutoConnection);
}

void LinkViewAdapter::drawTile(const QByteArray &data, int x, int y) {
  m_canvas.drawTile(data, x, y);
  // The next phone's first tile ends the wait.
  if (m_waiting.exchange(false))
    inGeneration([this] { setWaitingShown(false); });
}

void LinkViewAdapter::showWaitingForPhone() {
  m_waiting = true;
  inGeneration([this] { setWaitingShown(true); });
}

void LinkViewAdapter::setWaitingShown(bool waiting) {
  if (waiting == m_waitingShown)
    return;
  m_waitingShown = waiting;
  emit waitingForPhoneChanged(waiting);
}

void LinkViewAdapter::showPhoneIdentity(const QByteArray &modelCode) {
  // The pictures are wiped here, in order with the tiles of this link.
  m_canvas.resetPictures();
  const QString name = modelName(m_skinFile, modelCode);
  inGeneration([this, name, modelCode] {
    emit phoneNameChanged(name);
    m_peer.modelCode = modelCode;
    m_peer.modelName = name;
    emit peerChanged();
  });
}

void LinkViewAdapter::showPeer(const QString &where) {
  inGeneration([this, where] {
    m_peer = {where, {}, {}};
    emit peerChanged();
  });
}

void LinkViewAdapter::askAboutPhone(quint64 connection,
                                    const std::array<uint8_t, 8> &id) {
  const QByteArray block(reinterpret_cast<const char *>(id.data()), 8);
  const QByteArray modelCode = modelCodeOf(id.data());
  const QString name = modelName(m_skinFile, modelCode);
  inGeneration([this, connection, block, modelCode, name] {
    emit phoneApprovalNeeded(connection, block.toHex().toUpper(), modelCode,
                             name);
  });
}

void LinkViewAdapter::invalidate() {
  ++m_generation;
  m_waiting = false;
  setWaitingShown(false);
  m_peer = {};
  emit peerChanged();
}

void LinkViewAdapter::restartActivityTimer() {
  m_indicator.restartActivityTimer();
}

// The indicator follows the link only while it is the same link: a change
// posted by a link thread just before a disconnect is dropped on arrival
// instead of lighting the LED again.
void LinkViewAdapter::showLinkActivity() {
  inGeneration([this] { m_indicator.showLinkActivity(); });
}

void LinkViewAdapter::showLinkIdle() {
  inGeneration([this] { m_indicator.showLinkIdle(); });
}
