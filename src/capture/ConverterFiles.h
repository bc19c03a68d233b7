#pragma once
// What the converter and the program agree on besides the frame list: the
// lock a converter holds while it works for a program directory, the names
// of its unfinished videos, and which files a conversion may delete.

#include <QString>
#include <QStringList>
#include <memory>

class QLockFile;

// A lock on "AVIConvert.lock" in the program directory, not yet taken. It has
// no age limit: a long conversion keeps it, and the lock of a converter that
// was killed is taken back through its process id.
std::unique_ptr<QLockFile> converterLock(const QString &programDir);

// The file a video is written to until it is complete: beside the video and
// of this run only, "video.avi.aviconvert-4711-1767225600123.part" for
// process 4711 started at that millisecond.
QString partFilePath(const QString &video, qint64 pid, qint64 startMs);

// Removes from folder the unfinished videos (partFilePath names) whose
// converter no longer runs; any other file stays. Called while holding the
// converter lock. Returns the paths removed.
QStringList removeStaleParts(const QString &folder);

// True when path is a frame of the frames folder: a frame name
// (isFrameFileName) lying directly in framesDir, links resolved. A
// conversion deletes no other file.
bool isOwnFrame(const QString &path, const QString &framesDir);

// The frames lying in framesDir, in the order they were taken: by time of
// writing, then by the time in their names.
QStringList framesInFolder(const QString &framesDir);
