#pragma once
// The program's message boxes, behind one seam so tests can answer them.
#include <QString>
#include <functional>

class QWidget;

enum class TMessageKind { Information, Warning, Error };

void ShowMessageBox(QWidget *parent, TMessageKind kind, const QString &caption,
                    const QString &text);

// Replaces the boxes (tests); an empty function restores them.
void SetMessageBoxHook(
    std::function<void(TMessageKind, const QString &, const QString &)> hook);
