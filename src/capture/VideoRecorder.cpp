#include "capture/VideoRecorder.h"

#include "capture/CaptureNames.h"
#include "capture/ImageFiles.h"
#include "screen/ScreenCanvas.h"

#include <QDir>
#include <QFileInfo>

QString CaptureStateText(TCaptureState state) {
  switch (state) {
  case TCaptureState::Played:
    return QStringLiteral("CAVIPlayed");
  case TCaptureState::Paused:
    return QStringLiteral("CAVIPaused");
  case TCaptureState::Off:
    break;
  }
  return QStringLiteral("CAVIOff");
}

namespace {
bool IsEmpty(const QImage &picture) {
  return picture.width() == 0 || picture.height() == 0;
}
} // namespace

TVideoRecorder::TVideoRecorder(TRecorderHooks hooks)
    : m_hooks(std::move(hooks)) {}

QString TVideoRecorder::ListFilePath() const {
  return m_hooks.ProgramDir() + QStringLiteral("AVIList.dat");
}

TVideoRecorder::TStep TVideoRecorder::RecordPause(int fps) {
  if (IsEmpty(m_hooks.Picture()))
    return TStep::Refused;
  switch (m_state) {
  case TCaptureState::Off:
    m_interval = CaptureInterval(fps);
    m_frames.clear();
    m_state = TCaptureState::Played;
    return TStep::Started;
  case TCaptureState::Played:
    m_state = TCaptureState::Paused;
    return TStep::Paused;
  case TCaptureState::Paused:
    m_state = TCaptureState::Played;
    return TStep::Resumed;
  }
  return TStep::Refused;
}

bool TVideoRecorder::Tick() {
  if (m_state != TCaptureState::Played)
    return false;
  // A view emptied by a disconnect gives no frame; the ticks go on.
  const QImage picture = m_hooks.Picture();
  if (IsEmpty(picture))
    return false;
  const QString folder = m_hooks.FramesDir();
  if (!QFileInfo(folder).isDir())
    QDir().mkdir(folder);
  const QString path = folder + FrameName(m_hooks.Now());
  try {
    WriteCaptureFile(path, EncodeBmp24(picture));
  } catch (const CaptureWriteError &e) {
    const int taken = int(m_frames.size());
    QString message =
        QStringLiteral("Could not save the video frame %1: %2. The recording "
                       "was stopped")
            .arg(e.Path(), e.Reason());
    bool listed = true;
    try {
      Stop();
      message += QStringLiteral("; the %1 frames taken before it were handed "
                                "to the converter.")
                     .arg(taken);
    } catch (const RecordingError &stopError) {
      listed = false;
      message += QStringLiteral(". ") + stopError.Message();
    }
    throw RecordingError(message, listed);
  }
  m_frames.append(path);
  return true;
}

void TVideoRecorder::Stop() {
  const QStringList frames = m_frames;
  m_frames.clear();
  m_state = TCaptureState::Off;
  const QString listPath = ListFilePath();
  try {
    WriteListFile(listPath, frames);
  } catch (const CaptureWriteError &e) {
    throw RecordingError(
        QStringLiteral("Could not write the frame list %1: %2. The %3 frames "
                       "stay in %4; no video was made.")
            .arg(e.Path(), e.Reason())
            .arg(frames.size())
            .arg(m_hooks.FramesDir()),
        false);
  }
  // The converter is handed the size of the frames it receives.
  try {
    if (m_hooks.SaveScreenSize)
      m_hooks.SaveScreenSize(TScreenCanvas::ScreenHeight,
                             TScreenCanvas::ScreenWidth);
  } catch (const std::exception &e) {
    throw RecordingError(
        QStringLiteral("%1. The %2 frames are listed in %3, but the converter "
                       "was not started.")
            .arg(QString::fromLocal8Bit(e.what()))
            .arg(frames.size())
            .arg(listPath),
        true);
  }
  if (m_hooks.StartConverter)
    m_hooks.StartConverter();
}
