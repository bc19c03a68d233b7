#include "screen/ActivityIndicator.h"

#include <QElapsedTimer>
#include <QThread>

ActivityIndicator::ActivityIndicator(QObject *parent, int idleDelayMs)
    : QObject(parent), m_timerYellow(this), m_delayMs(idleDelayMs) {
  m_timerYellow.setInterval(idleDelayMs);
  // The indicator must not fall back early: a coarse timer may fire up to
  // 5 % before its interval.
  m_timerYellow.setTimerType(Qt::PreciseTimer);
  m_timerYellow.setSingleShot(true);
  connect(&m_timerYellow, &QTimer::timeout, this,
          &ActivityIndicator::showActivity);
}

template <typename F> void ActivityIndicator::onOwnThread(F &&f) {
  if (QThread::currentThread() == thread())
    f();
  else
    QMetaObject::invokeMethod(this, std::forward<F>(f), Qt::QueuedConnection);
}

void ActivityIndicator::showLinkActivity() {
  onOwnThread([this] { setIndex(kIndexActivity); });
}

void ActivityIndicator::showLinkIdle() {
  onOwnThread([this] { setIndex(kIndexIdle); });
}

void ActivityIndicator::showNoLink() {
  onOwnThread([this] {
    m_armed = false;
    m_timerYellow.stop();
    setIndex(kIndexNoLink);
  });
}

qint64 ActivityIndicator::nowMs() {
  static QElapsedTimer clock = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return clock.elapsed() + 1;
}

void ActivityIndicator::restartActivityTimer() {
  m_lastActivityMs = nowMs();
  if (QThread::currentThread() == thread()) {
    m_armed = true;
    m_timerYellow.start(m_delayMs); // starts over if running
  } else if (!m_armed.exchange(true)) {
    QMetaObject::invokeMethod(this, &ActivityIndicator::armTimer,
                              Qt::QueuedConnection);
  }
}

void ActivityIndicator::armTimer() {
  if (!m_armed)
    return; // stopped meanwhile
  const qint64 left = m_lastActivityMs + m_delayMs - nowMs();
  m_timerYellow.start(int(qBound<qint64>(0, left, qint64(m_delayMs))));
}

void ActivityIndicator::stopActivityTimer() {
  onOwnThread([this] {
    m_armed = false;
    m_timerYellow.stop();
  });
}

void ActivityIndicator::showActivity() {
  // Activity noted by a link thread while armed: wait out the rest.
  if (nowMs() - m_lastActivityMs < m_delayMs) {
    armTimer();
    return;
  }
  m_timerYellow.stop();
  m_armed = false;
  // Activity between the check and disarming would otherwise be lost.
  if (nowMs() - m_lastActivityMs < m_delayMs) {
    m_armed = true;
    armTimer();
    return;
  }
  if (m_index != kIndexNoLink)
    setIndex(kIndexIdle);
}

void ActivityIndicator::setIndex(int index) {
  if (index == m_index)
    return;
  m_index = index;
  emit indexChanged(index);
}
