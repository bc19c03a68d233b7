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

  // Drops identifications still on their way to the window: called when a
  // link is closed so a late model name does not outlive the disconnect.
  void Invalidate() { ++m_generation; }

signals:
  void PhoneNameChanged(const QString &name);

private:
  TScreenCanvas &m_canvas;
  TActivityIndicator &m_indicator;
  std::atomic<int> m_generation{0};
};
