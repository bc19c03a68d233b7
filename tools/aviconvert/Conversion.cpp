#include "aviconvert/Conversion.h"

#include "aviconvert/FramePlacement.h"
#include "capture/ConverterFiles.h"
#include "capture/VideoFormats.h"
#include "platform/ProfileFile.h"
#include "settings/FileErrorText.h"
#include "settings/Language.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <algorithm>
#include <cerrno>

namespace aviconvert {

namespace {

bool taken(const QString &path) {
  const QFileInfo f(path);
  return f.exists() || f.isSymLink();
}

// path, or when it is taken the first free of "name-2.ext", "name-3.ext"...
QString nextFreePath(const QString &path) {
  if (!taken(path))
    return path;
  const QFileInfo info(path);
  const QString suffix =
      info.suffix().isEmpty() ? QString() : '.' + info.suffix();
  for (int n = 2;; ++n) {
    const QString candidate = info.dir().filePath(
        info.completeBaseName() + '-' + QString::number(n) + suffix);
    if (!taken(candidate))
      return candidate;
  }
}

} // namespace

Conversion::Conversion(const QString &programDir)
    : Conversion(ConversionDirs{programDir, programDir, programDir}) {}

Conversion::Conversion(const ConversionDirs &dirs)
    : m_dir(QDir(dirs.work).absolutePath() + '/'),
      m_settingsDir(QDir(dirs.settings).absolutePath() + '/'),
      m_videoDir(QDir(dirs.videos).absolutePath() + '/'),
      m_listPath(m_dir + QStringLiteral("AVIList.dat")) {}

Conversion::~Conversion() {
  if (m_writer) {
    m_writer.reset();
    QFile::remove(m_part);
  }
}

void Conversion::prepare() {
  // One converter at a time per program directory: a second one would take
  // the first one's frames and list. It stops here, having changed nothing.
  m_lock = converterLock(m_dir);
  if (!m_lock->tryLock(0)) {
    const QLockFile::LockError error = m_lock->error();
    const QString lockPath = QDir::toNativeSeparators(m_lock->fileName());
    m_lock.reset();
    if (error == QLockFile::LockFailedError)
      throw VideoError(
          uiText("ConvertAlreadyRunning").arg(QDir::toNativeSeparators(m_dir)));
    throw VideoError(
        uiText("ConvertLockFailed")
            .arg(lockPath,
                 fileErrorText(error == QLockFile::PermissionError ? EACCES
                                                                   : EIO)));
  }

  const QString ini = m_settingsDir + QStringLiteral("Quorvane.ini");
  platform::ProfileFile settings(ini);
  m_output = QString::fromLocal8Bit(settings.readString(
      "AVI", "AVIName",
      QDir::toNativeSeparators(m_videoDir).toLocal8Bit() + "video.avi"));
  if (QFileInfo(m_output).isRelative())
    m_output = m_videoDir + m_output;
  m_fps = std::clamp(
      parseSettingsInt(settings.readString("AVI", "FPS", "5"), 5), 1, 20);
  m_scale = parseVideoScale(settings.readString("AVI", "Scale", "1"));
  const int height =
      parseSettingsInt(settings.readString("ScreenSize", "Height", ""), 0);
  const int width =
      parseSettingsInt(settings.readString("ScreenSize", "Weight", ""), 0);
  if (height > 0 && width > 0 && height <= 4096 && width <= 4096)
    m_size = QSize(width, height);

  QFile list(m_listPath);
  if (!list.exists())
    throw VideoError(uiText("ConvertNoFrameList").arg(m_listPath));
  if (!list.open(QIODevice::ReadOnly))
    throw VideoError(
        uiText("ConvertListUnreadable").arg(m_listPath, list.errorString()));
  m_paths = frameListPaths(list.readAll());
  if (m_paths.isEmpty())
    throw VideoError(uiText("ConvertListEmpty").arg(m_listPath));
  QList<std::optional<int>> times;
  for (const QString &path : m_paths)
    times.append(frameTimeMs(path));
  m_placed = placeFrames(times, m_fps);

  const std::optional<VideoFormat> format = videoFormatFor(m_output);
  if (!format)
    throw VideoError(uiText("ConvertUnknownFormat")
                         .arg(QDir::toNativeSeparators(m_output),
                              QStringLiteral(".avi, .mp4, .webm, .gif")));
  m_format = *format;

  // Holding the lock, the unfinished videos of killed converters are known
  // to be stale.
  removeStaleParts(QFileInfo(m_output).absolutePath());
  const QString free = nextFreePath(m_output);
  if (free != m_output)
    m_taken = m_output;
  m_output = free;
  m_part = partFilePath(m_output, QCoreApplication::applicationPid(),
                        QDateTime::currentMSecsSinceEpoch());
}

bool Conversion::step() {
  if (m_next >= total())
    return false;
  const int index = m_next++;
  const QString &path = m_paths[index];
  const QImage image(path);
  if (image.isNull()) {
    ++m_skipped; // missing or undecodable: its time goes to the one before
    return m_next < total();
  }
  if (!m_writer) {
    const QSize size = m_size.isValid() ? m_size : image.size();
    QDir().mkpath(QFileInfo(m_output).absolutePath());
    try {
      m_writer = std::make_unique<VideoWriter>(
          m_part, size, VideoOptions{m_format, m_fps, m_scale});
    } catch (...) {
      QFile::remove(m_part); // opened, perhaps, before the failure
      throw;
    }
    m_base = m_placed[index];
  }
  m_writer->write(image, m_placed[index] - m_base);
  m_converted.append(path);
  return m_next < total();
}

Report Conversion::finish() {
  while (step()) {
  }
  if (!m_writer)
    throw VideoError(uiText("ConvertNoFrameRead").arg(total()).arg(m_listPath));
  m_writer->finish();
  const int covered = m_writer->slotsCovered();
  m_writer.reset();
  // Renaming never replaces a file: one made since Prepare makes the video
  // take the next free name.
  bool renamed = QFile::rename(m_part, m_output);
  if (!renamed && taken(m_output)) {
    if (m_taken.isEmpty())
      m_taken = m_output;
    m_output = nextFreePath(m_output);
    renamed = QFile::rename(m_part, m_output);
  }
  if (!renamed) {
    QFile::remove(m_part);
    throw VideoError(uiText("ConvertVideoNotWritten").arg(m_output));
  }
  // The video is complete: the frames it holds are no longer needed. Only
  // the recorder's own frames go; any other listed file is left as it was.
  const QString framesDir = m_dir + QStringLiteral("temp/");
  for (const QString &path : m_converted)
    if (isOwnFrame(path, framesDir))
      QFile::remove(path);
  m_lock.reset();

  Report report;
  report.output = m_output;
  report.converted = int(m_converted.size());
  report.skipped = m_skipped;
  report.seconds = double(covered) / m_fps;
  return report;
}

QString Conversion::keptText() const {
  if (m_paths.isEmpty())
    return QString();
  return uiText("ConvertFramesKept").arg(total());
}

} // namespace aviconvert
