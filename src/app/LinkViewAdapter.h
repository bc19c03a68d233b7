#pragma once
// The screen view as the links see it: tiles go straight into the canvas
// from the link's thread (decoding there, never waiting for painting); the
// model name and the indicator reach the window on the GUI thread, in order.
// Whatever a link hands over before Invalidate() is dropped on arrival, so
// nothing of a closed link outlives its disconnect.

#include "link/LinkView.h"

#include <QObject>
#include <QString>
#include <atomic>

class ScreenCanvas;
class ActivityIndicator;

class LinkViewAdapter : public QObject, public LinkView {
  Q_OBJECT
public:
  // skinFile: where the phones' model names are (skinFilePath).
  LinkViewAdapter(ScreenCanvas &canvas, ActivityIndicator &indicator,
                  const QString &skinFile, QObject *parent = nullptr);

  void drawTile(const QByteArray &data, int x, int y) override;
  void showPhoneIdentity(const QByteArray &modelCode) override;
  void restartActivityTimer() override;
  void showLinkActivity() override;
  void showLinkIdle() override;
  void showPeer(const QString &where) override;
  void showWaitingForPhone() override;
  void askAboutPhone(quint64 connection,
                     const std::array<uint8_t, 8> &id) override;

  // Drops identifications, indicator changes and the wait for the phone
  // still on their way to the window, and ends a wait shown: called when a
  // link is closed so that none of them outlives the disconnect.
  void invalidate();

  // The listener waits for the next phone. GUI thread.
  bool waitingForPhone() const { return m_waitingShown; }

  // Who is connected, as the window shows it. GUI thread.
  struct Peer {
    QString where;        // "address:port", or a serial port's name
    QByteArray modelCode; // empty until the phone is served
    QString modelName;
  };
  Peer peer() const { return m_peer; }

signals:
  void phoneNameChanged(const QString &name);
  // The peer, its model code or its model name changed. GUI thread.
  void peerChanged();
  // The wait for the next phone began or ended. GUI thread.
  void waitingForPhoneChanged(bool waiting);
  // A phone not on the list of known phones waits for the user's answer.
  void phoneApprovalNeeded(quint64 connection, const QByteArray &block,
                           const QByteArray &modelCode,
                           const QString &modelName);

private:
  // Runs f on the GUI thread unless Invalidate() is called first.
  template <typename F> void inGeneration(F &&f);
  void setWaitingShown(bool waiting);

  ScreenCanvas &m_canvas;
  const QString m_skinFile;
  ActivityIndicator &m_indicator;
  std::atomic<int> m_generation{0};
  // Set by the link when the phone has gone, taken by the next tile.
  std::atomic<bool> m_waiting{false};
  Peer m_peer;                 // GUI thread only
  bool m_waitingShown = false; // GUI thread only
};
