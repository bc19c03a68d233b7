#include "aviconvert/Conversion.h"

#include "aviconvert/FramePlacement.h"
#include "capture/ConverterFiles.h"
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

bool Taken(const QString &path) {
  const QFileInfo f(path);
  return f.exists() || f.isSymLink();
}

// path, or when it is taken the first free of "name-2.ext", "name-3.ext"...
QString NextFreePath(const QString &path) {
  if (!Taken(path))
    return path;
  const QFileInfo info(path);
  const QString suffix =
      info.suffix().isEmpty() ? QString() : '.' + info.suffix();
  for (int n = 2;; ++n) {
    const QString candidate = info.dir().filePath(
        info.completeBaseName() + '-' + QString::number(n) + suffix);
    if (!Taken(candidate))
      return candidate;
  }
}

} // namespace

TConversion::TConversion(const QString &programDir)
    : m_dir(QDir(programDir).absolutePath() + '/'),
      m_listPath(m_dir + QStringLiteral("AVIList.dat")) {}

TConversion::~TConversion() {
  if (m_writer) {
    m_writer.reset();
    QFile::remove(m_part);
  }
}

void TConversion::Prepare() {
  // One converter at a time per program directory: a second one would take
  // the first one's frames and list. It stops here, having changed nothing.
  m_lock = ConverterLock(m_dir);
  if (!m_lock->tryLock(0)) {
    const QLockFile::LockError error = m_lock->error();
    const QString lockPath = QDir::toNativeSeparators(m_lock->fileName());
    m_lock.reset();
    if (error == QLockFile::LockFailedError)
      throw VideoError(
          UiText("ConvertAlreadyRunning").arg(QDir::toNativeSeparators(m_dir)));
    throw VideoError(
        UiText("ConvertLockFailed")
            .arg(lockPath,
                 FileErrorText(error == QLockFile::PermissionError ? EACCES
                                                                   : EIO)));
  }

  const QString ini = m_dir + QStringLiteral("Quorvane.ini");
  platform::ProfileFile settings(ini);
  m_output = QString::fromLocal8Bit(settings.ReadString(
      "AVI", "AVIName",
      QDir::toNativeSeparators(m_dir).toLocal8Bit() + "video.avi"));
  if (QFileInfo(m_output).isRelative())
    m_output = m_dir + m_output;
  m_fps = std::clamp(
      ParseSettingsInt(settings.ReadString("AVI", "FPS", "5"), 5), 1, 20);
  const int height =
      ParseSettingsInt(settings.ReadString("ScreenSize", "Height", ""), 0);
  const int width =
      ParseSettingsInt(settings.ReadString("ScreenSize", "Weight", ""), 0);
  if (height > 0 && width > 0 && height <= 4096 && width <= 4096)
    m_size = QSize(width, height);

  QFile list(m_listPath);
  if (!list.exists())
    throw VideoError(UiText("ConvertNoFrameList").arg(m_listPath));
  if (!list.open(QIODevice::ReadOnly))
    throw VideoError(
        UiText("ConvertListUnreadable").arg(m_listPath, list.errorString()));
  m_paths = FrameListPaths(list.readAll());
  if (m_paths.isEmpty())
    throw VideoError(UiText("ConvertListEmpty").arg(m_listPath));
  QList<std::optional<int>> times;
  for (const QString &path : m_paths)
    times.append(FrameTimeMs(path));
  m_placed = PlaceFrames(times, m_fps);

  // Holding the lock, the unfinished videos of killed converters are known
  // to be stale.
  RemoveStaleParts(QFileInfo(m_output).absolutePath());
  const QString free = NextFreePath(m_output);
  if (free != m_output)
    m_taken = m_output;
  m_output = free;
  m_part = PartFilePath(m_output, QCoreApplication::applicationPid(),
                        QDateTime::currentMSecsSinceEpoch());
}

bool TConversion::Step() {
  if (m_next >= Total())
    return false;
  const int index = m_next++;
  const QString &path = m_paths[index];
  const QImage image(path);
  if (image.isNull()) {
    ++m_skipped; // missing or undecodable: its time goes to the one before
    return m_next < Total();
  }
  if (!m_writer) {
    const QSize size = m_size.isValid() ? m_size : image.size();
    QDir().mkpath(QFileInfo(m_output).absolutePath());
    try {
      m_writer = std::make_unique<TVideoWriter>(m_part, size, m_fps);
    } catch (...) {
      QFile::remove(m_part); // opened, perhaps, before the failure
      throw;
    }
    m_base = m_placed[index];
  }
  const int slot = m_placed[index] - m_base;
  while (m_writer->FramesWritten() < slot)
    m_writer->Write(m_last);
  m_writer->Write(image);
  m_last = image;
  m_converted.append(path);
  return m_next < Total();
}

TReport TConversion::Finish() {
  while (Step()) {
  }
  if (!m_writer)
    throw VideoError(UiText("ConvertNoFrameRead").arg(Total()).arg(m_listPath));
  m_writer->Finish();
  const int frames = m_writer->FramesWritten();
  m_writer.reset();
  // Renaming never replaces a file: one made since Prepare makes the video
  // take the next free name.
  bool renamed = QFile::rename(m_part, m_output);
  if (!renamed && Taken(m_output)) {
    if (m_taken.isEmpty())
      m_taken = m_output;
    m_output = NextFreePath(m_output);
    renamed = QFile::rename(m_part, m_output);
  }
  if (!renamed) {
    QFile::remove(m_part);
    throw VideoError(UiText("ConvertVideoNotWritten").arg(m_output));
  }
  // The video is complete: the frames it holds are no longer needed. Only
  // the recorder's own frames go; any other listed file is left as it was.
  const QString framesDir = m_dir + QStringLiteral("temp/");
  for (const QString &path : m_converted)
    if (IsOwnFrame(path, framesDir))
      QFile::remove(path);
  m_lock.reset();

  TReport report;
  report.output = m_output;
  report.converted = int(m_converted.size());
  report.skipped = m_skipped;
  report.seconds = double(frames) / m_fps;
  return report;
}

QString TConversion::KeptText() const {
  if (m_paths.isEmpty())
    return QString();
  return UiText("ConvertFramesKept").arg(Total());
}

} // namespace aviconvert
