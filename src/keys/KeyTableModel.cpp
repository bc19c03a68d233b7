#include "keys/KeyTableModel.h"

#include "settings/Language.h"

KeyTableModel::KeyTableModel(KeyTable &table, QObject *parent)
    : QAbstractTableModel(parent), m_table(table) {}

void KeyTableModel::setKey(int row, const Key &key) {
  if (row < 0 || row >= m_table.size())
    return;
  m_table.setLine(row, formatKeyLine(key));
  emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void KeyTableModel::reload() {
  beginResetModel();
  endResetModel();
}

int KeyTableModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : int(m_table.size());
}

int KeyTableModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant KeyTableModel::data(const QModelIndex &index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() ||
      index.row() >= m_table.size())
    return QVariant();
  const Key key = m_table.keyAt(index.row());
  switch (index.column()) {
  case NameColumn:
    return QString::fromLocal8Bit(key.name);
  case CodeColumn:
    return QString::number(key.code);
  case ShortcutColumn:
    return shortcutText(key);
  default:
    return QVariant();
  }
}

QVariant KeyTableModel::headerData(int section, Qt::Orientation orientation,
                                   int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
    return QVariant();
  switch (section) {
  case NameColumn:
    return uiText("SListName");
  case CodeColumn:
    return uiText("SListCode");
  case ShortcutColumn:
    return uiText("SListShortcut");
  default:
    return QVariant();
  }
}
