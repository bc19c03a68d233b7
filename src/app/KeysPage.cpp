#include "app/KeysPage.h"

#include "keys/HotKeyEditor.h"
#include "keys/KeyTableModel.h"
#include "settings/Language.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeView>

KeysPage::KeysPage(KeyTable &table, QWidget *parent)
    : SettingsPage(parent), m_table(table),
      m_model(new KeyTableModel(table, this)) {
  setObjectName("keysPage");
  m_keyList = new QTreeView(this);
  m_keyList->setObjectName("keyList");
  m_keyList->setModel(m_model);
  m_keyList->setGeometry(13, 8, 328, 264);
  m_keyList->setRootIsDecorated(false);
  m_keyList->setIndentation(0);
  m_keyList->setUniformRowHeights(true);
  m_keyList->setAllColumnsShowFocus(true);
  m_keyList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_keyList->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_keyList->setSelectionMode(QAbstractItemView::SingleSelection);
  m_keyList->header()->setStretchLastSection(false);
  m_keyList->setColumnWidth(KeyTableModel::NameColumn, 110);
  m_keyList->setColumnWidth(KeyTableModel::CodeColumn, 45);
  m_keyList->setColumnWidth(KeyTableModel::ShortcutColumn, 170);
  m_editKeyButton = new QPushButton(this);
  m_editKeyButton->setObjectName("editKeyButton");
  m_editKeyButton->setGeometry(266, 282, 75, 25);
  connect(m_editKeyButton, &QPushButton::clicked, this,
          &KeysPage::editSelectedKey);
  connect(m_keyList, &QTreeView::doubleClicked, this,
          &KeysPage::editSelectedKey);
}

void KeysPage::retranslate() {
  m_editKeyButton->setText(uiText("SBtnKeyEdit"));
  m_model->retranslate();
}

void KeysPage::load(const Settings &) {}

void KeysPage::store(Settings &) const {}

void KeysPage::pageShown(const Settings &) {
  const int selected = selectedRow();
  m_model->reload();
  if (selected >= 0 && selected < m_model->rowCount())
    selectRow(selected);
  else if (m_model->rowCount() > 0)
    selectRow(0);
}

bool KeysPage::editSelectedKey() {
  return editKeyShortcut(*m_model, selectedRow(), editor());
}

int KeysPage::selectedRow() const {
  const QModelIndexList rows = m_keyList->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void KeysPage::selectRow(int row) {
  m_keyList->setCurrentIndex(m_model->index(row, 0));
}

HotKeyEditor &KeysPage::editor() {
  if (!m_editor)
    m_editor = new HotKeyEditor(m_table, this);
  return *m_editor;
}
