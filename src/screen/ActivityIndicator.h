#pragma once
// The link activity indicator behind the LED image and the tray icon:
// index 0 no link, 1 link open and idle, 2 data arriving. TimerYellow brings
// it back to 1 a short while after the last activity.
//
// Every operation may be called from any thread: calls from another thread
// run on the indicator's own thread (the one that created it, normally the
// GUI thread) in the order they were made.

#include <QObject>
#include <QTimer>
#include <atomic>

class TActivityIndicator : public QObject {
  Q_OBJECT

public:
  static constexpr int IndexNoLink = 0;
  static constexpr int IndexIdle = 1;
  static constexpr int IndexActivity = 2;
  static constexpr int DefaultIdleDelayMs = 100;

  explicit TActivityIndicator(QObject *parent = nullptr,
                              int idleDelayMs = DefaultIdleDelayMs);

  // Own thread only.
  int Index() const { return m_index; }
  bool TimerYellowActive() const { return m_timerYellow.isActive(); }

  void ShowLinkActivity();
  void ShowLinkIdle();
  // Also stops TimerYellow: without a link there is no idle state to
  // return to.
  void ShowNoLink();

  // (Re)starts TimerYellow so that its count begins anew. A link thread
  // only notes the moment; it wakes the indicator's thread just when the
  // timer is not armed yet, and an armed timer that ticks early is extended
  // to the full delay after the last activity. A stream of tiles so costs
  // one hand-off, not one per tile.
  void RestartActivityTimer();
  void StopActivityTimer();

public slots:
  // The tick of TimerYellow: stops it and shows the idle image, unless the
  // link has meanwhile gone (a restart posted by a link thread just before
  // its disconnect may arrive after it).
  void TimerYellowTimer();

signals:
  // The LED image and tray icon index to show.
  void IndexChanged(int index);

private:
  template <typename F> void OnOwnThread(F &&f);
  void SetIndex(int index);
  void ArmTimer();
  static qint64 NowMs();

  QTimer m_timerYellow;
  int m_index = IndexNoLink;
  int m_delayMs;
  std::atomic<qint64> m_lastActivityMs{0};
  std::atomic<bool> m_armed{false};
};
