#pragma once
// An ILinkView double that records what the links hand over.
#include "link/LinkView.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <atomic>
#include <stdexcept>

class RecordingView : public ILinkView {
public:
  struct Tile {
    QByteArray data;
    int x, y;
  };

  void DrawTile(const QByteArray &data, int x, int y) override {
    if (!data.isEmpty() && data[0] == 'G' && failOnGif)
      throw std::runtime_error("Image is not a valid GIF");
    QMutexLocker lock(&m_lock);
    m_tiles.append({data, x, y});
  }
  void ShowPhoneIdentity(const QByteArray &modelCode) override {
    QMutexLocker lock(&m_lock);
    m_identities.append(modelCode);
  }
  void RestartActivityTimer() override { ++restarts; }
  void ShowLinkActivity() override { ++activity; }
  void ShowLinkIdle() override { ++idle; }

  QList<Tile> Tiles() {
    QMutexLocker lock(&m_lock);
    return m_tiles;
  }
  QList<QByteArray> Identities() {
    QMutexLocker lock(&m_lock);
    return m_identities;
  }

  std::atomic<bool> failOnGif{false};
  std::atomic<int> restarts{0}, activity{0}, idle{0};

private:
  QMutex m_lock;
  QList<Tile> m_tiles;
  QList<QByteArray> m_identities;
};
