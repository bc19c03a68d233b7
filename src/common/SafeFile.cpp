#include "common/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Writes every byte from offset on; the errno of the failing write, or 0.
// A write that takes nothing at all means the device is full.
int writeAll(int fd, const QByteArray &bytes, off_t offset) {
  const char *p = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::pwrite(fd, p, size_t(left), offset);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return errno;
    }
    if (n == 0)
      return ENOSPC;
    p += n;
    left -= n;
    offset += n;
  }
  return 0;
}

int sync(int fd) {
  while (::fsync(fd) != 0) {
    if (errno != EINTR)
      return errno;
  }
  return 0;
}

// Closes the descriptor; an error it reports (a network file system may
// report a failed write only here) counts as a failed write.
int closeDescriptor(int fd) {
  if (::close(fd) == 0 || errno == EINTR) // Linux frees fd even on EINTR
    return 0;
  return errno;
}

// Creates a new, empty file beside target that no other writer uses.
int createTemp(const QString &target, QByteArray &tempPath, int &fd) {
  const QFileInfo info(target);
  const QString base =
      info.absolutePath() + QStringLiteral("/.") + info.fileName() + '.';
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = QFile::encodeName(
        base + QString::number(QRandomGenerator::global()->generate(), 36) +
        QStringLiteral(".tmp"));
    fd = ::open(tempPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                0666);
    if (fd >= 0)
      return 0;
    if (errno != EEXIST && errno != EINTR)
      return errno;
  }
  return EEXIST;
}

// The old file overwritten where it lies, for a folder that takes no new
// file. Room for every byte is reserved before the first one is written.
int writeInPlace(const QByteArray &target, const QByteArray &bytes) {
  // Read access too: where the file system cannot reserve space itself, the
  // C library does it by reading and writing single bytes.
  const int fd = ::open(target.constData(), O_RDWR | O_CLOEXEC);
  if (fd < 0)
    return errno;
  struct stat before {};
  int error = ::fstat(fd, &before) == 0 ? 0 : errno;
  if (!error && !bytes.isEmpty()) {
    error = ::posix_fallocate(fd, 0, off_t(bytes.size()));
    // The C library's way may have lengthened the file before it failed.
    if (error)
      (void)!::ftruncate(fd, before.st_size);
  }
  if (!error)
    error = writeAll(fd, bytes, 0);
  if (!error && ::ftruncate(fd, off_t(bytes.size())) != 0)
    error = errno;
  if (!error)
    error = sync(fd);
  const int closed = closeDescriptor(fd);
  return error ? error : closed;
}

} // namespace

FileWriteResult writeFileWhole(const QString &path, const QByteArray &bytes) {
  // The file a symbolic link names is the one replaced, not the link.
  QString target = QFileInfo(path).absoluteFilePath();
  const QFileInfo info(target);
  if (info.isSymLink())
    target = info.exists() ? info.canonicalFilePath() : info.symLinkTarget();
  const QByteArray nativeTarget = QFile::encodeName(target);
  struct stat old {};
  const bool replacing = ::stat(nativeTarget.constData(), &old) == 0;

  QByteArray tempPath;
  int fd = -1;
  int error = createTemp(target, tempPath, fd);
  if (error) {
    if ((error == EACCES || error == EPERM) && replacing &&
        S_ISREG(old.st_mode))
      return {writeInPlace(nativeTarget, bytes)};
    return {error};
  }
  if (replacing && S_ISREG(old.st_mode))
    (void)::fchmod(fd, old.st_mode & 07777); // best effort, as a copy would
  error = writeAll(fd, bytes, 0);
  // A new file needs no sync: nothing is lost if it is cut short by a crash.
  // One that replaces another must be whole on the disk before it does.
  if (!error && replacing)
    error = sync(fd);
  const int closed = closeDescriptor(fd);
  if (!error)
    error = closed;
  if (!error && ::rename(tempPath.constData(), nativeTarget.constData()) != 0)
    error = errno;
  if (error) {
    ::unlink(tempPath.constData());
    return {error};
  }
  return {};
}

int makeFolder(const QString &path) {
  const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
  const QByteArray native = QFile::encodeName(clean);
  struct stat st {};
  if (::stat(native.constData(), &st) == 0)
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
  if (errno != ENOENT)
    return errno;
  const QString parent = QFileInfo(clean).path();
  if (parent != clean)
    if (const int error = makeFolder(parent))
      return error;
  if (::mkdir(native.constData(), 0777) == 0)
    return 0;
  const int error = errno;
  if (error == EEXIST && ::stat(native.constData(), &st) == 0 &&
      S_ISDIR(st.st_mode))
    return 0; // made by someone else meanwhile
  return error;
}

QString systemErrorText(int error) {
  QString text = qt_error_string(error).trimmed();
  if (text.endsWith('.'))
    text.chop(1);
  if (!text.isEmpty())
    text[0] = text[0].toLower();
  return text;
}
