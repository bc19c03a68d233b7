#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace {
const QByteArray kRestore = "restore\n";
}

TSingleInstance::TSingleInstance(QObject *parent) : QObject(parent) {}

TSingleInstance::~TSingleInstance() = default;

QString TSingleInstance::InstanceName(int mode, const QString &exePath) {
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

bool TSingleInstance::CheckSingleInstance(int mode, const QString &exePath) {
  const QString name = InstanceName(mode, exePath);
  if (name.isEmpty())
    return false;

  auto lock =
      std::make_unique<QLockFile>(QDir::temp().filePath(name + ".lock"));
  lock->setStaleLockTime(0); // only a dead holder makes the lock stale
  if (!lock->tryLock(0)) {
    if (lock->error() != QLockFile::LockFailedError)
      return false; // cannot create the lock at all: start as the first
    // Another instance holds it: ask it to come forward. If it cannot be
    // reached (still starting), this instance ends all the same.
    QLocalSocket socket;
    socket.connectToServer(name);
    if (socket.waitForConnected(1000)) {
      socket.write(kRestore);
      socket.waitForBytesWritten(1000);
      socket.disconnectFromServer();
    }
    return true;
  }

  m_lock = std::move(lock);
  m_server = new QLocalServer(this);
  m_server->setSocketOptions(QLocalServer::UserAccessOption);
  QLocalServer::removeServer(name); // a leftover of a killed holder
  if (m_server->listen(name))
    connect(m_server, &QLocalServer::newConnection, this,
            &TSingleInstance::OnNewConnection);
  return false;
}

void TSingleInstance::OnNewConnection() {
  while (QLocalSocket *socket = m_server->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      if (socket->readAll().contains("restore"))
        emit RestoreRequested();
    });
  }
}
