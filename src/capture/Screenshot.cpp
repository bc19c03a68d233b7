#include "capture/Screenshot.h"

#include "capture/CaptureNames.h"
#include "capture/ImageFiles.h"

QStringList screenshotImageTypes() {
  return {QStringLiteral("BMP"), QStringLiteral("JPEG"), QStringLiteral("PNG")};
}

ScreenshotSaver::ScreenshotSaver(ScreenshotHooks hooks)
    : m_hooks(std::move(hooks)) {}

ScreenshotResult ScreenshotSaver::save(QByteArray &imageDir,
                                       const QByteArray &imageType) {
  if (imageDir.isEmpty() && m_hooks.pickFolder)
    imageDir = m_hooks.pickFolder().toLocal8Bit();
  if (imageDir.isEmpty())
    return ScreenshotResult::NoFolder;

  makeCaptureFolder(QString::fromLocal8Bit(imageDir));

  const QString name = screenshotName(m_hooks.now());
  if (!imageDir.endsWith('/'))
    imageDir += '/';

  const QImage picture = m_hooks.picture ? m_hooks.picture() : QImage();
  if (picture.width() == 0 || picture.height() == 0)
    return ScreenshotResult::NoPicture;

  // The picture is our own copy: encoding and writing hold no lock.
  const QString base = QString::fromLocal8Bit(imageDir) + name;
  QString path;
  if (imageType == "JPEG") {
    path = base + QStringLiteral(".jpg");
    writeCaptureFile(path, encodeJpeg(picture, 90));
  } else if (imageType == "PNG") {
    path = base + QStringLiteral(".png");
    writeCaptureFile(path, encodePng(picture));
  } else {
    path = base + QStringLiteral(".bmp");
    writeCaptureFile(path, encodeBmp24(picture));
  }
  m_lastPath = path;
  return ScreenshotResult::Saved;
}
