#pragma once
// One running copy per user and executable. The first instance holds a lock
// file and listens on a local socket, both in the user's own runtime folder
// ($XDG_RUNTIME_DIR, or a folder of mode 0700 made for the user in the
// temporary folder), so other users neither share nor block them. Both
// vanish with its process (a lock left by a killed process is recognised as
// stale by its pid). A later instance finds the lock taken, asks the first
// one through the socket to restore its window and come to the front, and
// ends.

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;

class SingleInstance : public QObject {
  Q_OBJECT
public:
  enum class Check {
    First,       // this is the only copy (or no guard could be set up)
    HandedOver,  // another copy runs and has been asked to come forward
    Unreachable, // another copy holds the lock but does not answer
  };

  explicit SingleInstance(QObject *parent = nullptr);
  ~SingleInstance() override;

  // Mode 0 names the instance after the full path, mode 1 after the file
  // name alone; any other mode gives First and creates nothing.
  Check check(int mode, const QString &exePath);
  // After Unreachable: the process id the lock names (0 when unknown).
  qint64 holderPid() const { return m_holderPid; }

  // The name an executable path gets in the given mode; empty for other modes.
  static QString instanceName(int mode, const QString &exePath);
  // The folder of the lock and the socket: $XDG_RUNTIME_DIR when it is a
  // folder of this user's that no one else may enter, else
  // "<temp>/quorvane-<uid>", made with mode 0700 when missing. Empty when
  // neither is safe (the fallback exists and belongs to someone else).
  static QString runtimeFolder();

signals:
  // Another instance asked this one to restore its window.
  void restoreRequested();

private:
  void onNewConnection();

  std::unique_ptr<QLockFile> m_lock;
  QLocalServer *m_server = nullptr;
  qint64 m_holderPid = 0;
};
