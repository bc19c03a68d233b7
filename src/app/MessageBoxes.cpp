#include "app/MessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>

namespace {
std::function<void(MessageKind, const QString &, const QString &)> g_hook;
std::function<int(const QString &, const QStringList &)> g_questionHook;
} // namespace

void showMessageBox(QWidget *parent, MessageKind kind, const QString &caption,
                    const QString &text) {
  if (g_hook) {
    g_hook(kind, caption, text);
    return;
  }
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

void setMessageBoxHook(
    std::function<void(MessageKind, const QString &, const QString &)> hook) {
  g_hook = std::move(hook);
}

int askQuestion(QWidget *parent, const QString &caption, const QString &text,
                const QStringList &buttons) {
  if (g_questionHook)
    return g_questionHook(text, buttons);
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

void setQuestionHook(
    std::function<int(const QString &, const QStringList &)> hook) {
  g_questionHook = std::move(hook);
}
