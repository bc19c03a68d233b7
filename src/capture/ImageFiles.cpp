#include "capture/ImageFiles.h"

#include "common/SafeFile.h"
#include "settings/FileErrorText.h"
#include "settings/Language.h"

#include <QBuffer>
#include <QStringList>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

namespace {

QString plainReason(QString reason) {
  reason = reason.trimmed();
  if (reason.endsWith('.'))
    reason.chop(1);
  if (!reason.isEmpty())
    reason[0] = reason[0].toLower();
  return reason.isEmpty() ? uiText("FileErrorUnknown") : reason;
}

void putLe16(QByteArray &out, int v) {
  out.append(char(v & 0xFF));
  out.append(char((v >> 8) & 0xFF));
}

void putLe32(QByteArray &out, qint64 v) {
  for (int i = 0; i < 4; ++i)
    out.append(char((v >> (8 * i)) & 0xFF));
}

struct JpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void jpegErrorExit(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrorManager *>(info->err)->jump, 1);
}

} // namespace

CaptureWriteError::CaptureWriteError(const QString &path, const QString &reason,
                                     bool folder)
    : std::runtime_error(QStringLiteral("Could not write %1: %2")
                             .arg(path, reason)
                             .toStdString()),
      m_path(path), m_reason(plainReason(reason)), m_folder(folder) {}

QByteArray encodeBmp24(const QImage &picture) {
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
  const int width = rgb.width();
  const int height = rgb.height();
  const int stride = (width * 3 + 3) & ~3;
  const qint64 dataSize = qint64(stride) * height;
  QByteArray out;
  out.reserve(54 + dataSize);
  // BITMAPFILEHEADER
  out.append("BM", 2);
  putLe32(out, 54 + dataSize);
  putLe32(out, 0);
  putLe32(out, 54);
  // BITMAPINFOHEADER
  putLe32(out, 40);
  putLe32(out, width);
  putLe32(out, height);
  putLe16(out, 1);
  putLe16(out, 24);
  putLe32(out, 0); // BI_RGB
  putLe32(out, dataSize);
  putLe32(out, 3780); // 96 dpi
  putLe32(out, 3780);
  putLe32(out, 0);
  putLe32(out, 0);
  QByteArray row(stride, '\0');
  for (int y = height - 1; y >= 0; --y) {
    const uchar *src = rgb.constScanLine(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = char(src[3 * x + 2]);
      row[3 * x + 1] = char(src[3 * x + 1]);
      row[3 * x + 2] = char(src[3 * x]);
    }
    out.append(row);
  }
  return out;
}

QByteArray encodeJpeg(const QImage &picture, int quality) {
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
  jpeg_compress_struct info{};
  JpegErrorManager error{};
  info.err = jpeg_std_error(&error.pub);
  error.pub.error_exit = jpegErrorExit;
  unsigned char *buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&info);
    std::free(buffer);
    throw std::runtime_error("JPEG encoding failed");
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = JDIMENSION(rgb.width());
  info.image_height = JDIMENSION(rgb.height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  // 4:2:0: full-resolution luma, chroma halved both ways.
  info.comp_info[0].h_samp_factor = 2;
  info.comp_info[0].v_samp_factor = 2;
  info.comp_info[1].h_samp_factor = info.comp_info[1].v_samp_factor = 1;
  info.comp_info[2].h_samp_factor = info.comp_info[2].v_samp_factor = 1;
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row =
        const_cast<JSAMPROW>(rgb.constScanLine(int(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  QByteArray out(reinterpret_cast<const char *>(buffer), qsizetype(size));
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

QByteArray encodePng(const QImage &picture) {
  QByteArray out;
  QBuffer buffer(&out);
  buffer.open(QIODevice::WriteOnly);
  if (!picture.convertToFormat(QImage::Format_RGB888).save(&buffer, "PNG"))
    throw std::runtime_error("PNG encoding failed");
  return out;
}

void writeCaptureFile(const QString &path, const QByteArray &bytes) {
  const FileWriteResult written = writeFileWhole(path, bytes);
  if (!written.ok())
    throw CaptureWriteError(path, fileErrorText(written.error));
}

void writeListFile(const QString &path, const QStringList &lines) {
  QByteArray text;
  for (const QString &line : lines)
    text += line.toLocal8Bit() + "\r\n";
  writeCaptureFile(path, text);
}

void makeCaptureFolder(const QString &folder) {
  if (const int error = makeFolder(folder))
    throw CaptureWriteError(folder, fileErrorText(error), true);
}
