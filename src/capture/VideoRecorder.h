#pragma once
// Recording the phone's screen as a series of BMP frames, listed on stop in
// "AVIList.dat" for the converter. The window owns the timers and buttons;
// this class owns the state, the frame list and the files.

#include <QImage>
#include <QString>
#include <QStringList>
#include <QTime>
#include <functional>
#include <stdexcept>

enum class CaptureState { Off, Played, Paused };

// "CAVIOff", "CAVIPlayed" or "CAVIPaused".
QString captureStateText(CaptureState state);

struct RecorderHooks {
  // A copy of the 1:1 picture, taken under the canvas's lock.
  std::function<QImage()> picture;
  std::function<QTime()> now = [] { return QTime::currentTime(); };
  // The program directory and the frames folder, both ending with "/".
  std::function<QString()> programDir;
  std::function<QString()> framesDir;
  // Writes the screen size to the settings file (height, width).
  std::function<void(int, int)> saveScreenSize;
  // Starts the converter without waiting for it.
  std::function<void()> startConverter;
};

// A file of the recording could not be written. The recording has been
// stopped; listWritten tells whether the frames taken so far were listed.
class RecordingError : public std::runtime_error {
public:
  RecordingError(const QString &message, bool listWritten)
      : std::runtime_error(message.toStdString()), m_message(message),
        m_listWritten(listWritten) {}
  const QString &message() const { return m_message; }
  bool listWritten() const { return m_listWritten; }

private:
  QString m_message;
  bool m_listWritten;
};

class VideoRecorder {
public:
  enum class Step { Refused, Started, Paused, Resumed };

  explicit VideoRecorder(RecorderHooks hooks);

  // Record/Pause. Refused without a picture in the 1:1 view. Starting takes
  // the interval from fps (clamped to 1..20) and a new, empty frame list.
  Step recordPause(int fps);

  // One capture tick: while recording and with a picture, writes one frame
  // and lists it; returns whether it did. A frame, or the frames folder,
  // that cannot be written stops the recording (the frames so far are listed
  // and handed to the converter; with none, the list is left alone) and
  // throws RecordingError.
  bool tick();

  // Writes the list, the screen size, starts the converter and returns to
  // Off. Whatever fails, the state is Off and the list freed afterwards; a
  // list that cannot be written throws RecordingError and the converter is
  // not started.
  void stop();

  CaptureState state() const { return m_state; }
  int interval() const { return m_interval; }
  const QStringList &frameList() const { return m_frames; }
  QString listFilePath() const;

private:
  RecorderHooks m_hooks;
  CaptureState m_state = CaptureState::Off;
  int m_interval = 1000;
  QStringList m_frames;
};
