#pragma once
// Writing captured pictures to disk: 24-bit BMP files, baseline JPEG
// files and PNG files. Pictures are encoded in memory and written in one go, so
// a file that cannot be written is reported with its path and the reason.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <stdexcept>

// A capture file that could not be written, or the folder meant for it
// that could not be made. Nothing is left behind under Path().
class CaptureWriteError : public std::runtime_error {
public:
  CaptureWriteError(const QString &path, const QString &reason,
                    bool folder = false);
  // The file, or for a folder that could not be made, the folder.
  const QString &path() const { return m_path; }
  // Lower-case, without a final full stop ("permission denied").
  const QString &reason() const { return m_reason; }
  bool isFolder() const { return m_folder; }

private:
  QString m_path;
  QString m_reason;
  bool m_folder;
};

// A Windows bitmap file, 24 bits per pixel, bottom-up rows.
QByteArray encodeBmp24(const QImage &picture);
// Baseline JPEG, 24-bit colour, 4:2:0, with the given quality.
QByteArray encodeJpeg(const QImage &picture, int quality = 90);
// PNG, 24-bit colour, lossless.
QByteArray encodePng(const QImage &picture);

// Writes the bytes to path whole (common/SafeFile.h): a file of that name is
// replaced only by a complete one. Throws CaptureWriteError.
void writeCaptureFile(const QString &path, const QByteArray &bytes);
// Writes lines each ended by CR LF (an empty list gives an empty file), in
// the same way.
void writeListFile(const QString &path, const QStringList &lines);
// Makes the folder when it is missing. Throws CaptureWriteError (isFolder).
void makeCaptureFolder(const QString &folder);
