// The main window's keyboard and quick text: key events that enter through
// the window reach the queue the window was given.
#include "app/AppCore.h"
#include "app/AppException.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "app/Startup.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "keys/KeyTable.h"
#include "keys/Keyboard.h"
#include "keys/PhoneKeypad.h"
#include "link/CommandQueue.h"
#include "platform/KeyMapping.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/SwitchCapsLock.h"
#include "support/TempDir.h"
#include "support/WindowDriver.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

class TestKeyboard : public QObject {
  Q_OBJECT

  ScopedTempDir m_dir;
  ScriptedMessageBoxes m_messageBoxes;
  const Paths m_paths = Paths::forExecutable(m_dir.file("quorvane"));
  std::unique_ptr<AppCore> m_core;
  std::unique_ptr<MainWindow> m_form;
  SwitchCapsLock *m_caps = nullptr; // owned by m_core

  QList<int> codes() {
    const QByteArray b = m_core->queue().bytes();
    QList<int> codes;
    for (qsizetype i = 0; i + 1 < b.size(); i += 2)
      codes << (uint8_t(b[i]) | (uint8_t(b[i + 1]) << 8));
    return codes;
  }
  // A key as the system delivers it: into the window, which passes it on.
  void key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(m_form->windowHandle(), Qt::Key(key), mods);
  }

