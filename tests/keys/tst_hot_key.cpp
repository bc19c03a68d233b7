// The hot-key editor, and the key table's model it edits through.
#include "keys/HotKeyEditor.h"
#include "keys/KeyTable.h"
#include "keys/KeyTableModel.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

class TestHotKey : public QObject {
  Q_OBJECT

  KeyTable m_table;
  std::unique_ptr<KeyTableModel> m_model;
  std::unique_ptr<HotKeyEditor> m_editor;

  // Opens the editor on the given row, runs actions while it is up, and
  // returns what editKeyShortcut returned.
  bool Edit(int row, const std::function<void()> &actions) {
    bool ran = false;
    QTimer::singleShot(0, this, [&] {
      ran = true;
      actions();
      if (m_editor->isVisible())
        m_editor->reject();
    });
    const bool changed = editKeyShortcut(*m_model, row, *m_editor);
    if (!ran)
      qWarning("the editor did not open");
    return changed;
  }
  QString cell(int row, int column) {
    return m_model->data(m_model->index(row, column)).toString();
  }
  void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(m_editor->m_keyEdit, key, mods);
  }

private slots:
  void init() {
    m_table.setLines(defaultKeyTable());
    m_model = std::make_unique<KeyTableModel>(m_table);
    m_editor = std::make_unique<HotKeyEditor>(m_table);
  }
  void cleanup() {
    m_editor.reset();
    m_model.reset();
  }

  void modelShowsTheLinesAndAnEditRewritesOnlyItsLine() {
    const QList<QByteArray> lines{"Call\t452\t6\t116", "Hold\t453\tx\t65",
                                  "Menu\t0436\t0"};
    m_table.setLines(lines);
    m_model->reload();
    QCOMPARE(m_model->rowCount(), 3);
    QCOMPARE(m_model->columnCount(), 3);
    QCOMPARE(m_model->headerData(2, Qt::Horizontal).toString(),
             QString("Shortcut"));
    QCOMPARE(cell(0, 0), QString("Call"));
    QCOMPARE(cell(0, 1), QString("452"));
    QCOMPARE(cell(0, 2), QString("Ctrl + Shift + \"F5\""));
    QCOMPARE(cell(1, 2), QString("\"A\""));
    QCOMPARE(cell(2, 1), QString("0")); // three fields: not a key line

    QSignalSpy changed(m_model.get(), &QAbstractItemModel::dataChanged);
    Key hold = m_model->keyAt(1);
    hold.virtualKey = 66;
    m_model->setKey(1, hold);
    QCOMPARE(m_table.lines(),
             (QList<QByteArray>{lines[0], "Hold\t453\t0\t66", lines[2]}));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed[0][0].toModelIndex().row(), 1);
    QCOMPARE(cell(1, 2), QString("\"B\""));

    m_table.setLines({});
    m_model->reload();
    QCOMPARE(m_model->rowCount(), 0);
    QVERIFY(!editKeyShortcut(*m_model, 0, *m_editor));  // no such row
    QVERIFY(!editKeyShortcut(*m_model, -1, *m_editor)); // nothing selected
  }

  void editorLayout() {
    HotKeyEditor &e = *m_editor;
    QCOMPARE(e.size(), QSize(273, 97));
    // Wide enough for "Umschalt" and "Abbrechen".
    QCOMPARE(e.m_altCheck->geometry(), QRect(16, 16, 78, 17));
    QCOMPARE(e.m_ctrlCheck->geometry(), QRect(16, 33, 78, 17));
    QCOMPARE(e.m_shiftCheck->geometry(), QRect(16, 50, 78, 17));
    QCOMPARE(e.m_okButton->geometry().topLeft(), QPoint(111, 59));
    QCOMPARE(e.m_okButton->width(), 70);
    QCOMPARE(e.m_cancelButton->geometry().topLeft(), QPoint(186, 59));
    QCOMPARE(e.m_cancelButton->width(), 76);
    QCOMPARE(e.m_keyEdit->geometry(), QRect(98, 16, 159, 21));
    QVERIFY(e.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(e.windowFlags() & Qt::WindowMinMaxButtonsHint));
  }

  void okRuleCaptureAndCaption() {
    m_table.setLine(13, "Menu\t436\t2\t116"); // Ctrl+F5 is taken
    const bool changed = Edit(12, [&] {
      HotKeyEditor &e = *m_editor;
      QCOMPARE(e.windowTitle(), QString("Edit button: Call"));
      QCOMPARE(e.focusWidget(), e.m_keyEdit); // formShow
      QVERIFY(!e.m_okButton->isEnabled());    // nothing captured yet
      press(Qt::Key_F5);
      QCOMPARE(e.m_capturedKey, uint16_t(116));
      QCOMPARE(e.m_keyEdit->text(), QString("F5"));
      QCOMPARE(e.windowTitle(), QString("116"));
      QVERIFY(e.m_okButton->isEnabled());
      QTest::mouseClick(e.m_ctrlCheck, Qt::LeftButton);
      QVERIFY(!e.m_okButton->isEnabled());
      // The event's own modifiers are ignored: only the boxes count.
      press(Qt::Key_Control, Qt::ControlModifier);
      QCOMPARE(e.m_capturedKey, uint16_t(17));
      QCOMPARE(e.m_keyEdit->text(), QString("Ctrl"));
      QVERIFY(e.m_okButton->isEnabled()); // Ctrl + "Ctrl" is free
      // Nothing is ever typed into the field.
      e.m_keyEdit->insert("xyz");
      QCOMPARE(e.m_keyEdit->text(), QString("Ctrl"));
      QTest::mouseClick(e.m_shiftCheck, Qt::LeftButton);
      QTest::mouseClick(e.m_okButton, Qt::LeftButton);
    });
    QVERIFY(changed);
    QCOMPARE(m_table.line(12), QByteArray("Call\t452\t6\t17"));
    QCOMPARE(cell(12, 2), QString("Ctrl + Shift + \"Ctrl\""));
    QCOMPARE(m_table.line(13), QByteArray("Menu\t436\t2\t116"));

    // Cancel changes nothing.
    QVERIFY(!Edit(12, [&] {
      press(Qt::Key_F9);
      m_editor->m_cancelButton->click();
    }));
    QCOMPARE(m_table.line(12), QByteArray("Call\t452\t6\t17"));
  }

  void okStartsByTheRuleAndIsRefusedWithoutAKey() {
    m_table.setLine(0, "0\t304\t1\t48"); // Alt + "0"
    m_table.setLine(2, "2\t306\t9\t50"); // Alt + Ext + "2"
    // The unchanged shortcut is in the table: OK opens disabled.
    QVERIFY(!Edit(0, [&] {
      QVERIFY(m_editor->m_altCheck->isChecked());
      QCOMPARE(m_editor->m_keyEdit->text(), QString("0"));
      QVERIFY(!m_editor->m_okButton->isEnabled());
      m_editor->m_ctrlCheck->click();
      QVERIFY(m_editor->m_okButton->isEnabled());
      m_editor->m_ctrlCheck->click();
      QVERIFY(!m_editor->m_okButton->isEnabled());
    }));
    // Accepted as it opened, a line keeps its shortcut; only Ext is lost.
    QVERIFY(Edit(2, [&] {
      QVERIFY(m_editor->m_okButton->isEnabled()); // Alt + "2" without Ext
      m_editor->m_okButton->click();
    }));
    QCOMPARE(m_table.line(2), QByteArray("2\t306\t1\t50"));

    // A line without a shortcut: OK stays off, whatever the boxes say, and
    // the dialog cannot be accepted.
    QVERIFY(!Edit(1, [&] {
      QCOMPARE(m_editor->m_capturedKey, uint16_t(0));
      m_editor->m_shiftCheck->click();
      QVERIFY(!m_editor->m_okButton->isEnabled());
      m_editor->accept();
      QVERIFY(m_editor->isVisible());
    }));
    QCOMPARE(m_table.line(1), QByteArray("1\t305\t0\t0"));
  }

  void editReplacesTheSelectedRowsOwnLine() {
    // A code not in canonical form: looking the line up by its code finds
    // nothing. And two lines sharing a code: the second is the one edited.
    m_table.setLines({"Zero\t0304\t0\t0", "Call\t452\t0\t0", "Send\t452\t0\t0",
                      "Zero2\t304\t0\t0"});
    m_model->reload();
    QVERIFY(Edit(0, [&] {
      press(Qt::Key_Z);
      m_editor->m_okButton->click();
    }));
    QVERIFY(Edit(2, [&] {
      press(Qt::Key_F2);
      m_editor->m_okButton->click();
    }));
    QCOMPARE(m_table.lines(),
             (QList<QByteArray>{"Zero\t304\t0\t90", "Call\t452\t0\t0",
                                "Send\t452\t0\t113", "Zero2\t304\t0\t0"}));
    QCOMPARE(cell(2, 2), QString("\"F2\""));
  }
};

QTEST_MAIN(TestHotKey)
#include "tst_hot_key.moc"
