#include "capture/VideoRecorder.h"

#include "capture/CaptureNames.h"
#include "capture/ImageFiles.h"
#include "screen/ScreenCanvas.h"
#include "settings/Language.h"
#include "settings/Settings.h"

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
  const QString path = folder + FrameName(m_hooks.Now());
  try {
    MakeCaptureFolder(folder);
    WriteCaptureFile(path, EncodeBmp24(picture));
  } catch (const CaptureWriteError &e) {
    QString message =
        UiText(e.IsFolder() ? "FileFramesFolderNotMade" : "FileFrameNotSaved")
            .arg(e.Path(), e.Reason());
    const int taken = int(m_frames.size());
    if (taken == 0) {
      // Nothing to convert: an earlier frame list stays as it is.
      m_state = TCaptureState::Off;
      throw RecordingError(message + ' ' + UiText("FileRecordingStoppedEmpty"),
                           false);
    }
    bool listed = true;
    try {
      Stop();
      message += ' ' + UiText("FileRecordingStoppedListed").arg(taken);
    } catch (const RecordingError &stopError) {
      listed = false;
      message +=
          ' ' + UiText("FileRecordingStopped") + ' ' + stopError.Message();
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
    // Frames are named only when there are some to keep.
    const QString message =
        frames.isEmpty()
            ? UiText("FileFrameListNotWritten").arg(e.Path(), e.Reason())
            : UiText("FileFrameListNotWrittenKept")
                  .arg(e.Path(), e.Reason(), QString::number(frames.size()),
                       m_hooks.FramesDir());
    throw RecordingError(message, false);
  }
  // The converter is handed the size of the frames it receives.
  try {
    if (m_hooks.SaveScreenSize)
      m_hooks.SaveScreenSize(TScreenCanvas::ScreenHeight,
                             TScreenCanvas::ScreenWidth);
  } catch (const std::exception &e) {
    QString what = QString::fromLocal8Bit(e.what());
    if (const auto *settings = dynamic_cast<const SettingsWriteError *>(&e))
      what += QStringLiteral(": ") + settings->Reason();
    throw RecordingError(
        UiText("FileConverterNotStarted")
            .arg(what, QString::number(frames.size()), listPath),
        true);
  }
  if (m_hooks.StartConverter)
    m_hooks.StartConverter();
}
