#include "keys/QuickText.h"

#include "common/Windows1252.h"
#include "link/CommandQueue.h"

#include <QList>

namespace {

// The byte of a character, or -1 when the code page has none for it.
int toByte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
    return int(c);
  for (int i = 0; i < 32; ++i)
    if (!isUnassignedWindows1252(i) && kWindows1252High[i] == c)
      return 0x80 + i;
  return -1;
}

} // namespace

QByteArray toWindows1252(const QString &text, int *replaced) {
  int missing = 0;
  QByteArray bytes;
  bytes.reserve(text.size() + 8);
  const QList<uint> points = text.toUcs4();
  for (qsizetype i = 0; i < points.size(); ++i) {
    const char32_t c = points[i];
    if (c == '\r' || c == '\n' || c == 0x2028 || c == 0x2029) {
      if (c == '\r' && i + 1 < points.size() && points[i + 1] == '\n')
        ++i;
      bytes += "\r\n";
      continue;
    }
    const int b = toByte(c);
    if (b < 0)
      ++missing;
    bytes += b < 0 ? '?' : char(b);
  }
  if (replaced)
    *replaced = missing;
  return bytes;
}

bool sendQuickText(CommandQueue &queue, const QString &text, int *replaced) {
  const QByteArray bytes = toWindows1252(text, replaced);
  if (bytes.isEmpty())
    return false;
  queue.putText(bytes);
  return true;
}
