#pragma once
// Writing captured pictures to disk: 24-bit BMP files and baseline JPEG
// files. Pictures are encoded in memory and written in one go, so a file
// that cannot be written is reported with its path and the reason.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <stdexcept>

// A capture file that could not be written.
class CaptureWriteError : public std::runtime_error {
public:
  CaptureWriteError(const QString &path, const QString &reason);
  const QString &Path() const { return m_path; }
  // Lower-case, without a final full stop ("permission denied").
  const QString &Reason() const { return m_reason; }

private:
  QString m_path;
  QString m_reason;
};

// A Windows bitmap file, 24 bits per pixel, bottom-up rows.
QByteArray EncodeBmp24(const QImage &picture);
// Baseline JPEG, 24-bit colour, 4:2:0, with the given quality.
QByteArray EncodeJpeg(const QImage &picture, int quality = 90);

// Writes the bytes to path, replacing a file of that name. Throws
// CaptureWriteError.
void WriteCaptureFile(const QString &path, const QByteArray &bytes);
// Writes lines each ended by CR LF (an empty list gives an empty file).
void WriteListFile(const QString &path, const QStringList &lines);
