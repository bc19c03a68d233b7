#pragma once
// Quick text: a text typed on the PC, sent to the phone character by
// character in the 8-bit code page its agent reads (Windows-1252).

#include <QByteArray>
#include <QString>

class TCommandQueue;

// The text in Windows-1252, line breaks as CR LF. A character the code page
// cannot hold becomes "?".
QByteArray ToWindows1252(const QString &text);

// Queues the text's characters; returns false, queueing nothing, when it is
// empty.
bool SendQuickText(TCommandQueue &queue, const QString &text);
