#pragma once
// The hot-key editor: captures one PC key, takes the modifier keys from its
// check boxes and refuses a shortcut that a line of the key table already
// has. One instance, created hidden at start and reused for every edit.
// Also the key page's actions, which the settings dialog calls with its
// list of keys.

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <cstdint>

class QTreeWidget;

// Caption of the editor while it edits a key ("Edit button: Call"); the
// language files replace it.
extern QString FCaptEditKey;

class TFormHotKey : public QDialog {
  Q_OBJECT
public:
  static constexpr int ClientWidth = 273;
  static constexpr int ClientHeight = 97;

  explicit TFormHotKey(QWidget *parent = nullptr);

  QCheckBox *CheckBoxAlt = nullptr;
  QCheckBox *CheckBoxCtrl = nullptr;
  QCheckBox *CheckBoxShift = nullptr;
  QPushButton *ButtonOk = nullptr;
  QPushButton *ButtonCancel = nullptr;
  QLineEdit *EditKey = nullptr;

  // The virtual-key code captured last; 0: none.
  uint16_t CapturedKey = 0;

  // The mask of the ticked boxes: Alt 1, Ctrl 2, Shift 4.
  uint16_t CheckedModifiers() const;

  void FormShow();
  // Returns true: the character is dropped, nothing is typed.
  bool EditKeyKeyPress();
  void EditKeyKeyDown(uint16_t virtualKey);
  void EditKeyChange();

  // Sets the captions in the language in use.
  void ApplyTexts();

  // Closes with OK only while OK is enabled.
  void accept() override;

protected:
  void showEvent(QShowEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;
};

// The process-wide editor (set at start-up; nullptr before).
TFormHotKey *FormHotKey();
void SetFormHotKey(TFormHotKey *form);

// The key page of the settings dialog.
void PageKeysShow(QTreeWidget *listViewKeys);
void ListViewKeysDblClick(QTreeWidget *listViewKeys, TFormHotKey &editor);
// Edits the shortcut of the selected row; true when the table changed.
bool BtnKeyEditClick(QTreeWidget *listViewKeys, TFormHotKey &editor);
