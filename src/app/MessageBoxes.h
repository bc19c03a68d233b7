#pragma once
// The program's message boxes, behind one seam so tests can answer them.
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

enum class TMessageKind { Information, Warning, Error };

void ShowMessageBox(QWidget *parent, TMessageKind kind, const QString &caption,
                    const QString &text);

// Replaces the boxes (tests); an empty function restores them.
void SetMessageBoxHook(
    std::function<void(TMessageKind, const QString &, const QString &)> hook);

// A question with the buttons' captions, the first one the default and the
// last one what Escape or closing the box gives. Returns the index of the
// button chosen.
int AskQuestion(QWidget *parent, const QString &caption, const QString &text,
                const QStringList &buttons);

// Answers the questions (tests); an empty function restores them.
void SetQuestionHook(
    std::function<int(const QString &text, const QStringList &buttons)> hook);
