#include "capture/CaptureNames.h"

#include <QRegularExpression>
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

bool IsFrameFileName(const QString &fileName) {
  // Two digits of milliseconds below 100, three from 100 on.
  static const QRegularExpression pattern(QStringLiteral(
      "^([01]\\d|2[0-3])[0-5]\\d[0-5]\\d(\\d\\d|[1-9]\\d\\d)\\.bmp$"));
  return pattern.match(fileName).hasMatch();
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
