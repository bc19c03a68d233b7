#include "capture/VideoRecorder.h"

#include "capture/CaptureNames.h"
#include "capture/ImageFiles.h"
#include "screen/ScreenCanvas.h"
#include "settings/Language.h"
#include "settings/Settings.h"

QString captureStateText(CaptureState state) {
  switch (state) {
  case CaptureState::Played:
    return QStringLiteral("CAVIPlayed");
  case CaptureState::Paused:
    return QStringLiteral("CAVIPaused");
  case CaptureState::Off:
    break;
  }
  return QStringLiteral("CAVIOff");
}

namespace {
bool isEmpty(const QImage &picture) {
  return picture.width() == 0 || picture.height() == 0;
}
} // namespace

VideoRecorder::VideoRecorder(RecorderHooks hooks) : m_hooks(std::move(hooks)) {}

QString VideoRecorder::listFilePath() const {
  return m_hooks.programDir() + QStringLiteral("AVIList.dat");
}

VideoRecorder::Step VideoRecorder::recordPause(int fps) {
  if (isEmpty(m_hooks.picture()))
    return Step::Refused;
  switch (m_state) {
  case CaptureState::Off:
    m_interval = captureInterval(fps);
    m_frames.clear();
    m_state = CaptureState::Played;
    return Step::Started;
  case CaptureState::Played:
    m_state = CaptureState::Paused;
    return Step::Paused;
  case CaptureState::Paused:
    m_state = CaptureState::Played;
    return Step::Resumed;
  }
  return Step::Refused;
}

bool VideoRecorder::tick() {
  if (m_state != CaptureState::Played)
    return false;
  // A view emptied by a disconnect gives no frame; the ticks go on.
  const QImage picture = m_hooks.picture();
  if (isEmpty(picture))
    return false;
  const QString folder = m_hooks.framesDir();
  const QString path = folder + frameName(m_hooks.now());
  try {
    makeCaptureFolder(folder);
    writeCaptureFile(path, encodeBmp24(picture));
  } catch (const CaptureWriteError &e) {
    QString message =
        uiText(e.isFolder() ? "FileFramesFolderNotMade" : "FileFrameNotSaved")
            .arg(e.path(), e.reason());
    const int taken = int(m_frames.size());
    if (taken == 0) {
      // Nothing to convert: an earlier frame list stays as it is.
      m_state = CaptureState::Off;
      throw RecordingError(message + ' ' + uiText("FileRecordingStoppedEmpty"),
                           false);
    }
    bool listed = true;
    try {
      stop();
      message += ' ' + uiText("FileRecordingStoppedListed").arg(taken);
    } catch (const RecordingError &stopError) {
      listed = false;
      message +=
          ' ' + uiText("FileRecordingStopped") + ' ' + stopError.message();
    }
    throw RecordingError(message, listed);
  }
  m_frames.append(path);
  return true;
}

void VideoRecorder::stop() {
  const QStringList frames = m_frames;
  m_frames.clear();
  m_state = CaptureState::Off;
  const QString listPath = listFilePath();
  try {
    writeListFile(listPath, frames);
  } catch (const CaptureWriteError &e) {
    // Frames are named only when there are some to keep.
    const QString message =
        frames.isEmpty()
            ? uiText("FileFrameListNotWritten").arg(e.path(), e.reason())
            : uiText("FileFrameListNotWrittenKept")
                  .arg(e.path(), e.reason(), QString::number(frames.size()),
                       m_hooks.framesDir());
    throw RecordingError(message, false);
  }
  // The converter is handed the size of the frames it receives.
  try {
    if (m_hooks.saveScreenSize)
      m_hooks.saveScreenSize(ScreenCanvas::kScreenHeight,
                             ScreenCanvas::kScreenWidth);
  } catch (const std::exception &e) {
    QString what = QString::fromLocal8Bit(e.what());
    if (const auto *settings = dynamic_cast<const SettingsWriteError *>(&e))
      what += QStringLiteral(": ") + settings->reason();
    throw RecordingError(
        uiText("FileConverterNotStarted")
            .arg(what, QString::number(frames.size()), listPath),
        true);
  }
  if (m_hooks.startConverter)
    m_hooks.startConverter();
}
