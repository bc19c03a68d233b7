#include "capture/CaptureNames.h"

#include <QRegularExpression>
#include <algorithm>

QString twoDigits(int n) {
  QString text = QString::number(n);
  if (text.size() == 1)
    text.prepend('0');
  return text;
}

QString screenshotName(const QDateTime &when) {
  const QDate d = when.date();
  const QTime t = when.time();
  return QString::number(d.year()) + twoDigits(d.month()) + twoDigits(d.day()) +
         twoDigits(t.hour()) + twoDigits(t.minute()) + twoDigits(t.second()) +
         QString::number(t.msec());
}

QString frameName(const QTime &when) {
  return twoDigits(when.hour()) + twoDigits(when.minute()) +
         twoDigits(when.second()) + twoDigits(when.msec()) +
         QStringLiteral(".bmp");
}

bool isFrameFileName(const QString &fileName) {
  // Two digits of milliseconds below 100, three from 100 on.
  static const QRegularExpression pattern(QStringLiteral(
      "^([01]\\d|2[0-3])[0-5]\\d[0-5]\\d(\\d\\d|[1-9]\\d\\d)\\.bmp$"));
  return pattern.match(fileName).hasMatch();
}

int clampFps(int fps) { return std::clamp(fps, kMinFps, kMaxFps); }

int captureInterval(int fps) {
  fps = clampFps(fps);
  const int quotient = 1000 / fps;
  const int twiceRest = 2 * (1000 % fps);
  if (twiceRest > fps || (twiceRest == fps && quotient % 2 != 0))
    return quotient + 1;
  return quotient;
}