private slots:
  void init() {
    EventLog::instance().setFilePath(m_paths.logFile());
    GuardedApplication::instance()->setMessageBoxes(&m_messageBoxes);
    m_messageBoxes.onShow = [](MessageKind, const QString &, const QString &t) {
      QFAIL(qPrintable("unexpected message: " + t));
    };
    auto caps = std::make_unique<SwitchCapsLock>();
    m_caps = caps.get();
    m_core = std::make_unique<AppCore>(m_paths, std::move(caps));
    m_core->keyTable().setLines(defaultKeyTable());
    m_core->keyTable().setLine(12, "Call\t452\t2\t116");
    m_form = std::make_unique<MainWindow>(*m_core, m_messageBoxes);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    driver::find<PhonePanel>(*m_form, "keypad")->setFocus();
    m_core->queue().queueClear();
  }
  void cleanup() {
    m_form.reset();
    m_messageBoxes.onShow = nullptr;
  }

  void keysReachThePhoneOnce() {
    key(Qt::Key_A);
    key(Qt::Key_A, Qt::ShiftModifier);
    m_caps->on = true;
    key(Qt::Key_A);
    key(Qt::Key_A, Qt::ShiftModifier);
    m_caps->on = false;
    key(Qt::Key_At, Qt::ShiftModifier);
    key(Qt::Key_QuoteLeft);
    key(Qt::Key_AsciiTilde, Qt::ShiftModifier);
    key(Qt::Key_F5);
    key(Qt::Key_F5, Qt::ControlModifier);
    key(Qt::Key_F5, Qt::ControlModifier | Qt::ShiftModifier);
    key(Qt::Key_1, Qt::KeypadModifier);
    // The modifier keys go down first and are sent too: Shift 16, Ctrl 17.
    QCOMPARE(codes(), (QList<int>{97, 16, 65, 65, 16, 97, 16, 64, 96, 16, 126,
                                  116, 17, 452, 16, 17, 116, 97}));
    m_core->queue().queueClear();

    // Shift alone: one key-down, and its release sends nothing.
    QTest::keyPress(m_form->windowHandle(), Qt::Key_Shift);
    QTest::keyRelease(m_form->windowHandle(), Qt::Key_Shift, Qt::ShiftModifier);
    // Tab, which the window keeps for moving the focus, goes to the phone
    // too.
    key(Qt::Key_Tab);
    QCOMPARE(codes(), (QList<int>{16, 9}));
    m_core->queue().queueClear();

    // Holding a bound key: once per auto-repeat.
    for (int i = 0; i < 3; ++i) {
      QKeyEvent repeat(QEvent::KeyPress, Qt::Key_F5, Qt::ControlModifier,
                       QString(), i > 0);
      QCoreApplication::sendEvent(m_form->windowHandle(), &repeat);
    }
    QCOMPARE(codes(), (QList<int>{452, 452, 452}));
    m_core->queue().queueClear();

    // A key the mapping cannot name sends nothing.
    key(Qt::Key_Eacute);
    QVERIFY(codes().isEmpty());
  }

  void quickTextTakesTheKeyboard() {
    MainWindow &f = *m_form;
    QTest::mouseClick(driver::find<QCheckBox>(f, "quickTextCheck"),
                      Qt::LeftButton);
    QVERIFY(driver::find<QCheckBox>(f, "quickTextCheck")->isChecked());
    QVERIFY(driver::find<QPushButton>(f, "sendButton")->isEnabled());
    QVERIFY(!driver::find<KeyPreview>(f, "keyPreview")->keyPreview());
    QCOMPARE(f.focusWidget(), static_cast<QWidget *>(
                                  driver::find<QTextEdit>(f, "quickTextEdit")));
    // The field is in front of its cover.
    QCOMPARE(driver::find(f, "workArea")
                 ->childAt(driver::find<QTextEdit>(f, "quickTextEdit")
                               ->geometry()
                               .center()),
             driver::find<QTextEdit>(f, "quickTextEdit")->viewport());

    // Typing goes into the field and nothing to the phone.
    driver::find<QTextEdit>(f, "quickTextEdit")->setFocus();
    key(Qt::Key_A);
    key(Qt::Key_B);
    QCOMPARE(driver::find<QTextEdit>(f, "quickTextEdit")->toPlainText(),
             QString("ab"));
    QVERIFY(codes().isEmpty());
    QTest::mouseClick(driver::find<QPushButton>(f, "sendButton"),
                      Qt::LeftButton);
    QCOMPARE(m_core->queue().bytes(), QByteArray("\x61\x00\x62\x00", 4));
    QVERIFY(
        driver::find<QTextEdit>(f, "quickTextEdit")->toPlainText().isEmpty());
    QVERIFY(driver::find<QCheckBox>(f, "quickTextCheck")->isChecked());
    m_core->queue().queueClear();

    driver::find<QTextEdit>(f, "quickTextEdit")
        ->setPlainText(QStringLiteral("a\nb\u00e9\u20ac\u0416"));
    driver::click(f, "sendButton");
    QCOMPARE(codes(), (QList<int>{97, 13, 10, 98, 0xE9, 0x80, 63}));
    m_core->queue().queueClear();
    driver::click(f, "sendButton"); // empty: nothing
    QVERIFY(m_core->queue().bytes().isEmpty());

    // Off again: the cover is back, unsent text stays behind it, and the
    // next key goes to the phone.
    driver::find<QTextEdit>(f, "quickTextEdit")->setPlainText("left");
    QTest::mouseClick(driver::find<QCheckBox>(f, "quickTextCheck"),
                      Qt::LeftButton);
    QVERIFY(!driver::find<QPushButton>(f, "sendButton")->isEnabled());
    QVERIFY(driver::find<KeyPreview>(f, "keyPreview")->keyPreview());
    QCOMPARE(f.focusWidget(),
             static_cast<QWidget *>(driver::find<PhonePanel>(f, "keypad")));
    QCOMPARE(driver::find(f, "workArea")
                 ->childAt(driver::find<QTextEdit>(f, "quickTextEdit")
                               ->geometry()
                               .center()),
             driver::find<QLabel>(f, "quickTextCoverImage"));
    QCOMPARE(driver::find<QTextEdit>(f, "quickTextEdit")->toPlainText(),
             QString("left"));
    key(Qt::Key_B);
    QCOMPARE(codes(), QList<int>{98});
    // Switching on empties the field.
    QTest::mouseClick(driver::find<QCheckBox>(f, "quickTextCheck"),
                      Qt::LeftButton);
    QVERIFY(
        driver::find<QTextEdit>(f, "quickTextEdit")->toPlainText().isEmpty());
  }

  void unwritableKeyTableIsReportedAtTheEnd() {
    QStringList boxes;
    m_messageBoxes.onShow = [&](MessageKind kind, const QString &,
                                const QString &t) {
      QCOMPARE(kind, MessageKind::Warning);
      boxes << t;
    };
    saveKeyTableAtEnd(m_paths, m_core->keyTable(),
                      m_messageBoxes); // the program directory takes the file
    QVERIFY(boxes.isEmpty());
    {
      QFile written(m_dir.file("keys.ini"));
      QVERIFY(written.open(QIODevice::ReadOnly));
      const QByteArray bytes = written.readAll();
      QCOMPARE(bytes.count("\r\n"), 24);
      QVERIFY(bytes.contains("\r\nCall\t452\t2\t116\r\n"));
    }
    QFile::remove(m_dir.file("keys.ini"));
    QVERIFY(QDir().mkpath(m_dir.file("keys.ini"))); // cannot become a file
    m_core->keyTable().setLines(defaultKeyTable());
    saveKeyTableAtEnd(m_paths, m_core->keyTable(), m_messageBoxes);
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes.first().contains("keys.ini"));
    QVERIFY(QDir().rmdir(m_dir.file("keys.ini")));
  }
};

int main(int argc, char **argv) {
  GuardedApplication app(argc, argv);
  TestKeyboard test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_keyboard.moc"
