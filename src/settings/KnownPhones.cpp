#include "settings/KnownPhones.h"

#include "common/EventLog.h"
#include "common/Paths.h"
#include "platform/ProfileFile.h"
#include "settings/Settings.h"

#include <cctype>

namespace {

const QByteArray kSection = "KnownPhones";

void flush(platform::ProfileFile &file) {
  if (!file.flush())
    throw SettingsWriteError(file.path(), file.writeError());
}

} // namespace

bool isPhoneBlockText(const QByteArray &text) {
  if (text.size() != 16)
    return false;
  for (const char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c)))
      return false;
  return true;
}

QList<KnownPhone> loadKnownPhones(const Paths &paths) {
  const platform::ProfileFile file(settingsFilePath(paths));
  QList<KnownPhone> phones;
  for (const QByteArray &key : file.keys(kSection)) {
    if (!isPhoneBlockText(key)) {
      writeLog("[KnownPhones] " + key +
                   " is not 16 hexadecimal digits; the entry is ignored",
               LogSwitch::Commands);
      continue;
    }
    phones.append({key.toUpper(), file.readString(kSection, key, {})});
  }
  return phones;
}

void addKnownPhone(const Paths &paths, const QByteArray &block,
                   const QByteArray &name) {
  platform::ProfileFile file(settingsFilePath(paths));
  file.writeString(kSection, block.toUpper(), name);
  flush(file);
}

void removeKnownPhone(const Paths &paths, const QByteArray &block) {
  platform::ProfileFile file(settingsFilePath(paths));
  file.deleteKey(kSection, block);
  flush(file);
}

void storeListenAddress(const Paths &paths, const QByteArray &address) {
  if (address == AppSettings.listenAddress)
    return;
  platform::ProfileFile file(settingsFilePath(paths));
  file.writeString("Connection", "ListenAddress", address);
  flush(file);
  AppSettings.listenAddress = address;
}
