#pragma once
// The settings dialog's key page: the key table as a list of names, codes
// and shortcuts, and the hot-key editor that changes a shortcut. An edit
// goes into the table at once (keys.ini is written when the program ends).

#include "app/SettingsPage.h"

class HotKeyEditor;
class KeyTable;
class KeyTableModel;
class QPushButton;
class QTreeView;

class KeysPage : public SettingsPage {
  Q_OBJECT
public:
  explicit KeysPage(KeyTable &table, QWidget *parent = nullptr);

  // Nothing comes from the settings: the list reads the table.
  void load(const Settings &settings) override;
  // Nothing: an edit has changed the table already, Cancel or not.
  void store(Settings &edited) const override;
  // The list is read again, keeping the selected row; the first is
  // selected when none is.
  void pageShown(const Settings &held) override;
  void retranslate() override;

  // Opens the editor on the selected row; true when the table changed.
  bool editSelectedKey();

private:
  int selectedRow() const;
  void selectRow(int row);
  HotKeyEditor &editor();

  KeyTable &m_table;
  KeyTableModel *m_model = nullptr;
  QTreeView *m_keyList = nullptr;
  QPushButton *m_editKeyButton = nullptr;
  HotKeyEditor *m_editor = nullptr; // made on the first edit
};
