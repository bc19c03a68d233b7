// The real main window and the phone simulator over loopback TCP: keys
// pressed on the PC keyboard, a shortcut from keys.ini and quick text all
// reach the phone, and keys.ini is written back as it was loaded.
#include "app/AppCore.h"
#include "app/AppException.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "keys/KeyTable.h"
#include "link/CommandQueue.h"
#include "link/TcpLink.h"
#include "screen/ScreenCanvas.h"
#include "settings/Settings.h"
#include "support/ProgramFixtures.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"
#include "support/WindowDriver.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

class TestEndToEndKeyboard : public QObject {
  Q_OBJECT

  static QList<QByteArray> recorded(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
      return {};
    QList<QByteArray> lines = f.readAll().split('\n');
    lines.removeAll(QByteArray());
    return lines;
  }

private slots:
  void keyboardShortcutsAndQuickTextReachThePhone() {
    ScopedTempDir dir;
    ScriptedMessageBoxes boxes;
    const Paths paths = Paths::forExecutable(dir.file("quorvane"));
    QVERIFY(copySkinFile(dir));
    EventLog::instance().setFilePath(paths.logFile());
    boxes.onShow = [](MessageKind, const QString &, const QString &text) {
      QFAIL(qPrintable("unexpected message: " + text));
    };

    // Ctrl+M is bound to the phone's Menu key; one line is written oddly
    // and must come back as it was.
    QList<QByteArray> lines = defaultKeyTable();
    lines[13] = "Menu\t436\t2\t77";
    lines[16] = "ABC\t+274\t0x\t0";
    const QByteArray keysIni = lines.join("\r\n") + "\r\n";
    {
      QFile f(dir.file("keys.ini"));
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(keysIni);
    }
    AppCore core(paths);
    core.keyTable().load(paths);
    QCOMPARE(core.keyTable().size(), 24);
    auto form = std::make_unique<MainWindow>(core, boxes);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    core.settings().setPort(0); // any free port the kernel gives
    driver::trigger(*form, "connectInternetAction");
    QVERIFY(form->core().tcpLink().active());
    const int port = form->core().tcpLink().boundPort();

    const QString record = dir.file("keys.txt");
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QV_BIN_DIR "/phone-sim",
              {"--host", "127.0.0.1", "--port", QString::number(port),
               "--record", record, "--quiet"});
    QVERIFY(sim.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(
        driver::find<QLabel>(*form, "phoneModelLabel")->text(),
        QString("Quorvane Phone Simulator"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(
        countNonWhite(form->core().canvas().screen()) > 2000, 10000);
    QTest::qWait(300); // let the first full screen settle
    const QImage home = form->core().canvas().screen();

    // Key events into the window, as the system delivers them.
    QWindow *w = form->windowHandle();
    QTest::keyClick(w, Qt::Key_M, Qt::ControlModifier); // Menu, from keys.ini
    QTest::keyClick(w, Qt::Key_Right);
    QTest::keyClick(w, Qt::Key_Right); // the menu's third item: Notes
    QTest::keyClick(w, Qt::Key_Return);
    QTest::keyClick(w, Qt::Key_H, Qt::ShiftModifier);
    QTest::keyClick(w, Qt::Key_I);
    // The modifier keys are sent as they go down (Ctrl 17, Shift 16); the
    // phone ignores them.
    const QList<QByteArray> typed = {"17", "436", "39", "39",
                                     "13", "16",  "72", "105"};
    QTRY_COMPARE_WITH_TIMEOUT(recorded(record), typed, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(form->core().canvas().screen() != home, 10000);

    // Quick text: a key typed goes into the field, not to the phone; Send
    // sends the field's characters once.
    QTest::mouseClick(driver::find<QCheckBox>(*form, "quickTextCheck"),
                      Qt::LeftButton);
    QTest::keyClick(w, Qt::Key_X);
    QCOMPARE(driver::find<QTextEdit>(*form, "quickTextEdit")->toPlainText(),
             QString("x"));
    driver::find<QTextEdit>(*form, "quickTextEdit")
        ->insertPlainText(QStringLiteral("\u00e9!\nok"));
    QTest::mouseClick(driver::find<QPushButton>(*form, "sendButton"),
                      Qt::LeftButton);
    const QList<QByteArray> sent =
        typed + QList<QByteArray>{"120", "233", "33", "13", "10", "111", "107"};
    QTRY_COMPARE_WITH_TIMEOUT(recorded(record), sent, 10000);

    driver::trigger(*form, "disconnectAction");
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    form->close();
    form.reset();

    // The ending step writes the table back: nothing was edited, so the file
    // is what was loaded.
    QVERIFY(core.keyTable().save(paths));
    QFile f(dir.file("keys.ini"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), keysIni);
    boxes.onShow = nullptr;
  }
};

int main(int argc, char **argv) {
  GuardedApplication app(argc, argv);
  TestEndToEndKeyboard test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_keyboard.moc"
