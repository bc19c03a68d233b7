#pragma once
// The videos the converter writes, told apart by the extension of
// [AVI] AVIName. Shared by the converter and the settings dialog; the
// enlargements [AVI] Scale accepts are the settings' (videoScales()).

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

enum class VideoFormat {
  Avi,  // MPEG-4 Part 2 in AVI
  Mp4,  // H.264 in MP4, index at the front
  WebM, // VP9 in WebM
  Gif,  // animated GIF, one palette, looping
};

// The format a video file name asks for by its extension, in any case. A
// name without an extension is an AVI, as every video was before there was
// a choice; another extension gives nothing.
std::optional<VideoFormat> videoFormatFor(const QString &path);

// The extensions without the dot, in the order offered: avi, mp4, webm, gif.
QStringList videoExtensions();
// A file dialog filter naming them all, in the language in use:
// "Video file (*.avi *.mp4 *.webm *.gif)".
QString videoFileFilter();
