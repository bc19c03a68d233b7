#include "capture/Screenshot.h"

#include "capture/CaptureNames.h"
#include "capture/ImageFiles.h"

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
  const bool jpeg = imageType == "JPEG";
  const QString path = QString::fromLocal8Bit(imageDir) + name +
                       (jpeg ? QStringLiteral(".jpg") : QStringLiteral(".bmp"));
  writeCaptureFile(path, jpeg ? encodeJpeg(picture, 90) : encodeBmp24(picture));
  m_lastPath = path;
  return ScreenshotResult::Saved;
}
