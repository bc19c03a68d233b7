#pragma once
// One running copy per executable. The first instance holds a lock file and
// a local server named after the executable; both vanish with its process
// (a lock left by a killed process is recognised as stale by its pid). A
// later instance finds the lock taken, asks the first one through the local
// server to restore its window and come to the front, and ends.

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;

class TSingleInstance : public QObject {
  Q_OBJECT
public:
  explicit TSingleInstance(QObject *parent = nullptr);
  ~TSingleInstance() override;

  // True when another instance is running (and has been asked to come
  // forward). Mode 0 names the instance after the full path, mode 1 after the
  // file name alone; any other mode returns false and creates nothing.
  bool CheckSingleInstance(int mode, const QString &exePath);

  // The name an executable path gets in the given mode; empty for other modes.
  static QString InstanceName(int mode, const QString &exePath);

signals:
  // Another instance asked this one to restore its window.
  void RestoreRequested();

private:
  void OnNewConnection();

  std::unique_ptr<QLockFile> m_lock;
  QLocalServer *m_server = nullptr;
};
