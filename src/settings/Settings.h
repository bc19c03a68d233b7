#pragma once
// The user settings: "Quorvane.ini" in the program directory, read once at
// start into AppSettings and written key by key, only when a value changes.

#include <QByteArray>
#include <QString>
#include <stdexcept>

class Paths;

struct AppSettingsValues {
  int port = 0;
  QByteArray blueToothPort;
  QByteArray dataPort;
  QByteArray aviName;
  int fps = 0;
  QByteArray imageType;
  QByteArray imageDir;
  QByteArray language;
  // Where the TCP link listens: empty for every IPv4 address.
  QByteArray listenAddress;
  // Serve only the phones of [KnownPhones] and those the user allows.
  bool knownPhonesOnly = false;
};

// The settings values held for the run.
extern AppSettingsValues AppSettings;

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

void loadSettings(const Paths &paths);
void saveCaptureSettings(const Paths &paths, const QByteArray &aviName,
                         int fps);
// Always writes [ScreenSize] Height, then Weight.
void saveScreenSize(const Paths &paths, int height, int width);
// Each writes its key when it differs from the value held; the caller then
// sets the in-memory value.
void storeDataPort(const Paths &paths, const QByteArray &port);
void storeBlueToothPort(const Paths &paths, const QByteArray &port);

// The settings dialog's save: [Connection] port, blueToothPort, dataPort,
// [Image] imageType, imageDir, [Language] Language, in one opening of the
// file, each only when changed.
void saveDialogSettings(const Paths &paths, int port,
                        const QByteArray &blueToothPort,
                        const QByteArray &dataPort, const QByteArray &imageType,
                        const QByteArray &imageDir, const QByteArray &language);

// Keeps the digits 0 to 9 and reads them as a decimal number (0 when none,
// saturating rather than overflowing).
int digitsToInt(const QByteArray &text);

// An integer value as the settings file stores it: "0x"/"0X" followed by
// hex digits (more than two characters in all), else decimal; def when
// empty or unparsable.
int parseSettingsInt(const QByteArray &text, int def);
