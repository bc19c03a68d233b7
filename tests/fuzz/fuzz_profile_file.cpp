// INI files as the profile reader opens them. Every key the file holds
// reads the same before and after another key is written and the file
// flushed and opened again, and the written key reads back as written.

#include "FuzzSupport.h"
#include "platform/ProfileFile.h"

#include <QDir>
#include <QFile>

#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// Section and key names as a reader of the text would see them.
std::vector<std::pair<QByteArray, QByteArray>> namesIn(const QByteArray &text) {
  std::vector<std::pair<QByteArray, QByteArray>> names;
  QByteArray section;
  QByteArray normalised = text;
  normalised.replace('\r', '\n');
  for (const QByteArray &raw : normalised.split('\n')) {
    const QByteArray line = raw.trimmed();
    if (line.startsWith('[')) {
      const qsizetype close = line.indexOf(']');
      if (close > 0)
        section = line.mid(1, close - 1).trimmed();
      continue;
    }
    const qsizetype eq = line.indexOf('=');
    if (eq > 0 && names.size() < 64)
      names.emplace_back(section, line.left(eq).trimmed());
  }
  return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // On a memory file system when there is one: a flush syncs the file.
  static const QString path =
      (QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                 : QDir::tempPath()) +
      QStringLiteral("/fuzz_profile_%1.ini").arg(qint64(::getpid()));
  const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
  {
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(f.write(text) == text.size());
  }

  const auto names = namesIn(text);
  std::vector<QByteArray> before;
  {
    platform::ProfileFile file(path);
    for (const auto &[section, key] : names) {
      const QByteArray value = file.readString(section, key, "\x01");
      FUZZ_CHECK(value.size() <= platform::ProfileFile::kMaxValueLength);
      before.push_back(value);
    }
    // A value of the input's own letters and digits, under a name that may
    // or may not be there already.
    QByteArray value;
    for (char c : text.left(40))
      if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
          (c >= 'a' && c <= 'z'))
        value += c;
    file.writeString("Fuzz", "Written", value);
    FUZZ_CHECK(file.readString("Fuzz", "Written", "-") == value);
    FUZZ_CHECK(file.flush());
  }

  platform::ProfileFile again(path);
  for (size_t i = 0; i < names.size(); ++i) {
    const auto &[section, key] = names[i];
    const bool written = section.compare("Fuzz", Qt::CaseInsensitive) == 0 &&
                         key.compare("Written", Qt::CaseInsensitive) == 0;
    if (!written)
      FUZZ_CHECK(again.readString(section, key, "\x01") == before[i]);
  }
  return 0;
}
