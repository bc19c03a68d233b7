#include "settings/Settings.h"

#include "common/Paths.h"
#include "platform/ProfileFile.h"
#include "settings/FileErrorText.h"
#include "settings/Language.h"

#include <QDir>
#include <limits>

TAppSettings AppSettings;

namespace {

const QByteArray kConnection = "Connection";
const QByteArray kAVI = "AVI";
const QByteArray kImage = "Image";
const QByteArray kLanguage = "Language";
const QByteArray kScreenSize = "ScreenSize";

QByteArray NativeExeDir() {
  return QDir::toNativeSeparators(ExeDir()).toLocal8Bit();
}

int ReadInt(const platform::ProfileFile &f, const QByteArray &section,
            const QByteArray &key, int def) {
  if (!f.HasKey(section, key))
    return def;
  return ParseSettingsInt(f.ReadString(section, key, QByteArray()), def);
}

// One opening of the file: keys are written in order; a refused write stops
// the operation before any later key or in-memory value changes.
class SettingsWriter {
public:
  SettingsWriter() : m_file(SettingsFilePath()) {}

  void Text(const QByteArray &section, const QByteArray &key,
            const QByteArray &value, QByteArray &held) {
    if (value == held)
      return;
    Put(section, key, value);
    held = value;
  }

  void Int(const QByteArray &section, const QByteArray &key, int value,
           int &held) {
    if (value == held)
      return;
    Put(section, key, QByteArray::number(value));
    held = value;
  }

  void Put(const QByteArray &section, const QByteArray &key,
           const QByteArray &value) {
    m_file.WriteString(section, key, value);
    if (!m_file.Flush())
      throw SettingsWriteError(m_file.Path(), m_file.WriteError());
  }

private:
  platform::ProfileFile m_file;
};

} // namespace

SettingsWriteError::SettingsWriteError(const QString &path, int error)
    : std::runtime_error(
          UiText("FileUnableToWrite").arg(path).toLocal8Bit().toStdString()),
      m_path(path), m_reason(FileErrorText(error)) {}

QString SettingsWriteError::InDialog() const {
  return UiText("FileSettingsDialogNotSaved")
      .arg(QString::fromLocal8Bit(what()), m_reason);
}

QString SettingsWriteError::GoingOn() const {
  return UiText("FileSettingsNotSaved")
      .arg(QString::fromLocal8Bit(what()), m_reason);
}

QString SettingsFilePath() { return ExeDir() + "Quorvane.ini"; }

int ParseSettingsInt(const QByteArray &text, int def) {
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

int DigitsToInt(const QByteArray &text) {
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

void LoadSettings() {
  const platform::ProfileFile f(SettingsFilePath());
  TAppSettings s;
  s.Port = ReadInt(f, kConnection, "Port", 10001);
  s.BlueToothPort = f.ReadString(kConnection, "BlueToothPort", "COM7");
  s.DataPort = f.ReadString(kConnection, "DataPort", "COM4");
  s.AVIName = f.ReadString(kAVI, "AVIName", NativeExeDir() + "video.avi");
  s.FPS = ReadInt(f, kAVI, "FPS", 5);
  s.ImageType = f.ReadString(kImage, "ImageType", "BMP");
  s.ImageDir = f.ReadString(kImage, "ImageDir", NativeExeDir());
  s.Language = f.ReadString(kLanguage, "Language", "English");
  s.ListenAddress = f.ReadString(kConnection, "ListenAddress", QByteArray());
  s.KnownPhonesOnly = ReadInt(f, kConnection, "KnownPhonesOnly", 0) != 0;
  AppSettings = s;
}

void SaveCaptureSettings(const QByteArray &aviName, int fps) {
  SettingsWriter w;
  w.Text(kAVI, "AVIName", aviName, AppSettings.AVIName);
  w.Int(kAVI, "FPS", fps, AppSettings.FPS);
}

void SaveScreenSize(int height, int width) {
  SettingsWriter w;
  w.Put(kScreenSize, "Height", QByteArray::number(height));
  w.Put(kScreenSize, "Weight", QByteArray::number(width));
}

void StoreDataPort(const QByteArray &port) {
  QByteArray held = AppSettings.DataPort;
  SettingsWriter().Text(kConnection, "DataPort", port, held);
}

void StoreBlueToothPort(const QByteArray &port) {
  QByteArray held = AppSettings.BlueToothPort;
  SettingsWriter().Text(kConnection, "BlueToothPort", port, held);
}

void SaveDialogSettings(int port, const QByteArray &blueToothPort,
                        const QByteArray &dataPort, const QByteArray &imageType,
                        const QByteArray &imageDir,
                        const QByteArray &language) {
  SettingsWriter w;
  w.Int(kConnection, "port", port, AppSettings.Port);
  w.Text(kConnection, "BlueToothPort", blueToothPort,
         AppSettings.BlueToothPort);
  w.Text(kConnection, "DataPort", dataPort, AppSettings.DataPort);
  w.Text(kImage, "ImageType", imageType, AppSettings.ImageType);
  w.Text(kImage, "ImageDir", imageDir, AppSettings.ImageDir);
  w.Text(kLanguage, "Language", language, AppSettings.Language);
}
