#pragma once
// Opening documents and web addresses with the desktop's default handler.
#include <QString>
#include <functional>

class QObject;

namespace platform {
enum class OpenResult {
  Opened,   // handed to the desktop's opener
  Missing,  // there is no such file
  NoViewer, // no program is set up to show files of its type
  Failed,   // the opener could not be started, or reported a failure
};
// Opens the file with the desktop's program for its type (through
// xdg-open), without waiting for it. A failure known at once is returned;
// one the opener reports when it ends is handed to `failed`, on the
// context's thread and only while the context lives.
OpenResult openDocument(const QString &path, QObject *context,
                        std::function<void(OpenResult)> failed);
// False on failure; callers that ignore errors just drop it.
bool openUrl(const QString &url);
} // namespace platform

namespace platform {
// Starts the program `name` without waiting for it: from firstDir when it
// is an executable there, else from PATH. False when it is found nowhere or
// does not start.
bool startProgram(const QString &name, const QString &firstDir);
} // namespace platform
