#include "capture/Screenshot.h"

#include "capture/CaptureNames.h"
#include "capture/ImageFiles.h"

TScreenshotSaver::TScreenshotSaver(TScreenshotHooks hooks)
    : m_hooks(std::move(hooks)) {}

TScreenshotResult TScreenshotSaver::Save(QByteArray &imageDir,
                                         const QByteArray &imageType) {
  if (imageDir.isEmpty() && m_hooks.PickFolder)
    imageDir = m_hooks.PickFolder().toLocal8Bit();
  if (imageDir.isEmpty())
    return TScreenshotResult::NoFolder;

  MakeCaptureFolder(QString::fromLocal8Bit(imageDir));

  const QString name = ScreenshotName(m_hooks.Now());
  if (!imageDir.endsWith('/'))
    imageDir += '/';

  const QImage picture = m_hooks.Picture ? m_hooks.Picture() : QImage();
  if (picture.width() == 0 || picture.height() == 0)
    return TScreenshotResult::NoPicture;

  // The picture is our own copy: encoding and writing hold no lock.
  const bool jpeg = imageType == "JPEG";
  const QString path = QString::fromLocal8Bit(imageDir) + name +
                       (jpeg ? QStringLiteral(".jpg") : QStringLiteral(".bmp"));
  WriteCaptureFile(path, jpeg ? EncodeJpeg(picture, 90) : EncodeBmp24(picture));
  m_lastPath = path;
  return TScreenshotResult::Saved;
}
