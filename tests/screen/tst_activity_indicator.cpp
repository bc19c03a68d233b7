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
  ActivityIndicator indicator(nullptr, 20);
  QSignalSpy spy(&indicator, &ActivityIndicator::indexChanged);
  QCOMPARE(indicator.index(), 0);
  indicator.showLinkIdle();
  indicator.showLinkActivity();
  indicator.showLinkActivity(); // no change, no signal
  indicator.showNoLink();
  QCOMPARE(spy.count(), 3);
  QCOMPARE(spy.at(0).at(0).toInt(), 1);
  QCOMPARE(spy.at(1).at(0).toInt(), 2);
  QCOMPARE(spy.at(2).at(0).toInt(), 0);
  QVERIFY(!indicator.timerYellowActive());
}

void TestActivityIndicator::restartPostponesTheReturnToIdle() {
  // Two restarts some time apart: the indicator returns to idle one
  // interval after the second, not after the first. Only lower bounds are
  // checked, so a slow machine cannot fail it.
  const int interval = 200;
  ActivityIndicator indicator(nullptr, interval);
  QElapsedTimer clock;
  clock.start();
  qint64 idleAt = -1;
  connect(&indicator, &ActivityIndicator::indexChanged, this, [&](int index) {
    if (index == ActivityIndicator::kIndexIdle && idleAt < 0)
      idleAt = clock.elapsed();
  });

  indicator.showLinkActivity();
  indicator.restartActivityTimer();
  QTest::qWait(120);
  indicator.showLinkActivity();
  idleAt = -1; // a tick before this point (a very slow machine) is no proof
  const qint64 second = clock.elapsed();
  indicator.restartActivityTimer();
  QVERIFY(indicator.timerYellowActive());

  QTRY_COMPARE_WITH_TIMEOUT(indicator.index(), 1, 5000);
  QVERIFY2(
      idleAt - second >= interval - 1,
      qPrintable(
          QString("idle %1 ms after the second restart").arg(idleAt - second)));
  QVERIFY(!indicator.timerYellowActive()); // the tick stops the timer
}

void TestActivityIndicator::restartFromAnotherThreadRunsOnTheOwnThread() {
  QTest::failOnWarning(QRegularExpression("Timers cannot"));
  ActivityIndicator indicator(nullptr, 10);
  indicator.showLinkIdle();
  std::thread link([&] {
    indicator.showLinkActivity();
    indicator.restartActivityTimer();
  });
  link.join();
  QCOMPARE(indicator.index(), 1); // nothing has run here yet
  QTRY_COMPARE(indicator.index(), 2);
  QTRY_COMPARE(indicator.index(), 1);
}

void TestActivityIndicator::noLinkIsNotUndoneByAPendingTimer() {
  ActivityIndicator indicator(nullptr, 10);
  indicator.showLinkActivity();
  std::thread link([&] { indicator.restartActivityTimer(); });
  link.join();
  indicator.showNoLink(); // the disconnect, before the restart arrives
  QTest::qWait(60);
  QCOMPARE(indicator.index(), 0);
}

QTEST_MAIN(TestActivityIndicator)
#include "tst_activity_indicator.moc"
