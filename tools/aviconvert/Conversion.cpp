#include "aviconvert/Conversion.h"

#include "aviconvert/FramePlacement.h"
#include "platform/ProfileFile.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace aviconvert {

namespace {
QString PartPath(const QString &output) {
  return output + QStringLiteral(".part");
}
} // namespace

TConversion::TConversion(const QString &programDir)
    : m_dir(QDir(programDir).absolutePath() + '/'),
      m_listPath(m_dir + QStringLiteral("AVIList.dat")) {}

TConversion::~TConversion() {
  if (m_writer) {
    m_writer.reset();
    QFile::remove(PartPath(m_output));
  }
}

void TConversion::Prepare() {
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
    throw VideoError(QStringLiteral("There is no frame list %1, so there is "
                                    "nothing to convert. Record a video in "
                                    "Quorvane first.")
                         .arg(m_listPath));
  if (!list.open(QIODevice::ReadOnly))
    throw VideoError(QStringLiteral("Could not read the frame list %1: %2.")
                         .arg(m_listPath, list.errorString()));
  m_paths = FrameListPaths(list.readAll());
  if (m_paths.isEmpty())
    throw VideoError(QStringLiteral("The frame list %1 lists no frames, so "
                                    "there is nothing to convert. No video "
                                    "was written.")
                         .arg(m_listPath));
  QList<std::optional<int>> times;
  for (const QString &path : m_paths)
    times.append(FrameTimeMs(path));
  m_placed = PlaceFrames(times, m_fps);
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
    m_writer = std::make_unique<TVideoWriter>(PartPath(m_output), size, m_fps);
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
    throw VideoError(QStringLiteral("None of the %1 frames listed in %2 could "
                                    "be read, so no video was written.")
                         .arg(Total())
                         .arg(m_listPath));
  m_writer->Finish();
  const int frames = m_writer->FramesWritten();
  m_writer.reset();
  const QString part = PartPath(m_output);
  QFile::remove(m_output);
  if (!QFile::rename(part, m_output)) {
    QFile::remove(part);
    throw VideoError(
        QStringLiteral("Could not write the video %1.").arg(m_output));
  }
  // The video is complete: the frames it holds are no longer needed.
  for (const QString &path : m_converted)
    QFile::remove(path);

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
  return QStringLiteral("The frame list and its %1 frames are kept.")
      .arg(Total());
}

} // namespace aviconvert
