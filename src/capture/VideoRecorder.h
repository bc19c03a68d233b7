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

enum class TCaptureState { Off, Played, Paused };

// "CAVIOff", "CAVIPlayed" or "CAVIPaused".
QString CaptureStateText(TCaptureState state);

struct TRecorderHooks {
  // A copy of the 1:1 picture, taken under the canvas's lock.
  std::function<QImage()> Picture;
  std::function<QTime()> Now = [] { return QTime::currentTime(); };
  // The program directory and the frames folder, both ending with "/".
  std::function<QString()> ProgramDir;
  std::function<QString()> FramesDir;
  // Writes the screen size to the settings file (height, width).
  std::function<void(int, int)> SaveScreenSize;
  // Starts the converter without waiting for it.
  std::function<void()> StartConverter;
};

// A file of the recording could not be written. The recording has been
// stopped; ListWritten tells whether the frames taken so far were listed.
class RecordingError : public std::runtime_error {
public:
  RecordingError(const QString &message, bool listWritten)
      : std::runtime_error(message.toStdString()), m_message(message),
        m_listWritten(listWritten) {}
  const QString &Message() const { return m_message; }
  bool ListWritten() const { return m_listWritten; }

private:
  QString m_message;
  bool m_listWritten;
};

class TVideoRecorder {
public:
  enum class TStep { Refused, Started, Paused, Resumed };

  explicit TVideoRecorder(TRecorderHooks hooks);

  // Record/Pause. Refused without a picture in the 1:1 view. Starting takes
  // the interval from fps (clamped to 1..20) and a new, empty frame list.
  TStep RecordPause(int fps);

  // One capture tick: while recording and with a picture, writes one frame
  // and lists it; returns whether it did. A frame, or the frames folder,
  // that cannot be written stops the recording (the frames so far are listed
  // and handed to the converter; with none, the list is left alone) and
  // throws RecordingError.
  bool Tick();

  // Writes the list, the screen size, starts the converter and returns to
  // Off. Whatever fails, the state is Off and the list freed afterwards; a
  // list that cannot be written throws RecordingError and the converter is
  // not started.
  void Stop();

  TCaptureState State() const { return m_state; }
  int Interval() const { return m_interval; }
  const QStringList &FrameList() const { return m_frames; }
  QString ListFilePath() const;

private:
  TRecorderHooks m_hooks;
  TCaptureState m_state = TCaptureState::Off;
  int m_interval = 1000;
  QStringList m_frames;
};
