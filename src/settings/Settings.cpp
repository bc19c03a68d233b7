#include "settings/Settings.h"

#include "common/Paths.h"
#include "platform/ProfileFile.h"
#include "settings/FileErrorText.h"
#include "settings/Language.h"

#include <QDir>
#include <limits>

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

} // namespace

// One opening of the file: keys are written in order; a refused write stops
// the operation before any later key or held value changes.
class Settings::Writer {
public:
  explicit Writer(const QString &path) : m_file(path) {}

  void putText(const QByteArray &section, const QByteArray &key,
               const QByteArray &value, QByteArray &held) {
    if (value == held)
      return;
    put(section, key, value);
    held = value;
    m_changed = true;
  }

  void putInt(const QByteArray &section, const QByteArray &key, int value,
              int &held) {
    if (value == held)
      return;
    put(section, key, QByteArray::number(value));
    held = value;
    m_changed = true;
  }

  void put(const QByteArray &section, const QByteArray &key,
           const QByteArray &value) {
    m_file.writeString(section, key, value);
    if (!m_file.flush())
      throw SettingsWriteError(m_file.path(), m_file.writeError());
  }

  bool changed() const { return m_changed; }

private:
  platform::ProfileFile m_file;
  bool m_changed = false;
};

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

QList<int> videoScales() { return {1, 2, 3}; }

int parseVideoScale(const QByteArray &text) {
  bool ok = false;
  const int scale = text.trimmed().toInt(&ok);
  return ok && videoScales().contains(scale) ? scale : 1;
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

Settings::Settings(const Paths &paths, QObject *parent)
    : QObject(parent), m_filePath(settingsFilePath(paths)),
      m_defaultVideoDir(paths.defaultVideoDir()),
      m_defaultPictureDir(paths.defaultPictureDir()) {}

void Settings::load() {
  const platform::ProfileFile f(m_filePath);
  SettingsValues s;
  s.port = readInt(f, kConnection, "Port", 10001);
  s.blueToothPort = f.readString(kConnection, "BlueToothPort", "COM7");
  s.dataPort = f.readString(kConnection, "DataPort", "COM4");
  s.aviName =
      f.readString(kAVI, "AVIName", nativeDir(m_defaultVideoDir) + "video.avi");
  s.fps = readInt(f, kAVI, "FPS", 5);
  s.scale = parseVideoScale(f.readString(kAVI, "Scale", "1"));
  s.imageType = f.readString(kImage, "ImageType", "BMP");
  s.imageDir = f.readString(kImage, "ImageDir", nativeDir(m_defaultPictureDir));
  s.language = f.readString(kLanguage, "Language", "English");
  s.listenAddress = f.readString(kConnection, "ListenAddress", QByteArray());
  s.knownPhonesOnly = readInt(f, kConnection, "KnownPhonesOnly", 0) != 0;
  setValues(s);
}

void Settings::setValues(const SettingsValues &values) {
  m_values = values;
  emit changed();
}

template <typename T> void Settings::hold(T &held, const T &value) {
  if (held == value)
    return;
  held = value;
  emit changed();
}

void Settings::setPort(int port) { hold(m_values.port, port); }
void Settings::setBlueToothPort(const QByteArray &port) {
  hold(m_values.blueToothPort, port);
}
void Settings::setDataPort(const QByteArray &port) {
  hold(m_values.dataPort, port);
}
void Settings::setAviName(const QByteArray &name) {
  hold(m_values.aviName, name);
}
void Settings::setFps(int fps) { hold(m_values.fps, fps); }
void Settings::setScale(int scale) { hold(m_values.scale, scale); }
void Settings::setImageType(const QByteArray &type) {
  hold(m_values.imageType, type);
}
void Settings::setImageDir(const QByteArray &dir) {
  hold(m_values.imageDir, dir);
}
void Settings::setLanguage(const QByteArray &language) {
  hold(m_values.language, language);
}
void Settings::setListenAddress(const QByteArray &address) {
  hold(m_values.listenAddress, address);
}
void Settings::setKnownPhonesOnly(bool on) {
  hold(m_values.knownPhonesOnly, on);
}

template <typename Write> void Settings::store(Write &&write) {
  Writer w(m_filePath);
  try {
    write(w);
  } catch (...) {
    // The keys before the refused one were written and are held.
    if (w.changed())
      emit changed();
    throw;
  }
  if (w.changed())
    emit changed();
}

void Settings::saveCapture(const QByteArray &aviName, int fps) {
  store([&](Writer &w) {
    w.putText(kAVI, "AVIName", aviName, m_values.aviName);
    w.putInt(kAVI, "FPS", fps, m_values.fps);
  });
}

void Settings::saveScreenSize(int height, int width) {
  Writer w(m_filePath);
  w.put(kScreenSize, "Height", QByteArray::number(height));
  w.put(kScreenSize, "Weight", QByteArray::number(width));
}

void Settings::storeDataPort(const QByteArray &port) {
  store([&](Writer &w) {
    w.putText(kConnection, "DataPort", port, m_values.dataPort);
  });
}

void Settings::storeBlueToothPort(const QByteArray &port) {
  store([&](Writer &w) {
    w.putText(kConnection, "BlueToothPort", port, m_values.blueToothPort);
  });
}

void Settings::storeListenAddress(const QByteArray &address) {
  store([&](Writer &w) {
    w.putText(kConnection, "ListenAddress", address, m_values.listenAddress);
  });
}

void Settings::saveDialog(const SettingsValues &edited) {
  store([&](Writer &w) {
    // "port" in lower case: the dialog has always written it so, and the
    // file's reader matches keys without case.
    w.putInt(kConnection, "port", edited.port, m_values.port);
    w.putText(kConnection, "BlueToothPort", edited.blueToothPort,
              m_values.blueToothPort);
    w.putText(kConnection, "DataPort", edited.dataPort, m_values.dataPort);
    w.putText(kImage, "ImageType", edited.imageType, m_values.imageType);
    w.putText(kImage, "ImageDir", edited.imageDir, m_values.imageDir);
    w.putText(kLanguage, "Language", edited.language, m_values.language);
  });
  saveCapture(edited.aviName, edited.fps);
  store([&](Writer &w) {
    w.putInt(kAVI, "Scale", edited.scale, m_values.scale);
  });
  storeListenAddress(edited.listenAddress);
}
