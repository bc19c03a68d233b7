#include "keys/QuickText.h"

#include "common/Windows1252.h"
#include "link/CommandQueue.h"

#include <QList>

namespace {

char ToByte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
    return char(c);
  for (int i = 0; i < 32; ++i)
    if (!IsUnassignedWindows1252(i) && Windows1252High[i] == c)
      return char(0x80 + i);
  return '?';
}

} // namespace

QByteArray ToWindows1252(const QString &text) {
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
    bytes += ToByte(c);
  }
  return bytes;
}

bool SendQuickText(TCommandQueue &queue, const QString &text) {
  const QByteArray bytes = ToWindows1252(text);
  if (bytes.isEmpty())
    return false;
  queue.PutText(bytes);
  return true;
}
