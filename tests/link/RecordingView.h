#pragma once
// An LinkView double that records what the links hand over, from any
// thread; it can be told to fail every tile as undecodable.
#include "link/LinkView.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QStringList>
#include <atomic>
#include <stdexcept>

class RecordingView : public LinkView {
public:
  struct Tile {
    QByteArray data;
    int x, y;
  };

  // The message a tile fails with while throwOnTile is set.
  static constexpr const char *kDecodeError = "Image cannot be decoded";

  void drawTile(const QByteArray &data, int x, int y) override {
    if (throwOnTile)
      throw std::runtime_error(kDecodeError);
    QMutexLocker lock(&m_lock);
    m_tiles.append({data, x, y});
  }
  void showPhoneIdentity(const QByteArray &modelCode) override {
    QMutexLocker lock(&m_lock);
    m_identities.append(modelCode);
  }
  void restartActivityTimer() override { ++restarts; }
  void showLinkActivity() override { ++activity; }
  void showLinkIdle() override { ++idle; }
  void showPeer(const QString &where) override {
    QMutexLocker lock(&m_lock);
    m_peers.append(where);
  }
  void askAboutPhone(quint64 connection,
                     const std::array<uint8_t, 8> &) override {
    QMutexLocker lock(&m_lock);
    m_asked.append(connection);
  }

  QList<Tile> tiles() {
    QMutexLocker lock(&m_lock);
    return m_tiles;
  }
  QList<QByteArray> identities() {
    QMutexLocker lock(&m_lock);
    return m_identities;
  }
  QStringList peers() {
    QMutexLocker lock(&m_lock);
    return m_peers;
  }
  QList<quint64> asked() {
    QMutexLocker lock(&m_lock);
    return m_asked;
  }

  std::atomic<bool> throwOnTile{false};
  std::atomic<int> restarts{0}, activity{0}, idle{0};

private:
  QMutex m_lock;
  QList<Tile> m_tiles;
  QList<QByteArray> m_identities;
  QStringList m_peers;
  QList<quint64> m_asked;
};
