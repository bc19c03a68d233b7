// The main window's keyboard and quick text: key events that enter through
// the window reach the queue the window was given.
#include "app/AppException.h"
#include "app/MessageBoxes.h"
#include "app/Startup.h"
#include "app/UnitMain.h"
#include "common/Paths.h"
#include "keys/KeyTable.h"
#include "keys/Keyboard.h"
#include "keys/PhoneKeypad.h"
#include "link/CommandQueue.h"
#include "platform/KeyMapping.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTest>

class TestKeyboard : public QObject {
  Q_OBJECT

  ScopedTempDir m_dir;
  TCommandQueue m_queue;
  std::unique_ptr<TFormMain> m_form;
  bool m_caps = false;

  QList<int> Codes() {
    const QByteArray b = m_queue.Bytes();
    QList<int> codes;
    for (qsizetype i = 0; i + 1 < b.size(); i += 2)
      codes << (uint8_t(b[i]) | (uint8_t(b[i + 1]) << 8));
    return codes;
  }
  // A key as the system delivers it: into the window, which passes it on.
  void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(m_form->windowHandle(), Qt::Key(key), mods);
  }

private slots:
  void init() {
    SetExePath(m_dir.File("quorvane"));
    SetMessageBoxHook([](TMessageKind, const QString &, const QString &t) {
      QFAIL(qPrintable("unexpected message: " + t));
    });
    platform::SetCapsLockSource([this] { return m_caps; });
    m_caps = false;
    KeyTable() = DefaultKeyTable();
    KeyTable()[12] = "Call\t452\t2\t116";
    m_form = std::make_unique<TFormMain>(m_queue);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    m_form->PanelButton->setFocus();
    m_queue.QueueClear();
  }
  void cleanup() {
    m_form.reset();
    platform::SetCapsLockSource({});
    SetMessageBoxHook({});
    KeyTable().clear();
  }

  void keysReachThePhoneOnce() {
    Key(Qt::Key_A);
    Key(Qt::Key_A, Qt::ShiftModifier);
    m_caps = true;
    Key(Qt::Key_A);
    Key(Qt::Key_A, Qt::ShiftModifier);
    m_caps = false;
    Key(Qt::Key_At, Qt::ShiftModifier);
    Key(Qt::Key_QuoteLeft);
    Key(Qt::Key_AsciiTilde, Qt::ShiftModifier);
    Key(Qt::Key_F5);
    Key(Qt::Key_F5, Qt::ControlModifier);
    Key(Qt::Key_F5, Qt::ControlModifier | Qt::ShiftModifier);
    Key(Qt::Key_1, Qt::KeypadModifier);
    // The modifier keys go down first and are sent too: Shift 16, Ctrl 17.
    QCOMPARE(Codes(), (QList<int>{97, 16, 65, 65, 16, 97, 16, 64, 96, 16, 126,
                                  116, 17, 452, 16, 17, 116, 97}));
    m_queue.QueueClear();

    // Shift alone: one key-down, and its release sends nothing.
    QTest::keyPress(m_form->windowHandle(), Qt::Key_Shift);
    QTest::keyRelease(m_form->windowHandle(), Qt::Key_Shift, Qt::ShiftModifier);
    // Tab, which the window keeps for moving the focus, goes to the phone
    // too.
    Key(Qt::Key_Tab);
    QCOMPARE(Codes(), (QList<int>{16, 9}));
    m_queue.QueueClear();

    // Holding a bound key: once per auto-repeat.
    for (int i = 0; i < 3; ++i) {
      QKeyEvent repeat(QEvent::KeyPress, Qt::Key_F5, Qt::ControlModifier,
                       QString(), i > 0);
      QCoreApplication::sendEvent(m_form->windowHandle(), &repeat);
    }
    QCOMPARE(Codes(), (QList<int>{452, 452, 452}));
    m_queue.QueueClear();

    // A key the mapping cannot name sends nothing.
    Key(Qt::Key_Eacute);
    QVERIFY(Codes().isEmpty());
  }

  void quickTextTakesTheKeyboard() {
    TFormMain &f = *m_form;
    QTest::mouseClick(f.CheckBoxEnabled, Qt::LeftButton);
    QVERIFY(f.CheckBoxEnabled->isChecked());
    QVERIFY(f.BtnSend->isEnabled());
    QVERIFY(!f.KeyPreview().KeyPreview());
    QCOMPARE(f.focusWidget(), static_cast<QWidget *>(f.RichEdit));
    // The field is in front of its cover.
    QCOMPARE(f.PanelWorkZone->childAt(f.RichEdit->geometry().center()),
             f.RichEdit->viewport());

    // Typing goes into the field and nothing to the phone.
    f.RichEdit->setFocus();
    Key(Qt::Key_A);
    Key(Qt::Key_B);
    QCOMPARE(f.RichEdit->toPlainText(), QString("ab"));
    QVERIFY(Codes().isEmpty());
    QTest::mouseClick(f.BtnSend, Qt::LeftButton);
    QCOMPARE(m_queue.Bytes(), QByteArray("\x61\x00\x62\x00", 4));
    QVERIFY(f.RichEdit->toPlainText().isEmpty());
    QVERIFY(f.CheckBoxEnabled->isChecked());
    m_queue.QueueClear();

    f.RichEdit->setPlainText(QStringLiteral("a\nb\u00e9\u20ac\u0416"));
    f.BtnSendClick();
    QCOMPARE(Codes(), (QList<int>{97, 13, 10, 98, 0xE9, 0x80, 63}));
    m_queue.QueueClear();
    f.BtnSendClick(); // empty: nothing
    QVERIFY(m_queue.Bytes().isEmpty());

    // Off again: the cover is back, unsent text stays behind it, and the
    // next key goes to the phone.
    f.RichEdit->setPlainText("left");
    QTest::mouseClick(f.CheckBoxEnabled, Qt::LeftButton);
    QVERIFY(!f.BtnSend->isEnabled());
    QVERIFY(f.KeyPreview().KeyPreview());
    QCOMPARE(f.focusWidget(), static_cast<QWidget *>(f.PanelButton));
    QCOMPARE(f.PanelWorkZone->childAt(f.RichEdit->geometry().center()),
             f.ImageRichEdit);
    QCOMPARE(f.RichEdit->toPlainText(), QString("left"));
    Key(Qt::Key_B);
    QCOMPARE(Codes(), QList<int>{98});
    // Switching on empties the field.
    QTest::mouseClick(f.CheckBoxEnabled, Qt::LeftButton);
    QVERIFY(f.RichEdit->toPlainText().isEmpty());
  }

  void unwritableKeyTableIsReportedAtTheEnd() {
    QStringList boxes;
    SetMessageBoxHook(
        [&](TMessageKind kind, const QString &, const QString &t) {
          QCOMPARE(kind, TMessageKind::Warning);
          boxes << t;
        });
    SaveKeyTableAtEnd(); // the program directory takes the file
    QVERIFY(boxes.isEmpty());
    {
      QFile written(m_dir.File("keys.ini"));
      QVERIFY(written.open(QIODevice::ReadOnly));
      const QByteArray bytes = written.readAll();
      QCOMPARE(bytes.count("\r\n"), 24);
      QVERIFY(bytes.contains("\r\nCall\t452\t2\t116\r\n"));
    }
    QFile::remove(m_dir.File("keys.ini"));
    QVERIFY(QDir().mkpath(m_dir.File("keys.ini"))); // cannot become a file
    KeyTable() = DefaultKeyTable();
    SaveKeyTableAtEnd();
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes.first().contains("keys.ini"));
    QVERIFY(QDir().rmdir(m_dir.File("keys.ini")));
  }
};

int main(int argc, char **argv) {
  TApplication app(argc, argv);
  TestKeyboard test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_keyboard.moc"
