#include "settings/DialogSave.h"

#include "settings/Language.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace {

// A whole decimal number from low to high, leading zeros allowed.
std::optional<int> wholeNumber(const QString &text, int low, int high) {
  if (text.isEmpty() || text.size() > 9)
    return std::nullopt;
  for (const QChar c : text)
    if (c < QLatin1Char('0') || c > QLatin1Char('9'))
      return std::nullopt;
  const int value = text.toInt();
  if (value < low || value > high)
    return std::nullopt;
  return value;
}

QString quoted(const QString &text) {
  return QStringLiteral("\u201C%1\u201D").arg(text);
}

bool isAddress(const QString &text) {
  const QByteArray a = text.toLatin1();
  in6_addr buffer;
  return ::inet_pton(AF_INET, a.constData(), &buffer) == 1 ||
         ::inet_pton(AF_INET6, a.constData(), &buffer) == 1;
}

} // namespace

std::optional<DialogRefusal> checkTypedFields(const TypedFields &fields) {
  if (!wholeNumber(fields.port, 1, 65535))
    return DialogRefusal{DialogField::Port,
                         uiText("UiRefusedPort").arg(quoted(fields.port))};
  if (!wholeNumber(fields.fps, 1, 20))
    return DialogRefusal{DialogField::FPS,
                         uiText("UiRefusedFrameRate").arg(quoted(fields.fps))};
  const QString address = fields.listenAddress.trimmed();
  if (!address.isEmpty() && !isAddress(address))
    return DialogRefusal{DialogField::ListenAddress,
                         uiText("UiRefusedListenAddress").arg(quoted(address))};
  return std::nullopt;
}

QByteArray languageToStore(int index, const QString &name,
                           const QByteArray &held) {
  if (index < 0)
    return held; // its folder is gone; nothing else picked
  if (index == 0)
    return QByteArray();
  return name.toLocal8Bit();
}

bool portKeyAccepted(QChar c) {
  return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
         c == QLatin1Char('\b');
}
