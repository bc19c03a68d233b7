#pragma once
// Names and timings shared by screenshots and video frames.

#include <QDateTime>
#include <QString>
#include <QTime>

// The decimal text of n, with "0" in front when it is one character long.
QString twoDigits(int n);

// Screenshot name without extension: year, then month, day, hour, minute
// and second in two digits each, then the milliseconds without padding.
// 2009-03-07 09:05:03.045 gives "2009030709050345".
QString screenshotName(const QDateTime &when);

// Frame file name: hour, minute and second in two digits each, the
// milliseconds with at least two digits, and ".bmp". 14:30:05.007 gives
// "14300507.bmp", 14:30:05.123 gives "143005123.bmp".
QString frameName(const QTime &when);
// True when fileName (without folder) is a name frameName gives.
bool isFrameFileName(const QString &fileName);

// The frame rates a recording accepts; others are brought into this range.
constexpr int kMinFps = 1;
constexpr int kMaxFps = 20;
int clampFps(int fps);

// The capture interval in milliseconds for a frame rate (clamped first):
// 1000 / fps rounded to the nearest integer, ties to the even one.
int captureInterval(int fps);
