// The hot-key editor and the key page's actions on a list of keys.
#include "keys/KeyTable.h"
#include "keys/UnitHotKey.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

class TestHotKey : public QObject {
  Q_OBJECT

  std::unique_ptr<QTreeWidget> m_list;
  std::unique_ptr<TFormHotKey> m_editor;

  // Opens the editor on the given row, runs actions while it is up, and
  // returns what BtnKeyEditClick returned.
  bool Edit(int row, const std::function<void()> &actions) {
    m_list->setCurrentItem(m_list->topLevelItem(row));
    bool ran = false;
    QTimer::singleShot(0, this, [&] {
      ran = true;
      actions();
      if (m_editor->isVisible())
        m_editor->reject();
    });
    const bool changed = BtnKeyEditClick(m_list.get(), *m_editor);
    if (!ran)
      qWarning("the editor did not open");
    return changed;
  }
  QString Cell(int row, int column) {
    return m_list->topLevelItem(row)->text(column);
  }
  void Press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(m_editor->EditKey, key, mods);
  }

private slots:
  void init() {
    m_list = std::make_unique<QTreeWidget>();
    m_list->setColumnCount(3);
    m_editor = std::make_unique<TFormHotKey>();
    KeyTable() = DefaultKeyTable();
  }
  void cleanup() {
    m_editor.reset();
    m_list.reset();
    KeyTable().clear();
  }

  void listShowsTheTableAndKeepsTheSelection() {
    KeyTable() = {"Call\t452\t6\t116", "Hold\t453\tx\t65"};
    PageKeysShow(m_list.get());
    QCOMPARE(m_list->topLevelItemCount(), 2);
    QCOMPARE(Cell(0, 0), QString("Call"));
    QCOMPARE(Cell(0, 1), QString("452"));
    QCOMPARE(Cell(0, 2), QString("Ctrl + Shift + \"F5\""));
    QCOMPARE(Cell(1, 2), QString("\"A\""));
    QCOMPARE(m_list->indexOfTopLevelItem(m_list->currentItem()), 0);
    m_list->setCurrentItem(m_list->topLevelItem(1));
    FillKeyList(m_list.get());
    QCOMPARE(m_list->selectedItems().size(), 1);
    QCOMPARE(m_list->indexOfTopLevelItem(m_list->selectedItems().first()), 1);
    KeyTable().clear();
    PageKeysShow(m_list.get());
    QCOMPARE(m_list->topLevelItemCount(), 0);
    QVERIFY(!BtnKeyEditClick(m_list.get(), *m_editor)); // nothing selected
  }

  void editorLayout() {
    TFormHotKey &e = *m_editor;
    QCOMPARE(e.size(), QSize(273, 97));
    // Wide enough for "Umschalt" and "Abbrechen".
    QCOMPARE(e.CheckBoxAlt->geometry(), QRect(16, 16, 78, 17));
    QCOMPARE(e.CheckBoxCtrl->geometry(), QRect(16, 33, 78, 17));
    QCOMPARE(e.CheckBoxShift->geometry(), QRect(16, 50, 78, 17));
    QCOMPARE(e.ButtonOk->geometry().topLeft(), QPoint(111, 59));
    QCOMPARE(e.ButtonOk->width(), 70);
    QCOMPARE(e.ButtonCancel->geometry().topLeft(), QPoint(186, 59));
    QCOMPARE(e.ButtonCancel->width(), 76);
    QCOMPARE(e.EditKey->geometry(), QRect(98, 16, 159, 21));
    QVERIFY(e.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(e.windowFlags() & Qt::WindowMinMaxButtonsHint));
  }

  void okRuleCaptureAndCaption() {
    KeyTable()[13] = "Menu\t436\t2\t116"; // Ctrl+F5 is taken
    PageKeysShow(m_list.get());
    const bool changed = Edit(12, [&] {
      TFormHotKey &e = *m_editor;
      QCOMPARE(e.windowTitle(), QString("Edit button: Call"));
      QCOMPARE(e.focusWidget(), e.EditKey); // FormShow
      QVERIFY(!e.ButtonOk->isEnabled());    // nothing captured yet
      Press(Qt::Key_F5);
      QCOMPARE(e.CapturedKey, uint16_t(116));
      QCOMPARE(e.EditKey->text(), QString("F5"));
      QCOMPARE(e.windowTitle(), QString("116"));
      QVERIFY(e.ButtonOk->isEnabled());
      QTest::mouseClick(e.CheckBoxCtrl, Qt::LeftButton);
      QVERIFY(!e.ButtonOk->isEnabled());
      // The event's own modifiers are ignored: only the boxes count.
      Press(Qt::Key_Control, Qt::ControlModifier);
      QCOMPARE(e.CapturedKey, uint16_t(17));
      QCOMPARE(e.EditKey->text(), QString("Ctrl"));
      QVERIFY(e.ButtonOk->isEnabled()); // Ctrl + "Ctrl" is free
      // Nothing is ever typed into the field.
      e.EditKey->insert("xyz");
      QCOMPARE(e.EditKey->text(), QString("Ctrl"));
      QTest::mouseClick(e.CheckBoxShift, Qt::LeftButton);
      QTest::mouseClick(e.ButtonOk, Qt::LeftButton);
    });
    QVERIFY(changed);
    QCOMPARE(KeyTable()[12], QByteArray("Call\t452\t6\t17"));
    QCOMPARE(Cell(12, 2), QString("Ctrl + Shift + \"Ctrl\""));
    QCOMPARE(m_list->indexOfTopLevelItem(m_list->currentItem()), 12);
    QCOMPARE(KeyTable()[13], QByteArray("Menu\t436\t2\t116"));

    // Cancel changes nothing.
    QVERIFY(!Edit(12, [&] {
      Press(Qt::Key_F9);
      m_editor->ButtonCancel->click();
    }));
    QCOMPARE(KeyTable()[12], QByteArray("Call\t452\t6\t17"));
  }

  void okStartsByTheRuleAndIsRefusedWithoutAKey() {
    KeyTable()[0] = "0\t304\t1\t48"; // Alt + "0"
    KeyTable()[2] = "2\t306\t9\t50"; // Alt + Ext + "2"
    PageKeysShow(m_list.get());
    // The unchanged shortcut is in the table: OK opens disabled.
    QVERIFY(!Edit(0, [&] {
      QVERIFY(m_editor->CheckBoxAlt->isChecked());
      QCOMPARE(m_editor->EditKey->text(), QString("0"));
      QVERIFY(!m_editor->ButtonOk->isEnabled());
      m_editor->CheckBoxCtrl->click();
      QVERIFY(m_editor->ButtonOk->isEnabled());
      m_editor->CheckBoxCtrl->click();
      QVERIFY(!m_editor->ButtonOk->isEnabled());
    }));
    // Accepted as it opened, a line keeps its shortcut; only Ext is lost.
    QVERIFY(Edit(2, [&] {
      QVERIFY(m_editor->ButtonOk->isEnabled()); // Alt + "2" without Ext
      m_editor->ButtonOk->click();
    }));
    QCOMPARE(KeyTable()[2], QByteArray("2\t306\t1\t50"));

    // A line without a shortcut: OK stays off, whatever the boxes say, and
    // the dialog cannot be accepted.
    QVERIFY(!Edit(1, [&] {
      QCOMPARE(m_editor->CapturedKey, uint16_t(0));
      m_editor->CheckBoxShift->click();
      QVERIFY(!m_editor->ButtonOk->isEnabled());
      m_editor->accept();
      QVERIFY(m_editor->isVisible());
    }));
    QCOMPARE(KeyTable()[1], QByteArray("1\t305\t0\t0"));
  }

  void editReplacesTheSelectedRowsOwnLine() {
    // A code not in canonical form: looking the line up by its code finds
    // nothing. And two lines sharing a code: the second is the one edited.
    KeyTable() = {"Zero\t0304\t0\t0", "Call\t452\t0\t0", "Send\t452\t0\t0",
                  "Zero2\t304\t0\t0"};
    PageKeysShow(m_list.get());
    QVERIFY(Edit(0, [&] {
      Press(Qt::Key_Z);
      m_editor->ButtonOk->click();
    }));
    QVERIFY(Edit(2, [&] {
      Press(Qt::Key_F2);
      m_editor->ButtonOk->click();
    }));
    QCOMPARE(KeyTable(),
             (QList<QByteArray>{"Zero\t304\t0\t90", "Call\t452\t0\t0",
                                "Send\t452\t0\t113", "Zero2\t304\t0\t0"}));
    QCOMPARE(Cell(2, 2), QString("\"F2\""));
  }
};

QTEST_MAIN(TestHotKey)
#include "tst_hot_key.moc"
