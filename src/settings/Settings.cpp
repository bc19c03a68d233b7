#include "settings/Settings.h"

#include "common/Paths.h"
#include "platform/ProfileFile.h"
#include "settings/FileErrorText.h"
#include "settings/Language.h"

#include <QDir>
#include <limits>

AppSettingsValues AppSettings;

namespace {

const QByteArray kConnection = "Connection";
const QByteArray kAVI = "AVI";
const QByteArray kImage = "Image";
const QByteArray kLanguage = "Language";
const QByteArray kScreenSize = "ScreenSize";

QByteArray nativeDir(const QString &dir) {
  return QDir::toNativeSeparators(dir).toLocal8Bit();
}

int readInt(const platform::ProfileFile &f, const QByteArray &section,
            const QByteArray &key, int def) {
  if (!f.hasKey(section, key))
    return def;
  return parseSettingsInt(f.readString(section, key, QByteArray()), def);
}

// One opening of the file: keys are written in order; a refused write stops
// the operation before any later key or in-memory value changes.
class SettingsWriter {
public:
  explicit SettingsWriter(const Paths &paths)
      : m_file(settingsFilePath(paths)) {}

  void putText(const QByteArray &section, const QByteArray &key,
               const QByteArray &value, QByteArray &held) {
    if (value == held)
      return;
    put(section, key, value);
    held = value;
  }

  void putInt(const QByteArray &section, const QByteArray &key, int value,
              int &held) {
    if (value == held)
      return;
    put(section, key, QByteArray::number(value));
    held = value;
  }

  void put(const QByteArray &section, const QByteArray &key,
           const QByteArray &value) {
    m_file.writeString(section, key, value);
    if (!m_file.flush())
      throw SettingsWriteError(m_file.path(), m_file.writeError());
  }

private:
  platform::ProfileFile m_file;
};

} // namespace

SettingsWriteError::SettingsWriteError(const QString &path, int error)
    : std::runtime_error(
          uiText("FileUnableToWrite").arg(path).toLocal8Bit().toStdString()),
      m_path(path), m_reason(fileErrorText(error)) {}

QString SettingsWriteError::inDialog() const {
  return uiText("FileSettingsDialogNotSaved")
      .arg(QString::fromLocal8Bit(what()), m_reason);
}

QString SettingsWriteError::goingOn() const {
  return uiText("FileSettingsNotSaved")
      .arg(QString::fromLocal8Bit(what()), m_reason);
}

QString settingsFilePath(const Paths &paths) {
  return paths.configDir() + "Quorvane.ini";
}

int parseSettingsInt(const QByteArray &text, int def) {
  const QByteArray t = text.trimmed();
  bool ok = false;
  qlonglong v = 0;
  if (t.size() > 2 && (t.startsWith("0x") || t.startsWith("0X")))
    v = t.mid(2).toLongLong(&ok, 16);
  else
    v = t.toLongLong(&ok, 10);
  if (!ok || v < std::numeric_limits<int>::min() ||
      v > std::numeric_limits<int>::max())
    return def;
  return static_cast<int>(v);
}

int digitsToInt(const QByteArray &text) {
  qint64 value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9')
      continue;
    value = value * 10 + (c - '0');
    if (value > std::numeric_limits<int>::max())
      return std::numeric_limits<int>::max();
  }
  return static_cast<int>(value);
}

void loadSettings(const Paths &paths) {
  const platform::ProfileFile f(settingsFilePath(paths));
  AppSettingsValues s;
  s.port = readInt(f, kConnection, "Port", 10001);
  s.blueToothPort = f.readString(kConnection, "BlueToothPort", "COM7");
  s.dataPort = f.readString(kConnection, "DataPort", "COM4");
  s.aviName = f.readString(kAVI, "AVIName",
                           nativeDir(paths.defaultVideoDir()) + "video.avi");
  s.fps = readInt(f, kAVI, "FPS", 5);
  s.imageType = f.readString(kImage, "ImageType", "BMP");
  s.imageDir =
      f.readString(kImage, "ImageDir", nativeDir(paths.defaultPictureDir()));
  s.language = f.readString(kLanguage, "Language", "English");
  s.listenAddress = f.readString(kConnection, "ListenAddress", QByteArray());
  s.knownPhonesOnly = readInt(f, kConnection, "KnownPhonesOnly", 0) != 0;
  AppSettings = s;
}

void saveCaptureSettings(const Paths &paths, const QByteArray &aviName,
                         int fps) {
  SettingsWriter w(paths);
  w.putText(kAVI, "AVIName", aviName, AppSettings.aviName);
  w.putInt(kAVI, "FPS", fps, AppSettings.fps);
}

void saveScreenSize(const Paths &paths, int height, int width) {
  SettingsWriter w(paths);
  w.put(kScreenSize, "Height", QByteArray::number(height));
  w.put(kScreenSize, "Weight", QByteArray::number(width));
}

void storeDataPort(const Paths &paths, const QByteArray &port) {
  QByteArray held = AppSettings.dataPort;
  SettingsWriter(paths).putText(kConnection, "DataPort", port, held);
}

void storeBlueToothPort(const Paths &paths, const QByteArray &port) {
  QByteArray held = AppSettings.blueToothPort;
  SettingsWriter(paths).putText(kConnection, "BlueToothPort", port, held);
}

void saveDialogSettings(const Paths &paths, int port,
                        const QByteArray &blueToothPort,
                        const QByteArray &dataPort, const QByteArray &imageType,
                        const QByteArray &imageDir,
                        const QByteArray &language) {
  SettingsWriter w(paths);
  w.putInt(kConnection, "port", port, AppSettings.port);
  w.putText(kConnection, "BlueToothPort", blueToothPort,
            AppSettings.blueToothPort);
  w.putText(kConnection, "DataPort", dataPort, AppSettings.dataPort);
  w.putText(kImage, "ImageType", imageType, AppSettings.imageType);
  w.putText(kImage, "ImageDir", imageDir, AppSettings.imageDir);
  w.putText(kLanguage, "Language", language, AppSettings.language);
}
