#pragma once
// Where the frames of a recording go on the video's time line.
//
// A frame's name carries its capture time (hhmmss and the milliseconds).
// Each frame is placed at the slot of its capture time at the video's frame
// rate, so missed capture ticks keep the real speed (the frame before them
// is shown longer). A gap far longer than the capture interval is a pause
// and is closed to one interval.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace aviconvert {

// The frame paths of a frame list ("AVIList.dat"): one per line, in order,
// each line trimmed, blank lines skipped; 8-bit text in the local code page.
QStringList frameListPaths(const QByteArray &list);

// Milliseconds since midnight from a frame file name such as "14300507.bmp"
// (14:30:05.007) or "143005123.bmp"; nothing for other names.
std::optional<int> frameTimeMs(const QString &fileName);

// The gap above which two frames are taken to lie on either side of a
// pause, for a frame rate.
int pauseGapMs(int fps);

// The slot (frame number at fps) of every frame, in order and strictly
// increasing, the first at 0. times holds each frame's capture time, or
// nothing when its name carries none (then it follows one interval after
// the one before it). A capture time earlier than the one before it by more
// than half a day passed midnight.
QList<int> placeFrames(const QList<std::optional<int>> &times, int fps);

} // namespace aviconvert
