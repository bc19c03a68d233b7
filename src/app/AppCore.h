#pragma once
// The running program without its windows. AppCore creates, owns and wires
// the settings, the key table, the key queue, the screen canvas, the activity
// indicator, the view the links draw through, both links, the known-phones
// gate, the link figures, the connection manager, the capture and the
// keyboard; the main window is a view of it. Created once on the GUI thread,
// by runQuorvane or by a test, with the run's folders.

#include "common/Paths.h"
#include "keys/KeyTable.h"
#include "keys/Keyboard.h"
#include "link/LinkStats.h"
#include "link/PhoneGate.h"
#include "platform/KeyMapping.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

class ActivityIndicator;
class CommandQueue;
class ConnectionManager;
class ConnectionView;
class LinkViewAdapter;
class ScreenCanvas;
class ScreenshotSaver;
enum class ScreenshotResult;
class Settings;
class SerialLink;
class TcpLink;
class VideoRecorder;

class AppCore {
public:
  // capsLock: where the keyboard reads Caps Lock; null: the X server.
  explicit AppCore(const Paths &paths,
                   std::unique_ptr<platform::CapsLockSource> capsLock = {});
  ~AppCore();
  AppCore(const AppCore &) = delete;
  AppCore &operator=(const AppCore &) = delete;

  const Paths &paths() const { return m_paths; }
  // The settings of Quorvane.ini in the configuration folder, read by the
  // main window's start; tests set the values they need here.
  Settings &settings() { return *m_settings; }
  // The key table, empty until loaded (runQuorvane loads it at start).
  KeyTable &keyTable() { return m_keyTable; }
  CommandQueue &queue() { return *m_queue; }
  Keyboard &keyboard() { return m_keyboard; }
  ScreenCanvas &canvas() { return *m_canvas; }
  ActivityIndicator &indicator() { return *m_indicator; }
  LinkViewAdapter &linkView() { return *m_linkView; }
  TcpLink &tcpLink() { return *m_tcpLink; }
  SerialLink &serialLink() { return *m_serialLink; }
  PhoneGate &phoneGate() { return m_phoneGate; }
  LinkStats &linkStats() { return m_linkStats; }
  ScreenshotSaver &screenshots() { return *m_screenshots; }
  VideoRecorder &recorder() { return *m_recorder; }

  // The connection manager reports to view, which must outlive it or be
  // detached first. Created by the first attach.
  void attachView(ConnectionView &view);
  void detachView();
  ConnectionManager &connection() { return *m_connection; }

  // The clock that names screenshots and frames (tests set their own).
  void setCaptureClock(std::function<QDateTime()> now);
  // Saves a screenshot in the folder and format of the settings. A folder
  // picked or completed is held for the run, also when the save throws
  // CaptureWriteError.
  ScreenshotResult saveScreenshot();
  // Asks the user for a screenshot folder; empty when none was chosen.
  void setFolderPicker(std::function<QString()> pick);

  // Reads the known-phones switch and list into the gate before a connect.
  void applyPhonePolicy();
  // The link figures of the last minute, sampled now; empty while no link
  // is open.
  QString sampleLinkFigures(const QString &format);
  // The figures of a new link start afresh.
  void clearLinkFigures() { m_linkRates.clear(); }

  enum class PhoneAnswer { AllowOnce, AlwaysAllow, Refuse };
  // The user's answer about a phone not on the list. AlwaysAllow stores the
  // phone and throws SettingsWriteError when the list cannot be written;
  // the phone is let in for this run all the same.
  void answerPhone(quint64 connection, const QByteArray &block,
                   const QByteArray &name, PhoneAnswer answer);

  // Ends the links: called before the windows go.
  void shutDown();

private:
  const Paths m_paths;
  std::unique_ptr<platform::CapsLockSource> m_capsLock;
  std::unique_ptr<Settings> m_settings;
  KeyTable m_keyTable;
  std::unique_ptr<CommandQueue> m_queue;
  Keyboard m_keyboard;
  std::unique_ptr<ScreenCanvas> m_canvas;
  std::unique_ptr<ActivityIndicator> m_indicator;
  std::unique_ptr<LinkViewAdapter> m_linkView;
  LinkStats m_linkStats;
  LinkRateWindow m_linkRates;
  PhoneGate m_phoneGate;
  std::unique_ptr<TcpLink> m_tcpLink;
  std::unique_ptr<SerialLink> m_serialLink;
  std::unique_ptr<ConnectionManager> m_connection;
  std::function<QDateTime()> m_captureClock;
  std::function<QString()> m_folderPicker;
  std::unique_ptr<ScreenshotSaver> m_screenshots;
  std::unique_ptr<VideoRecorder> m_recorder;
};
