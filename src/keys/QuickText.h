#pragma once
// Quick text: a text typed on the PC, sent to the phone character by
// character in the 8-bit code page its agent reads (Windows-1252).

#include <QByteArray>
#include <QString>

class CommandQueue;

// The text in Windows-1252, line breaks as CR LF. A character the code page
// cannot hold becomes "?"; replaced, when given, counts them.
QByteArray toWindows1252(const QString &text, int *replaced = nullptr);

// Queues the text's characters; returns false, queueing nothing, when it is
// empty. replaced, when given, gets the number sent as "?".
bool sendQuickText(CommandQueue &queue, const QString &text,
                   int *replaced = nullptr);
