#include "app/CaptureController.h"

#include "app/AppCore.h"
#include "app/AppException.h"
#include "app/ArtworkResources.h"
#include "app/MessageBoxes.h"
#include "capture/ConverterFiles.h"
#include "capture/ImageFiles.h"
#include "capture/Screenshot.h"
#include "capture/VideoRecorder.h"
#include "common/Paths.h"
#include "controls/PictureButton.h"
#include "platform/Shell.h"
#include "platform/WindowFinder.h"
#include "settings/Language.h"
#include "settings/Settings.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLockFile>
#include <QSignalBlocker>
#include <QTimer>

namespace {
const QString kConverterTitle = QStringLiteral("AviConvert");
const QString kConverterProgram = QStringLiteral("AVIConvert");

// Starts the converter without waiting for it; false when it is not found.
bool startConverterProgram(const Paths &paths) {
  return platform::startProgram(kConverterProgram, paths.converterDir());
}

} // namespace

CaptureController::CaptureController(AppCore &core, QWidget &window,
                                     MessageBoxes &boxes,
                                     const Controls &controls)
    : QObject(&window), m_core(core), m_window(window), m_boxes(boxes),
      m_controls(controls) {
  setObjectName("captureController");
  m_core.setFolderPicker([this] {
    return QFileDialog::getExistingDirectory(
        &m_window, uiText("UiChooseScreenshotFolder"), QDir::homePath());
  });

  m_captureTimer = new QTimer(this);
  m_captureTimer->setObjectName("captureTimer");
  m_captureTimer->setInterval(1000);
  connect(m_captureTimer, &QTimer::timeout, this,
          &CaptureController::captureFrame);
  m_buttonResetTimer = new QTimer(this);
  m_buttonResetTimer->setObjectName("recordButtonsResetTimer");
  m_buttonResetTimer->setInterval(100);
  m_buttonResetTimer->setSingleShot(true);
  connect(m_buttonResetTimer, &QTimer::timeout, this,
          &CaptureController::resetRecordButtons);

  // As the record button: an open converter comes forward instead.
  connect(controls.recordPauseAction, &QAction::triggered, this,
          &CaptureController::recordButtonClicked);
  connect(controls.stopAction, &QAction::triggered, this,
          &CaptureController::stopRecording);
  // The Tools menu's entry saves a screenshot as the camera button does.
  connect(controls.screenshotAction, &QAction::triggered, this,
          &CaptureController::saveScreenshot);
  connect(controls.screenshotButton, &PictureButton::clicked, this,
          &CaptureController::saveScreenshot);
  connect(controls.recordButton, &PictureButton::clicked, this,
          &CaptureController::recordButtonClicked);
  connect(controls.pauseButton, &PictureButton::clicked, this,
          &CaptureController::pauseButtonClicked);
  connect(controls.stopButton, &PictureButton::clicked, this,
          &CaptureController::stopButtonClicked);
  connect(controls.stopButton, &PictureButton::mouseDown, this,
          [this](Qt::MouseButton button) {
            if (button == Qt::LeftButton)
              stopButtonPressed();
          });
}

void CaptureController::saveScreenshot() {
  try {
    if (m_core.saveScreenshot() != ScreenshotResult::Saved)
      return;
  } catch (const CaptureWriteError &e) {
    m_boxes.show(&m_window, MessageKind::Warning,
                 QApplication::applicationDisplayName(),
                 uiText(e.isFolder() ? "FileScreenshotFolderNotMade"
                                     : "FileScreenshotNotSaved")
                     .arg(e.path(), e.reason()));
    return;
  } catch (const std::exception &e) {
    postAppException(&m_window, e);
    return;
  }
  emit screenshotSaved();
}

void CaptureController::applyRecorderState() {
  m_state = captureStateText(m_core.recorder().state());
  m_controls.stopAction->setEnabled(m_core.recorder().state() !=
                                    CaptureState::Off);
}

void CaptureController::recordOrPause() {
  try {
    switch (m_core.recorder().recordPause(m_core.settings().fps())) {
    case VideoRecorder::Step::Refused:
      m_buttonResetTimer->start();
      break;
    case VideoRecorder::Step::Started:
      m_captureTimer->setInterval(m_core.recorder().interval());
      m_captureTimer->start();
      m_controls.recordButton->setDown(true);
      break;
    case VideoRecorder::Step::Paused:
      m_controls.recordPauseAction->setIcon(menuIcon(8));
      m_captureTimer->stop();
      m_controls.pauseButton->setDown(true);
      break;
    case VideoRecorder::Step::Resumed:
      m_controls.recordPauseAction->setIcon(menuIcon(12));
      m_captureTimer->start();
      m_controls.recordButton->setDown(true);
      break;
    }
  } catch (const std::exception &e) {
    postAppException(&m_window, e);
  }
  applyRecorderState();
}

