#include "screen/ActivityIndicator.h"

#include <QElapsedTimer>
#include <QThread>

TActivityIndicator::TActivityIndicator(QObject *parent, int idleDelayMs)
    : QObject(parent), m_timerYellow(this), m_delayMs(idleDelayMs) {
  m_timerYellow.setInterval(idleDelayMs);
  // The indicator must not fall back early: a coarse timer may fire up to
  // 5 % before its interval.
  m_timerYellow.setTimerType(Qt::PreciseTimer);
  m_timerYellow.setSingleShot(true);
  connect(&m_timerYellow, &QTimer::timeout, this,
          &TActivityIndicator::TimerYellowTimer);
}

template <typename F> void TActivityIndicator::OnOwnThread(F &&f) {
  if (QThread::currentThread() == thread())
    f();
  else
    QMetaObject::invokeMethod(this, std::forward<F>(f), Qt::QueuedConnection);
}

void TActivityIndicator::ShowLinkActivity() {
  OnOwnThread([this] { SetIndex(IndexActivity); });
}

void TActivityIndicator::ShowLinkIdle() {
  OnOwnThread([this] { SetIndex(IndexIdle); });
}

void TActivityIndicator::ShowNoLink() {
  OnOwnThread([this] {
    m_armed = false;
    m_timerYellow.stop();
    SetIndex(IndexNoLink);
  });
}

qint64 TActivityIndicator::NowMs() {
  static QElapsedTimer clock = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return clock.elapsed() + 1;
}

void TActivityIndicator::RestartActivityTimer() {
  m_lastActivityMs = NowMs();
  if (QThread::currentThread() == thread()) {
    m_armed = true;
    m_timerYellow.start(m_delayMs); // starts over if running
  } else if (!m_armed.exchange(true)) {
    QMetaObject::invokeMethod(this, &TActivityIndicator::ArmTimer,
                              Qt::QueuedConnection);
  }
}

void TActivityIndicator::ArmTimer() {
  if (!m_armed)
    return; // stopped meanwhile
  const qint64 left = m_lastActivityMs + m_delayMs - NowMs();
  m_timerYellow.start(int(qBound<qint64>(0, left, qint64(m_delayMs))));
}

void TActivityIndicator::StopActivityTimer() {
  OnOwnThread([this] {
    m_armed = false;
    m_timerYellow.stop();
  });
}

void TActivityIndicator::TimerYellowTimer() {
  // Activity noted by a link thread while armed: wait out the rest.
  if (NowMs() - m_lastActivityMs < m_delayMs) {
    ArmTimer();
    return;
  }
  m_timerYellow.stop();
  m_armed = false;
  // Activity between the check and disarming would otherwise be lost.
  if (NowMs() - m_lastActivityMs < m_delayMs) {
    m_armed = true;
    ArmTimer();
    return;
  }
  if (m_index != IndexNoLink)
    SetIndex(IndexIdle);
}

void TActivityIndicator::SetIndex(int index) {
  if (index == m_index)
    return;
  m_index = index;
  emit IndexChanged(index);
}
