#pragma once
// Opening documents and web addresses with the desktop's default handler.
#include <QString>

namespace platform {
// Both return false on failure; callers that ignore errors just drop it.
bool OpenDocument(const QString &path);
bool OpenUrl(const QString &url);
} // namespace platform
