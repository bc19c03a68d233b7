#pragma once
// Opening documents and web addresses with the desktop's default handler.
#include <QString>

namespace platform {
// Both return false on failure; callers that ignore errors just drop it.
bool OpenDocument(const QString &path);
bool OpenUrl(const QString &url);
} // namespace platform

namespace platform {
// Starts the program `name` without waiting for it: from firstDir when it
// is an executable there, else from PATH. False when it is found nowhere or
// does not start.
bool StartProgram(const QString &name, const QString &firstDir);
} // namespace platform
