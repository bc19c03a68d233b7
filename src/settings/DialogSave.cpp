#include "settings/DialogSave.h"

#include "settings/KnownPhones.h"
#include "settings/Language.h"
#include "settings/Settings.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace {

// A whole decimal number from low to high, leading zeros allowed.
std::optional<int> WholeNumber(const QString &text, int low, int high) {
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

QString Quoted(const QString &text) {
  return QStringLiteral("\u201C%1\u201D").arg(text);
}

bool IsAddress(const QString &text) {
  const QByteArray a = text.toLatin1();
  in6_addr buffer;
  return ::inet_pton(AF_INET, a.constData(), &buffer) == 1 ||
         ::inet_pton(AF_INET6, a.constData(), &buffer) == 1;
}

} // namespace

std::optional<TDialogRefusal> CheckDialogValues(const TDialogValues &values) {
  if (!WholeNumber(values.Port, 1, 65535))
    return TDialogRefusal{TDialogField::Port,
                          UiText("UiRefusedPort").arg(Quoted(values.Port))};
  if (!WholeNumber(values.FPS, 1, 20))
    return TDialogRefusal{TDialogField::FPS,
                          UiText("UiRefusedFrameRate").arg(Quoted(values.FPS))};
  const QString address = values.ListenAddress.trimmed();
  if (!address.isEmpty() && !IsAddress(address))
    return TDialogRefusal{
        TDialogField::ListenAddress,
        UiText("UiRefusedListenAddress").arg(Quoted(address))};
  return std::nullopt;
}

QByteArray LanguageToStore(const TDialogValues &values) {
  if (values.LanguageIndex < 0)
    return AppSettings.Language; // its folder is gone; nothing else picked
  if (values.LanguageIndex == 0)
    return QByteArray();
  return values.LanguageName.toLocal8Bit();
}

std::optional<TDialogRefusal> SaveDialogValues(const TDialogValues &values) {
  if (auto refusal = CheckDialogValues(values))
    return refusal;
  SaveDialogSettings(
      *WholeNumber(values.Port, 1, 65535), values.BlueToothPort.toLocal8Bit(),
      values.DataPort.toLocal8Bit(), values.ImageType.toLocal8Bit(),
      values.ImageDir.toLocal8Bit(), LanguageToStore(values));
  SaveCaptureSettings(values.AVIName.toLocal8Bit(),
                      *WholeNumber(values.FPS, 1, 20));
  StoreListenAddress(values.ListenAddress.trimmed().toLatin1());
  return std::nullopt;
}

bool PortKeyAccepted(QChar c) {
  return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
         c == QLatin1Char('\b');
}
