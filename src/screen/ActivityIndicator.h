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

class ActivityIndicator : public QObject {
  Q_OBJECT

public:
  static constexpr int kIndexNoLink = 0;
  static constexpr int kIndexIdle = 1;
  static constexpr int kIndexActivity = 2;
  static constexpr int kDefaultIdleDelayMs = 100;

  explicit ActivityIndicator(QObject *parent = nullptr,
                             int idleDelayMs = kDefaultIdleDelayMs);

  // Own thread only.
  int index() const { return m_index; }
  bool timerYellowActive() const { return m_timerYellow.isActive(); }

  void showLinkActivity();
  void showLinkIdle();
  // Also stops TimerYellow: without a link there is no idle state to
  // return to.
  void showNoLink();

  // (Re)starts TimerYellow so that its count begins anew. A link thread
  // only notes the moment; it wakes the indicator's thread just when the
  // timer is not armed yet, and an armed timer that ticks early is extended
  // to the full delay after the last activity. A stream of tiles so costs
  // one hand-off, not one per tile.
  void restartActivityTimer();
  void stopActivityTimer();

public slots:
  // The tick of TimerYellow: stops it and shows the idle image, unless the
  // link has meanwhile gone (a restart posted by a link thread just before
  // its disconnect may arrive after it).
  void showActivity();

signals:
  // The LED image and tray icon index to show.
  void indexChanged(int index);

private:
  template <typename F> void onOwnThread(F &&f);
  void setIndex(int index);
  void armTimer();
  static qint64 nowMs();

  QTimer m_timerYellow;
  int m_index = kIndexNoLink;
  int m_delayMs;
  std::atomic<qint64> m_lastActivityMs{0};
  std::atomic<bool> m_armed{false};
};
