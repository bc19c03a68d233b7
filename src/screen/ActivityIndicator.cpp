#include "screen/ActivityIndicator.h"

#include <QThread>

TActivityIndicator::TActivityIndicator(QObject *parent, int idleDelayMs)
    : QObject(parent), m_timerYellow(this) {
  m_timerYellow.setInterval(idleDelayMs);
  // The indicator must not fall back early: a coarse timer may fire up to
  // 5 % before its interval.
  m_timerYellow.setTimerType(Qt::PreciseTimer);
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
    m_timerYellow.stop();
    SetIndex(IndexNoLink);
  });
}

void TActivityIndicator::RestartActivityTimer() {
  OnOwnThread([this] { m_timerYellow.start(); }); // starts over if running
}

void TActivityIndicator::StopActivityTimer() {
  OnOwnThread([this] { m_timerYellow.stop(); });
}

void TActivityIndicator::TimerYellowTimer() {
  m_timerYellow.stop();
  if (m_index != IndexNoLink)
    SetIndex(IndexIdle);
}

void TActivityIndicator::SetIndex(int index) {
  if (index == m_index)
    return;
  m_index = index;
  emit IndexChanged(index);
}
