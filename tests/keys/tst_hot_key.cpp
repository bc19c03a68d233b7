// The hot-key editor and the key page's actions on a list of keys.
#include "keys/HotKeyEditor.h"
#include "keys/KeyTable.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

class TestHotKey : public QObject {
  Q_OBJECT

  std::unique_ptr<QTreeWidget> m_list;
  std::unique_ptr<HotKeyEditor> m_editor;

  // Opens the editor on the given row, runs actions while it is up, and
  // returns what btnKeyEditClick returned.
  bool Edit(int row, const std::function<void()> &actions) {
    m_list->setCurrentItem(m_list->topLevelItem(row));
    bool ran = false;
    QTimer::singleShot(0, this, [&] {
      ran = true;
      actions();
      if (m_editor->isVisible())
        m_editor->reject();
    });
    const bool changed = btnKeyEditClick(m_list.get(), *m_editor);
    if (!ran)
      qWarning("the editor did not open");
    return changed;
  }
  QString cell(int row, int column) {
    return m_list->topLevelItem(row)->text(column);
  }
  void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(m_editor->m_keyEdit, key, mods);
  }

private slots:
  void init() {
    m_list = std::make_unique<QTreeWidget>();
    m_list->setColumnCount(3);
    m_editor = std::make_unique<HotKeyEditor>();
    keyTable() = defaultKeyTable();
  }
  void cleanup() {
    m_editor.reset();
    m_list.reset();
    keyTable().clear();
  }

  void listShowsTheTableAndKeepsTheSelection() {
    keyTable() = {"Call\t452\t6\t116", "Hold\t453\tx\t65"};
    pageKeysShow(m_list.get());
    QCOMPARE(m_list->topLevelItemCount(), 2);
    QCOMPARE(cell(0, 0), QString("Call"));
    QCOMPARE(cell(0, 1), QString("452"));
    QCOMPARE(cell(0, 2), QString("Ctrl + Shift + \"F5\""));
    QCOMPARE(cell(1, 2), QString("\"A\""));
    QCOMPARE(m_list->indexOfTopLevelItem(m_list->currentItem()), 0);
    m_list->setCurrentItem(m_list->topLevelItem(1));
    fillKeyList(m_list.get());
    QCOMPARE(m_list->selectedItems().size(), 1);
    QCOMPARE(m_list->indexOfTopLevelItem(m_list->selectedItems().first()), 1);
    keyTable().clear();
    pageKeysShow(m_list.get());
    QCOMPARE(m_list->topLevelItemCount(), 0);
    QVERIFY(!btnKeyEditClick(m_list.get(), *m_editor)); // nothing selected
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
    keyTable()[13] = "Menu\t436\t2\t116"; // Ctrl+F5 is taken
    pageKeysShow(m_list.get());
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
    QCOMPARE(keyTable()[12], QByteArray("Call\t452\t6\t17"));
    QCOMPARE(cell(12, 2), QString("Ctrl + Shift + \"Ctrl\""));
    QCOMPARE(m_list->indexOfTopLevelItem(m_list->currentItem()), 12);
    QCOMPARE(keyTable()[13], QByteArray("Menu\t436\t2\t116"));

    // Cancel changes nothing.
    QVERIFY(!Edit(12, [&] {
      press(Qt::Key_F9);
      m_editor->m_cancelButton->click();
    }));
    QCOMPARE(keyTable()[12], QByteArray("Call\t452\t6\t17"));
  }

  void okStartsByTheRuleAndIsRefusedWithoutAKey() {
    keyTable()[0] = "0\t304\t1\t48"; // Alt + "0"
    keyTable()[2] = "2\t306\t9\t50"; // Alt + Ext + "2"
    pageKeysShow(m_list.get());
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
    QCOMPARE(keyTable()[2], QByteArray("2\t306\t1\t50"));

    // A line without a shortcut: OK stays off, whatever the boxes say, and
    // the dialog cannot be accepted.
    QVERIFY(!Edit(1, [&] {
      QCOMPARE(m_editor->m_capturedKey, uint16_t(0));
      m_editor->m_shiftCheck->click();
      QVERIFY(!m_editor->m_okButton->isEnabled());
      m_editor->accept();
      QVERIFY(m_editor->isVisible());
    }));
    QCOMPARE(keyTable()[1], QByteArray("1\t305\t0\t0"));
  }

  void editReplacesTheSelectedRowsOwnLine() {
    // A code not in canonical form: looking the line up by its code finds
    // nothing. And two lines sharing a code: the second is the one edited.
    keyTable() = {"Zero\t0304\t0\t0", "Call\t452\t0\t0", "Send\t452\t0\t0",
                  "Zero2\t304\t0\t0"};
    pageKeysShow(m_list.get());
    QVERIFY(Edit(0, [&] {
      press(Qt::Key_Z);
      m_editor->m_okButton->click();
    }));
    QVERIFY(Edit(2, [&] {
      press(Qt::Key_F2);
      m_editor->m_okButton->click();
    }));
    QCOMPARE(keyTable(),
             (QList<QByteArray>{"Zero\t304\t0\t90", "Call\t452\t0\t0",
                                "Send\t452\t0\t113", "Zero2\t304\t0\t0"}));
    QCOMPARE(cell(2, 2), QString("\"F2\""));
  }
};

QTEST_MAIN(TestHotKey)
#include "tst_hot_key.moc"
