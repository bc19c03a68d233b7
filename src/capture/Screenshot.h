#pragma once
// Saving the phone's screen as a picture file named by date and time.

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <functional>

struct TScreenshotHooks {
  // A copy of the 1:1 picture, taken under the canvas's lock; null or empty
  // when there is none.
  std::function<QImage()> Picture;
  // The local date and time for the name.
  std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };
  // Asks the user for a folder; empty when cancelled.
  std::function<QString()> PickFolder = [] { return QString(); };
};

enum class TScreenshotResult {
  NoFolder,  // no folder set and none picked
  NoPicture, // nothing to save: the folder exists, no file was written
  Saved,
};

class TScreenshotSaver {
public:
  explicit TScreenshotSaver(TScreenshotHooks hooks);

  // One save with the folder and format given. imageDir may be completed
  // (a folder picked, the separator appended); the change is meant for the
  // in-memory setting only. Throws CaptureWriteError when the folder cannot
  // be made or the file cannot be written; the folder change stays.
  TScreenshotResult Save(QByteArray &imageDir, const QByteArray &imageType);

  // The file of the last Saved result.
  const QString &LastPath() const { return m_lastPath; }

private:
  TScreenshotHooks m_hooks;
  QString m_lastPath;
};
