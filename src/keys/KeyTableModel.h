#pragma once
// The key table as a list of three columns (Name, Code, Shortcut), for the
// settings dialog's key page. It reads the table's lines as they are; an
// edit replaces only its own row's line, so every other line goes back to
// keys.ini byte for byte.

#include "keys/KeyTable.h"

#include <QAbstractTableModel>

class KeyTableModel : public QAbstractTableModel {
  Q_OBJECT
public:
  enum Column { NameColumn, CodeColumn, ShortcutColumn, ColumnCount };

  explicit KeyTableModel(KeyTable &table, QObject *parent = nullptr);

  const KeyTable &table() const { return m_table; }
  Key keyAt(int row) const { return m_table.keyAt(row); }
  // Replaces the row's line with the key written out.
  void setKey(int row, const Key &key);
  // The table was changed from outside: every row is read again.
  void reload();
  // The column titles follow a change of language.
  void retranslate() {
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
  }

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index,
                int role = Qt::DisplayRole) const override;
  // The column titles in the language in use.
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

private:
  KeyTable &m_table;
};
