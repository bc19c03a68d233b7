#pragma once
// The screen view as the links see it: tiles go straight into the canvas
// from the link's thread (decoding there, never waiting for painting); the
// model name and the indicator reach the window on the GUI thread, in order.

#include "link/LinkView.h"

#include <QObject>
#include <QString>
#include <atomic>

class TScreenCanvas;
class TActivityIndicator;

class TLinkViewAdapter : public QObject, public ILinkView {
  Q_OBJECT
public:
  TLinkViewAdapter(TScreenCanvas &canvas, TActivityIndicator &indicator,
                   QObject *parent = nullptr);

  void DrawTile(const QByteArray &data, int x, int y) override;
  void ShowPhoneIdentity(const QByteArray &modelCode) override;
  void RestartActivityTimer() override;
  void ShowLinkActivity() override;
  void ShowLinkIdle() override;
  void ShowPeer(const QString &where) override;
  void AskAboutPhone(quint64 connection,
                     const std::array<uint8_t, 8> &id) override;

  // Drops identifications still on their way to the window: called when a
  // link is closed so a late model name does not outlive the disconnect.
  void Invalidate();

  // Who is connected, as the window shows it. GUI thread.
  struct TPeer {
    QString where;        // "address:port", or a serial port's name
    QByteArray modelCode; // empty until the phone is served
    QString modelName;
  };
  TPeer Peer() const { return m_peer; }

signals:
  void PhoneNameChanged(const QString &name);
  // The peer, its model code or its model name changed. GUI thread.
  void PeerChanged();
  // A phone not on the list of known phones waits for the user's answer.
  void PhoneApprovalNeeded(quint64 connection, const QByteArray &block,
                           const QByteArray &modelCode,
                           const QString &modelName);

private:
  TScreenCanvas &m_canvas;
  TActivityIndicator &m_indicator;
  std::atomic<int> m_generation{0};
  TPeer m_peer; // GUI thread only
};
