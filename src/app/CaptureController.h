#pragma once
// The main window's screenshots and video recording: the screenshot command,
// the record, pause and stop buttons and menu entries, the frame timer, and
// at start the offer to finish a recording a killed program left behind.

#include <QObject>
#include <QString>

class AppCore;
class MessageBoxes;
class PictureButton;
class QAction;
class QTimer;
class QWidget;

class CaptureController : public QObject {
  Q_OBJECT
public:
  // The window's controls this drives; they are built by the window.
  struct Controls {
    QAction *recordPauseAction, *stopAction, *screenshotAction;
    PictureButton *screenshotButton, *recordButton, *pauseButton, *stopButton;
  };
  // window: the parent of folder pickers and messages; boxes: where the
  // messages go.
  CaptureController(AppCore &core, QWidget &window, MessageBoxes &boxes,
                    const Controls &controls);

  // The recorder's state as the window last showed it ("CAVIOff", ...).
  QString state() const { return m_state; }
  // At start: removes the unfinished videos of killed converters, and offers
  // to make the video from frames a recording left in the frames folder, or
  // to delete them. Does nothing while a converter is at work.
  void offerLeftoverRecording();

signals:
  void screenshotSaved();

private:
  void saveScreenshot();
  void recordOrPause();
  void stopRecording();
  void captureFrame();
  void recordButtonClicked();
  void pauseButtonClicked();
  void stopButtonPressed();
  void stopButtonClicked();
  void resetRecordButtons();
  void applyRecorderState();
  // Brings the converter's window forward; false when it is not running.
  bool raiseConverterWindow();

  AppCore &m_core;
  QWidget &m_window;
  MessageBoxes &m_boxes;
  Controls m_controls;
  QTimer *m_captureTimer = nullptr, *m_buttonResetTimer = nullptr;
  QString m_state = QStringLiteral("CAVIOff");
  bool m_stopArmed = false; // the stop press began while recording
};
