#include "screen/ActivityIndicator.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <thread>

class TestActivityIndicator : public QObject {
  Q_OBJECT

private slots:
  void showsTheThreeStates();
  void restartPostponesTheReturnToIdle();
  void restartFromAnotherThreadRunsOnTheOwnThread();
  void noLinkIsNotUndoneByAPendingTimer();
};

void TestActivityIndicator::showsTheThreeStates() {
  TActivityIndicator indicator(nullptr, 20);
  QSignalSpy spy(&indicator, &TActivityIndicator::IndexChanged);
  QCOMPARE(indicator.Index(), 0);
  indicator.ShowLinkIdle();
  indicator.ShowLinkActivity();
  indicator.ShowLinkActivity(); // no change, no signal
  indicator.ShowNoLink();
  QCOMPARE(spy.count(), 3);
  QCOMPARE(spy.at(0).at(0).toInt(), 1);
  QCOMPARE(spy.at(1).at(0).toInt(), 2);
  QCOMPARE(spy.at(2).at(0).toInt(), 0);
  QVERIFY(!indicator.TimerYellowActive());
}

void TestActivityIndicator::restartPostponesTheReturnToIdle() {
  // Two restarts some time apart: the indicator returns to idle one
  // interval after the second, not after the first. Only lower bounds are
  // checked, so a slow machine cannot fail it.
  const int interval = 200;
  TActivityIndicator indicator(nullptr, interval);
  QElapsedTimer clock;
  clock.start();
  qint64 idleAt = -1;
  connect(&indicator, &TActivityIndicator::IndexChanged, this, [&](int index) {
    if (index == TActivityIndicator::IndexIdle && idleAt < 0)
      idleAt = clock.elapsed();
  });

  indicator.ShowLinkActivity();
  indicator.RestartActivityTimer();
  QTest::qWait(120);
  indicator.ShowLinkActivity();
  idleAt = -1; // a tick before this point (a very slow machine) is no proof
  const qint64 second = clock.elapsed();
  indicator.RestartActivityTimer();
  QVERIFY(indicator.TimerYellowActive());

  QTRY_COMPARE_WITH_TIMEOUT(indicator.Index(), 1, 5000);
  QVERIFY2(
      idleAt - second >= interval - 1,
      qPrintable(
          QString("idle %1 ms after the second restart").arg(idleAt - second)));
  QVERIFY(!indicator.TimerYellowActive()); // the tick stops the timer
}

void TestActivityIndicator::restartFromAnotherThreadRunsOnTheOwnThread() {
  QTest::failOnWarning(QRegularExpression("Timers cannot"));
  TActivityIndicator indicator(nullptr, 10);
  indicator.ShowLinkIdle();
  std::thread link([&] {
    indicator.ShowLinkActivity();
    indicator.RestartActivityTimer();
  });
  link.join();
  QCOMPARE(indicator.Index(), 1); // nothing has run here yet
  QTRY_COMPARE(indicator.Index(), 2);
  QTRY_COMPARE(indicator.Index(), 1);
}

void TestActivityIndicator::noLinkIsNotUndoneByAPendingTimer() {
  TActivityIndicator indicator(nullptr, 10);
  indicator.ShowLinkActivity();
  std::thread link([&] { indicator.RestartActivityTimer(); });
  link.join();
  indicator.ShowNoLink(); // the disconnect, before the restart arrives
  QTest::qWait(60);
  QCOMPARE(indicator.Index(), 0);
}

QTEST_MAIN(TestActivityIndicator)
#include "tst_activity_indicator.moc"
