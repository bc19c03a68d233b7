#include "app/MessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>

void QtMessageBoxes::show(QWidget *parent, MessageKind kind,
                          const QString &caption, const QString &text) {
  switch (kind) {
  case MessageKind::Information:
    QMessageBox::information(parent, caption, text);
    break;
  case MessageKind::Warning:
    QMessageBox::warning(parent, caption, text);
    break;
  case MessageKind::Error:
    QMessageBox::critical(parent, caption, text);
    break;
  }
}

int QtMessageBoxes::ask(QWidget *parent, const QString &caption,
                        const QString &text, const QStringList &buttons) {
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton,
                  parent);
  QList<QPushButton *> added;
  for (const QString &b : buttons)
    added << box.addButton(b, added.isEmpty() ? QMessageBox::AcceptRole
                                              : QMessageBox::ActionRole);
  if (added.isEmpty())
    return -1;
  box.setDefaultButton(added.first());
  box.setEscapeButton(added.last());
  box.exec();
  const qsizetype chosen =
      added.indexOf(qobject_cast<QPushButton *>(box.clickedButton()));
  return int(chosen < 0 ? added.size() - 1 : chosen);
}
