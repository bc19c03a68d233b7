#pragma once
// Saving the phone's screen as a picture file named by date and time.

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>

// The values [Image] ImageType accepts, as stored: "BMP", "JPEG", "PNG".
// Any other value saves a BMP file.
QStringList screenshotImageTypes();

struct ScreenshotHooks {
  // A copy of the 1:1 picture, taken under the canvas's lock; null or empty
  // when there is none.
  std::function<QImage()> picture;
  // The local date and time for the name.
  std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
  // Asks the user for a folder; empty when cancelled.
  std::function<QString()> pickFolder = [] { return QString(); };
};

enum class ScreenshotResult {
  NoFolder,  // no folder set and none picked
  NoPicture, // nothing to save: the folder exists, no file was written
  Saved,
};

class ScreenshotSaver {
public:
  explicit ScreenshotSaver(ScreenshotHooks hooks);

  // One save with the folder and format given (screenshotImageTypes; the
  // file gets ".bmp", ".jpg" or ".png"). imageDir may be completed
  // (a folder picked, the separator appended); the change is meant for the
  // in-memory setting only. Throws CaptureWriteError when the folder cannot
  // be made or the file cannot be written; the folder change stays.
  ScreenshotResult save(QByteArray &imageDir, const QByteArray &imageType);

  // The file of the last Saved result.
  const QString &lastPath() const { return m_lastPath; }

private:
  ScreenshotHooks m_hooks;
  QString m_lastPath;
};
