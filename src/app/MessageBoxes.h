#pragma once
// The program's message boxes, behind one seam so tests can answer them.
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

enum class MessageKind { Information, Warning, Error };

void showMessageBox(QWidget *parent, MessageKind kind, const QString &caption,
                    const QString &text);

// Replaces the boxes (tests); an empty function restores them.
void setMessageBoxHook(
    std::function<void(MessageKind, const QString &, const QString &)> hook);

// A question with the buttons' captions, the first one the default and the
// last one what Escape or closing the box gives. Returns the index of the
// button chosen.
int askQuestion(QWidget *parent, const QString &caption, const QString &text,
                const QStringList &buttons);

// Answers the questions (tests); an empty function restores them.
void setQuestionHook(
    std::function<int(const QString &text, const QStringList &buttons)> hook);
