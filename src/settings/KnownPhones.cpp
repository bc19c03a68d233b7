#include "settings/KnownPhones.h"

#include "common/EventLog.h"
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

QList<KnownPhone> loadKnownPhones(const Settings &settings) {
  const platform::ProfileFile file(settings.filePath());
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

void addKnownPhone(const Settings &settings, const QByteArray &block,
                   const QByteArray &name) {
  platform::ProfileFile file(settings.filePath());
  file.writeString(kSection, block.toUpper(), name);
  flush(file);
}

void removeKnownPhone(const Settings &settings, const QByteArray &block) {
  platform::ProfileFile file(settings.filePath());
  file.deleteKey(kSection, block);
  flush(file);
}
