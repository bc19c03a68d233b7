#include "capture/CaptureNames.h"

#include <algorithm>

QString TwoDigits(int n) {
  QString text = QString::number(n);
  if (text.size() == 1)
    text.prepend('0');
  return text;
}

QString ScreenshotName(const QDateTime &when) {
  const QDate d = when.date();
  const QTime t = when.time();
  return QString::number(d.year()) + TwoDigits(d.month()) + TwoDigits(d.day()) +
         TwoDigits(t.hour()) + TwoDigits(t.minute()) + TwoDigits(t.second()) +
         QString::number(t.msec());
}

QString FrameName(const QTime &when) {
  return TwoDigits(when.hour()) + TwoDigits(when.minute()) +
         TwoDigits(when.second()) + TwoDigits(when.msec()) +
         QStringLiteral(".bmp");
}

int ClampFps(int fps) { return std::clamp(fps, MinFps, MaxFps); }

int CaptureInterval(int fps) {
  fps = ClampFps(fps);
  const int quotient = 1000 / fps;
  const int twiceRest = 2 * (1000 % fps);
  if (twiceRest > fps || (twiceRest == fps && quotient % 2 != 0))
    return quotient + 1;
  return quotient;
}
