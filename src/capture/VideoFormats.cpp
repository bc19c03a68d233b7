#include "capture/VideoFormats.h"

#include "settings/Language.h"

#include <QFileInfo>

std::optional<VideoFormat> videoFormatFor(const QString &path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix.isEmpty() || suffix == QLatin1String("avi"))
    return VideoFormat::Avi;
  if (suffix == QLatin1String("mp4"))
    return VideoFormat::Mp4;
  if (suffix == QLatin1String("webm"))
    return VideoFormat::WebM;
  if (suffix == QLatin1String("gif"))
    return VideoFormat::Gif;
  return std::nullopt;
}

QStringList videoExtensions() {
  return {QStringLiteral("avi"), QStringLiteral("mp4"), QStringLiteral("webm"),
          QStringLiteral("gif")};
}

QString videoFileFilter() {
  QStringList patterns;
  for (const QString &extension : videoExtensions())
    patterns << QStringLiteral("*.") + extension;
  return uiText("UiVideoFormatsFilter").arg(patterns.join(' '));
}
