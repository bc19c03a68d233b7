#pragma once
// The hot-key editor: captures one PC key, takes the modifier keys from its
// check boxes and refuses a shortcut that a line of the key table already
// has. Made by the key page that opens it, with the table it checks
// against, and reused for every edit of that page.

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <cstdint>

class KeyTable;
class KeyTableModel;

class HotKeyEditor : public QDialog {
  Q_OBJECT
public:
  static constexpr int kClientWidth = 273;
  static constexpr int kClientHeight = 97;

  // table: the shortcuts a new one must not repeat.
  explicit HotKeyEditor(const KeyTable &table, QWidget *parent = nullptr);

  QCheckBox *m_altCheck = nullptr;
  QCheckBox *m_ctrlCheck = nullptr;
  QCheckBox *m_shiftCheck = nullptr;
  QPushButton *m_okButton = nullptr;
  QPushButton *m_cancelButton = nullptr;
  QLineEdit *m_keyEdit = nullptr;

  // The virtual-key code captured last; 0: none.
  uint16_t m_capturedKey = 0;

  // The mask of the ticked boxes: Alt 1, Ctrl 2, Shift 4.
  uint16_t checkedModifiers() const;

  void formShow();
  // Returns true: the character is dropped, nothing is typed.
  bool editKeyKeyPress();
  void editKeyKeyDown(uint16_t virtualKey);
  void editKeyChange();

  // Sets the captions in the language in use; changeEvent calls it on
  // QEvent::LanguageChange.
  void retranslate();

  // Closes with OK only while OK is enabled.
  void accept() override;

protected:
  void showEvent(QShowEvent *event) override;
  void changeEvent(QEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  const KeyTable &m_table;
};

// Opens the editor on the shortcut of the model's row and, when the user
// accepts, replaces that row's line; true when the table changed.
bool editKeyShortcut(KeyTableModel &model, int row, HotKeyEditor &editor);
