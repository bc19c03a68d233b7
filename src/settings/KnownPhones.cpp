#include "settings/KnownPhones.h"

#include "common/EventLog.h"
#include "platform/ProfileFile.h"
#include "settings/Settings.h"

#include <cctype>

namespace {

const QByteArray kSection = "KnownPhones";

void Flush(platform::ProfileFile &file) {
  if (!file.Flush())
    throw SettingsWriteError(file.Path(), file.WriteError());
}

} // namespace

bool IsPhoneBlockText(const QByteArray &text) {
  if (text.size() != 16)
    return false;
  for (const char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c)))
      return false;
  return true;
}

QList<TKnownPhone> LoadKnownPhones() {
  const platform::ProfileFile file(SettingsFilePath());
  QList<TKnownPhone> phones;
  for (const QByteArray &key : file.Keys(kSection)) {
    if (!IsPhoneBlockText(key)) {
      WriteLog("[KnownPhones] " + key +
                   " is not 16 hexadecimal digits; the entry is ignored",
               LogCommands);
      continue;
    }
    phones.append({key.toUpper(), file.ReadString(kSection, key, {})});
  }
  return phones;
}

void AddKnownPhone(const QByteArray &block, const QByteArray &name) {
  platform::ProfileFile file(SettingsFilePath());
  file.WriteString(kSection, block.toUpper(), name);
  Flush(file);
}

void RemoveKnownPhone(const QByteArray &block) {
  platform::ProfileFile file(SettingsFilePath());
  file.DeleteKey(kSection, block);
  Flush(file);
}

void StoreListenAddress(const QByteArray &address) {
  if (address == AppSettings.ListenAddress)
    return;
  platform::ProfileFile file(SettingsFilePath());
  file.WriteString("Connection", "ListenAddress", address);
  Flush(file);
  AppSettings.ListenAddress = address;
}
