#include "settings/DialogSave.h"

#include "settings/KnownPhones.h"
#include "settings/Language.h"
#include "settings/Settings.h"

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

std::optional<DialogRefusal> checkDialogValues(const DialogValues &values) {
  if (!wholeNumber(values.port, 1, 65535))
    return DialogRefusal{DialogField::Port,
                         uiText("UiRefusedPort").arg(quoted(values.port))};
  if (!wholeNumber(values.fps, 1, 20))
    return DialogRefusal{DialogField::FPS,
                         uiText("UiRefusedFrameRate").arg(quoted(values.fps))};
  const QString address = values.listenAddress.trimmed();
  if (!address.isEmpty() && !isAddress(address))
    return DialogRefusal{DialogField::ListenAddress,
                         uiText("UiRefusedListenAddress").arg(quoted(address))};
  return std::nullopt;
}

QByteArray languageToStore(const DialogValues &values) {
  if (values.languageIndex < 0)
    return AppSettings.language; // its folder is gone; nothing else picked
  if (values.languageIndex == 0)
    return QByteArray();
  return values.languageName.toLocal8Bit();
}

std::optional<DialogRefusal> saveDialogValues(const Paths &paths,
                                              const DialogValues &values) {
  if (auto refusal = checkDialogValues(values))
    return refusal;
  saveDialogSettings(paths, *wholeNumber(values.port, 1, 65535),
                     values.blueToothPort.toLocal8Bit(),
                     values.dataPort.toLocal8Bit(),
                     values.imageType.toLocal8Bit(),
                     values.imageDir.toLocal8Bit(), languageToStore(values));
  saveCaptureSettings(paths, values.aviName.toLocal8Bit(),
                      *wholeNumber(values.fps, 1, 20));
  storeListenAddress(paths, values.listenAddress.trimmed().toLatin1());
  return std::nullopt;
}

bool portKeyAccepted(QChar c) {
  return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
         c == QLatin1Char('\b');
}
