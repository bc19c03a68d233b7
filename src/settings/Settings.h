#pragma once
// The user settings: "Quorvane.ini" in the program directory, read once at
// start into AppSettings and written key by key, only when a value changes.

#include <QByteArray>
#include <QString>
#include <stdexcept>

struct TAppSettings {
  int Port = 0;
  QByteArray BlueToothPort;
  QByteArray DataPort;
  QByteArray AVIName;
  int FPS = 0;
  QByteArray ImageType;
  QByteArray ImageDir;
  QByteArray Language;
  // Where the TCP link listens: empty for every IPv4 address.
  QByteArray ListenAddress;
  // Serve only the phones of [KnownPhones] and those the user allows.
  bool KnownPhonesOnly = false;
};

// The settings values held for the run.
extern TAppSettings AppSettings;

// A write the file system refused: "Unable to write to <path>". The file
// on disk is as it was before the write.
class SettingsWriteError : public std::runtime_error {
public:
  // error: the errno of the failed write.
  SettingsWriteError(const QString &path, int error);
  const QString &Path() const { return m_path; }
  // Why, lower-case, in the language in use ("no space left on device").
  const QString &Reason() const { return m_reason; }
  // The message for the user: what failed, why, and what happens next.
  QString InDialog() const; // the settings dialog stays open
  QString GoingOn() const;  // anywhere else: the program goes on

private:
  QString m_path;
  QString m_reason;
};

QString SettingsFilePath();

void LoadSettings();
void SaveCaptureSettings(const QByteArray &aviName, int fps);
// Always writes [ScreenSize] Height, then Weight.
void SaveScreenSize(int height, int width);
// Each writes its key when it differs from the value held; the caller then
// sets the in-memory value.
void StoreDataPort(const QByteArray &port);
void StoreBlueToothPort(const QByteArray &port);

// The settings dialog's save: [Connection] port, BlueToothPort, DataPort,
// [Image] ImageType, ImageDir, [Language] Language, in one opening of the
// file, each only when changed.
void SaveDialogSettings(int port, const QByteArray &blueToothPort,
                        const QByteArray &dataPort, const QByteArray &imageType,
                        const QByteArray &imageDir, const QByteArray &language);

// Keeps the digits 0 to 9 and reads them as a decimal number (0 when none,
// saturating rather than overflowing).
int DigitsToInt(const QByteArray &text);

// An integer value as the settings file stores it: "0x"/"0X" followed by
// hex digits (more than two characters in all), else decimal; def when
// empty or unparsable.
int ParseSettingsInt(const QByteArray &text, int def);
