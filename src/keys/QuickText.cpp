#include "keys/QuickText.h"

#include "link/CommandQueue.h"

#include <QList>

namespace {

// The characters of 0x80 to 0x9F; 0 where the code page has none.
constexpr char16_t Windows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ToByte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
    return char(c);
  for (int i = 0; i < 32; ++i)
    if (Windows1252High[i] != 0 && Windows1252High[i] == c)
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
