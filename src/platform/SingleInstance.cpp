#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QtDebug>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kRestore = "restore\n";
// How long a second copy tries to reach the first, which listens a moment
// after it takes the lock.
constexpr int kReachMs = 500;

// A real folder (not a link to one) owned by this user, which no one else
// may enter. A folder of ours that is open to others is closed first.
bool makePrivate(const QByteArray &path) {
  struct stat st {};
  if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) ||
      st.st_uid != ::geteuid())
    return false;
  if ((st.st_mode & 077) == 0)
    return true;
  return ::chmod(path.constData(), 0700) == 0;
}

bool isPrivate(const QByteArray &path) {
  struct stat st {};
  return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
         st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

// Asks the copy listening at socketPath to come forward; false when no copy
// listens there. The request waits in the socket until the copy's event
// loop takes it, so a copy still building its window is not waited for.
bool askToComeForward(const QString &socketPath) {
  const QDeadlineTimer deadline(kReachMs);
  do {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (socket.waitForConnected(int(deadline.remainingTime()))) {
      socket.write(kRestore);
      const bool sent = socket.waitForBytesWritten(1000);
      socket.disconnectFromServer();
      return sent;
    }
    QThread::msleep(20); // not listening yet, or gone
  } while (!deadline.hasExpired());
  return false;
}

} // namespace

SingleInstance::SingleInstance(QObject *parent) : QObject(parent) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::instanceName(int mode, const QString &exePath) {
  QString name;
  if (mode == 0)
    name = QString(exePath).replace('\\', '/');
  else if (mode == 1)
    name = QFileInfo(exePath).fileName();
  else
    return QString();
  // Local socket and lock file names must be short and plain: use a digest.
  const QByteArray digest =
      QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1)
          .toHex()
          .left(24);
  return QStringLiteral("quorvane-%1-%2")
      .arg(mode)
      .arg(QString::fromLatin1(digest));
}

QString SingleInstance::runtimeFolder() {
  const QByteArray xdg = qgetenv("XDG_RUNTIME_DIR");
  if (xdg.startsWith('/') && isPrivate(xdg))
    return QFile::decodeName(xdg);
  const QString own =
      QDir::tempPath() + QStringLiteral("/quorvane-%1").arg(::geteuid());
  const QByteArray path = QFile::encodeName(own);
  if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
    return QString();
  return makePrivate(path) ? own : QString();
}

SingleInstance::Check SingleInstance::check(int mode, const QString &exePath) {
  const QString name = instanceName(mode, exePath);
  if (name.isEmpty())
    return Check::First;
  const QString folder = runtimeFolder();
  if (folder.isEmpty()) {
    qWarning().noquote() << "No private runtime folder for the single-"
                            "instance lock; this copy runs unguarded.";
    return Check::First;
  }
  const QString base = folder + QLatin1Char('/') + name;

  auto lock = std::make_unique<QLockFile>(base + QStringLiteral(".lock"));
  lock->setStaleLockTime(0); // only a dead holder makes the lock stale
  if (!lock->tryLock(0)) {
    if (lock->error() != QLockFile::LockFailedError)
      return Check::First; // cannot create the lock at all: start as first
    if (askToComeForward(base + QStringLiteral(".socket")))
      return Check::HandedOver;
    QString host, app;
    if (!lock->getLockInfo(&m_holderPid, &host, &app))
      m_holderPid = 0;
    return Check::Unreachable;
  }

  m_lock = std::move(lock);
  m_server = new QLocalServer(this);
  m_server->setSocketOptions(QLocalServer::UserAccessOption);
  const QString socketPath = base + QStringLiteral(".socket");
  QLocalServer::removeServer(socketPath); // a leftover of a killed holder
  if (m_server->listen(socketPath))
    connect(m_server, &QLocalServer::newConnection, this,
            &SingleInstance::onNewConnection);
  else
    qWarning().noquote() << "Could not listen on" << socketPath << ":"
                         << m_server->errorString();
  return Check::First;
}

void SingleInstance::onNewConnection() {
  while (QLocalSocket *socket = m_server->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      // A request is one short line; anything longer is not one of ours.
      if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > 64)
          socket->abort();
        return;
      }
      if (socket->readLine(64) == kRestore)
        emit restoreRequested();
    });
  }
}
