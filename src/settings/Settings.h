#pragma once
// The user settings: "Quorvane.ini" in the configuration folder, read by
// load() and written key by key, only when a value changes. One Settings
// object is made by AppCore and handed to whoever reads or stores a value.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <stdexcept>

class Paths;

// The values held, with the defaults a missing key gives.
struct SettingsValues {
  int port = 10001;
  QByteArray blueToothPort = "COM7";
  QByteArray dataPort = "COM4";
  QByteArray aviName;
  int fps = 5;
  // How many times the converter enlarges each frame: 1, 2 or 3.
  int scale = 1;
  QByteArray imageType = "BMP";
  QByteArray imageDir;
  QByteArray language = "English";
  // Where the TCP link listens: empty for every IPv4 address.
  QByteArray listenAddress;
  // Serve only the phones of [KnownPhones] and those the user allows.
  bool knownPhonesOnly = false;
};

// A write the file system refused: "Unable to write to <path>". The file
// on disk is as it was before the write.
class SettingsWriteError : public std::runtime_error {
public:
  // error: the errno of the failed write.
  SettingsWriteError(const QString &path, int error);
  const QString &path() const { return m_path; }
  // Why, lower-case, in the language in use ("no space left on device").
  const QString &reason() const { return m_reason; }
  // The message for the user: what failed, why, and what happens next.
  QString inDialog() const; // the settings dialog stays open
  QString goingOn() const;  // anywhere else: the program goes on

private:
  QString m_path;
  QString m_reason;
};

// Quorvane.ini in the configuration folder.
QString settingsFilePath(const Paths &paths);

class Settings : public QObject {
  Q_OBJECT
public:
  // The file load() reads and the stores write is settingsFilePath(paths);
  // the video and picture folders of paths give the defaults of the video
  // name and the image folder.
  explicit Settings(const Paths &paths, QObject *parent = nullptr);

  const QString &filePath() const { return m_filePath; }
  // Reads every value; a missing key gives its default.
  void load();

  const SettingsValues &values() const { return m_values; }
  int port() const { return m_values.port; }
  const QByteArray &blueToothPort() const { return m_values.blueToothPort; }
  const QByteArray &dataPort() const { return m_values.dataPort; }
  const QByteArray &aviName() const { return m_values.aviName; }
  int fps() const { return m_values.fps; }
  int scale() const { return m_values.scale; }
  const QByteArray &imageType() const { return m_values.imageType; }
  const QByteArray &imageDir() const { return m_values.imageDir; }
  const QByteArray &language() const { return m_values.language; }
  const QByteArray &listenAddress() const { return m_values.listenAddress; }
  bool knownPhonesOnly() const { return m_values.knownPhonesOnly; }

  // Values for this run only: held, never written. A port found by a scan
  // that could not be stored is used all the same; tests set values here.
  void setValues(const SettingsValues &values);
  void setPort(int port);
  void setBlueToothPort(const QByteArray &port);
  void setDataPort(const QByteArray &port);
  void setAviName(const QByteArray &name);
  void setFps(int fps);
  void setScale(int scale);
  void setImageType(const QByteArray &type);
  void setImageDir(const QByteArray &dir);
  void setLanguage(const QByteArray &language);
  void setListenAddress(const QByteArray &address);
  void setKnownPhonesOnly(bool on);

  // The stores: each key is written when it differs from the value held,
  // which then takes the new value. A refused write throws
  // SettingsWriteError; the key refused and every later one keep their
  // values, in the file and here.

  // [AVI] AVIName, then FPS.
  void saveCapture(const QByteArray &aviName, int fps);
  // Always writes [ScreenSize] Height, then Weight.
  void saveScreenSize(int height, int width);
  void storeDataPort(const QByteArray &port);
  void storeBlueToothPort(const QByteArray &port);
  // [Connection] ListenAddress.
  void storeListenAddress(const QByteArray &address);
  // The settings dialog's save: [Connection] port, BlueToothPort, DataPort,
  // [Image] ImageType, ImageDir, [Language] Language in one opening of the
  // file, then the video name and frame rate, the scale, then the listen
  // address.
  void saveDialog(const SettingsValues &edited);

signals:
  // Held values changed: after load, a setter or a successful store.
  void changed();

private:
  class Writer;
  // Sets a held value; changed() when it differs.
  template <typename T> void hold(T &held, const T &value);
  // Runs write on one opening of the file; changed() follows any value it
  // took, also when a later key is refused.
  template <typename Write> void store(Write &&write);
  QString m_filePath;
  QString m_defaultVideoDir;
  QString m_defaultPictureDir;
  SettingsValues m_values;
};

// Keeps the digits 0 to 9 and reads them as a decimal number (0 when none,
// saturating rather than overflowing).
int digitsToInt(const QByteArray &text);

// An integer value as the settings file stores it: "0x"/"0X" followed by
// hex digits (more than two characters in all), else decimal; def when
// empty or unparsable.
int parseSettingsInt(const QByteArray &text, int def);

// The enlargements [AVI] Scale offers, 1 (none), 2 and 3.
QList<int> videoScales();
// [AVI] Scale as stored: 1, 2 or 3; anything else is 1.
int parseVideoScale(const QByteArray &text);