void CaptureController::stopRecording() {
  if (m_core.recorder().state() == CaptureState::Off)
    return;
  m_captureTimer->stop();
  QString failure;
  try {
    m_core.recorder().stop();
  } catch (const RecordingError &e) {
    failure = e.message();
  } catch (const std::exception &e) {
    postAppException(&m_window, e);
  }
  applyRecorderState();
  m_controls.stopButton->setDown(true);
  if (!failure.isEmpty())
    m_boxes.show(&m_window, MessageKind::Warning,
                 QApplication::applicationDisplayName(), failure);
}

void CaptureController::captureFrame() {
  try {
    m_core.recorder().tick();
  } catch (const RecordingError &e) {
    // The recording has been stopped; the window follows.
    m_captureTimer->stop();
    applyRecorderState();
    m_controls.stopButton->setDown(true);
    m_boxes.show(&m_window, MessageKind::Warning,
                 QApplication::applicationDisplayName(), e.message());
  } catch (const std::exception &e) {
    m_captureTimer->stop();
    postAppException(&m_window, e);
  }
}

void CaptureController::offerLeftoverRecording() {
  const Paths &paths = m_core.paths();
  QStringList frames;
  {
    // A converter at work owns the frames and its unfinished video.
    const std::unique_ptr<QLockFile> lock = converterLock(paths.workDir());
    if (!lock->tryLock(0))
      return;
    removeStaleParts(paths.workDir());
    const QString video = QString::fromLocal8Bit(m_core.settings().aviName());
    if (!video.isEmpty())
      removeStaleParts(
          QFileInfo(QDir(paths.defaultVideoDir()).absoluteFilePath(video))
              .absolutePath());
    frames = framesInFolder(paths.tempDir());
  }
  if (frames.isEmpty())
    return;
  const QString folder = QDir::toNativeSeparators(paths.tempDir());
  const QString caption = QApplication::applicationDisplayName();
  const int choice = m_boxes.ask(
      &m_window, caption,
      uiText("CaptureLeftoverFrames").arg(frames.size()).arg(folder),
      {uiText("CaptureLeftoverMake"), uiText("CaptureLeftoverDelete"),
       uiText("CaptureLeftoverLater")});
  if (choice == 0) {
    // The converter deletes the frames once their video is written.
    try {
      writeListFile(m_core.recorder().listFilePath(), frames);
    } catch (const CaptureWriteError &e) {
      m_boxes.show(&m_window, MessageKind::Warning, caption,
                   uiText("CaptureLeftoverListFailed")
                       .arg(e.path(), e.reason(), folder));
      return;
    }
    if (!startConverterProgram(paths))
      m_boxes.show(
          &m_window, MessageKind::Warning, caption,
          uiText("CaptureConverterMissing")
              .arg(QDir::toNativeSeparators(paths.converterDir()), folder));
  } else if (choice == 1) {
    int failed = 0;
    for (const QString &frame : frames)
      if (!QFile::remove(frame) && QFileInfo::exists(frame))
        ++failed;
    if (failed > 0)
      m_boxes.show(
          &m_window, MessageKind::Warning, caption,
          uiText("CaptureLeftoverDeleteFailed").arg(failed).arg(folder));
  }
}

bool CaptureController::raiseConverterWindow() {
  const std::uint32_t window = platform::findTopLevelWindow(kConverterTitle);
  if (window == 0)
    return false;
  platform::showNormalAndRaise(window);
  return true;
}

void CaptureController::recordButtonClicked() {
  // While the converter runs, the record button brings it forward instead.
  if (raiseConverterWindow()) {
    m_buttonResetTimer->start();
    return;
  }
  recordOrPause();
}

void CaptureController::pauseButtonClicked() {
  if (raiseConverterWindow())
    return;
  if (m_core.recorder().state() == CaptureState::Played)
    recordOrPause();
  else
    m_buttonResetTimer->start();
}

void CaptureController::stopButtonPressed() {
  m_stopArmed = m_core.recorder().state() != CaptureState::Off;
}

void CaptureController::stopButtonClicked() {
  // A press that began while not recording does nothing.
  const bool armed = m_stopArmed;
  m_stopArmed = false;
  if (armed && m_core.recorder().state() != CaptureState::Off)
    stopRecording();
}

void CaptureController::resetRecordButtons() {
  // After a refused press the group returns to stop, without its click.
  {
    const QSignalBlocker detached(m_controls.stopButton);
    m_controls.stopButton->setDown(true);
  }
  m_buttonResetTimer->stop();
}
