#pragma once
// Files written whole. The bytes go to a new file beside the old one, every
// step is checked (each write takes every byte, the data reaches the disk,
// the file closes cleanly), and only a complete file takes the old one's
// place. On any failure the new file is removed and the old one stays byte
// for byte, so a full disk costs the change, never the file.

#include <QByteArray>
#include <QString>

// What became of a write: the errno of the step that failed, 0 when the file
// was written.
struct FileWriteResult {
  int error = 0;
  bool ok() const { return error == 0; }
};

// Writes bytes as the whole content of path, replacing a file of that name
// only once every byte is on the disk. A symbolic link is followed and the
// old file's permissions are kept.
//
// When the folder refuses new files (no permission) but the old file itself
// may be written, the file is overwritten in place: room for every byte is
// reserved in it first, so running out of space leaves it untouched, and it
// is cut to its new length only after the new content is fully written.
[[nodiscard]] FileWriteResult writeFileWhole(const QString &path,
                                             const QByteArray &bytes);

// Makes the folder and any missing parent; the errno of the step that
// failed, 0 when the folder is there.
[[nodiscard]] int makeFolder(const QString &path);

// The system's text for an errno value, lower-case without a final full stop
// ("no space left on device").
QString systemErrorText(int error);
