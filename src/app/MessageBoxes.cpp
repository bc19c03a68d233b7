#include "app/MessageBoxes.h"

#include <QMessageBox>

namespace {
std::function<void(TMessageKind, const QString &, const QString &)> g_hook;
}

void ShowMessageBox(QWidget *parent, TMessageKind kind, const QString &caption,
                    const QString &text) {
  if (g_hook) {
    g_hook(kind, caption, text);
    return;
  }
  switch (kind) {
  case TMessageKind::Information:
    QMessageBox::information(parent, caption, text);
    break;
  case TMessageKind::Warning:
    QMessageBox::warning(parent, caption, text);
    break;
  case TMessageKind::Error:
    QMessageBox::critical(parent, caption, text);
    break;
  }
}

void SetMessageBoxHook(
    std::function<void(TMessageKind, const QString &, const QString &)> hook) {
  g_hook = std::move(hook);
}
