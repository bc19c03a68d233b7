
#include "app/AppException.h"
#include "app/SplashScreen.h"
#include "support/WindowDriver.h"

#include <QLabel>
#include <QTest>
#include <QTimer>
#include <stdexcept>

class TestSplash : public QObject {
  Q_OBJECT
private slots:
  void hidesOnTheFifthTickAfterTheLoopStarts() {
    SplashScreen splash;
    driver::find<QTimer>(splash, "splashTimer")->setInterval(10);
    splash.show();
    QVERIFY(driver::find<QTimer>(splash, "splashTimer")->isActive());
    // No tick is delivered before the event loop runs.
    QTest::qSleep(60);
    QCOMPARE(splash.tickCount(), 0);
    QVERIFY(splash.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!splash.isVisible(), 5000);
    QCOMPARE(splash.tickCount(), SplashScreen::kSplashTicks);
    // Hidden, it no longer wakes the program.
    QVERIFY(!driver::find<QTimer>(splash, "splashTimer")->isActive());
  }

  void labelAreaTakesTheClickThePictureHides() {
    SplashScreen splash;
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    driver::find<QTimer>(splash, "splashTimer")->stop();
    QCOMPARE(splash.size(), QSize(500, 300));
    // Inside the label (167..390, 263..291): nothing happens.
    QTest::mouseClick(splash.windowHandle(), Qt::LeftButton, {},
                      QPoint(200, 270));
    QVERIFY(splash.isVisible());
    QTest::mouseClick(splash.windowHandle(), Qt::LeftButton, {},
                      QPoint(390, 291));
    QVERIFY(splash.isVisible());
    // Elsewhere on the picture: hidden at once.
    QTest::mouseClick(splash.windowHandle(), Qt::LeftButton, {},
                      QPoint(100, 100));
    QVERIFY(!splash.isVisible());
  }

  void aboutBoxesAreCentredAndNeverHideByThemselves() {
    QWidget main;
    main.setGeometry(100, 80, 625, 669);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    SplashScreen box1, box2;
    for (SplashScreen *box : {&box1, &box2}) {
      box->makeAboutBox(&main);
      box->show();
      QVERIFY(QTest::qWaitForWindowExposed(box));
      QCOMPARE(box->windowTitle(), QString("Quorvane v1.0"));
      QVERIFY(!driver::find<QTimer>(*box, "splashTimer")->isActive());
      main.move(main.pos() + QPoint(40, 20));
    }
    // Each box is centred on the main window of its moment.
    QCOMPARE(box1.frameGeometry().center().x() / 10,
             QRect(100, 80, 625, 669).center().x() / 10);
    QVERIFY(box2.pos() != box1.pos());
    // A click on the picture does nothing in the About box.
    QTest::mouseClick(box1.windowHandle(), Qt::LeftButton, {}, QPoint(50, 50));
    QVERIFY(box1.isVisible());
    QCOMPARE(driver::find<QLabel>(box1, "homePageLink")->cursor().shape(),
             Qt::PointingHandCursor);
  }

  void errorsReachingTheLoopEndTheProgram() {
    GuardedApplication::instance()->setShowErrorBox(false);
    QTimer::singleShot(0, [] { throw std::runtime_error("tile went wrong"); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
    const int code = QCoreApplication::exec();
    QCOMPARE(code, 1);
    QVERIFY(GuardedApplication::instance()->handledErrors().contains(
        "tile went wrong"));
  }
};

int main(int argc, char **argv) {
  GuardedApplication app(argc, argv);
  TestSplash test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_splash.moc"
