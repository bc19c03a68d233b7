#include "aviconvert/FramePlacement.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace aviconvert {

QStringList frameListPaths(const QByteArray &list) {
  QStringList paths;
  for (const QByteArray &line : list.split('\n')) {
    const QByteArray path = line.trimmed();
    if (!path.isEmpty())
      paths.append(QString::fromLocal8Bit(path));
  }
  return paths;
}

std::optional<int> frameTimeMs(const QString &fileName) {
  static const QRegularExpression pattern(
      QStringLiteral("^(\\d\\d)(\\d\\d)(\\d\\d)(\\d{2,3})$"));
  const QRegularExpressionMatch m =
      pattern.match(QFileInfo(fileName).completeBaseName());
  if (!m.hasMatch())
    return std::nullopt;
  const int h = m.captured(1).toInt(), mi = m.captured(2).toInt(),
            s = m.captured(3).toInt(), ms = m.captured(4).toInt();
  if (h > 23 || mi > 59 || s > 59)
    return std::nullopt;
  return ((h * 60 + mi) * 60 + s) * 1000 + ms;
}

int pauseGapMs(int fps) { return 3 * (1000 / std::max(fps, 1)) + 1000; }

QList<int> placeFrames(const QList<std::optional<int>> &times, int fps) {
  constexpr int Day = 24 * 60 * 60 * 1000;
  fps = std::clamp(fps, 1, 20);
  const int interval = 1000 / fps;
  QList<int> placed;
  qint64 elapsed = 0; // ms on the video's time line
  for (qsizetype i = 0; i < times.size(); ++i) {
    if (i > 0) {
      qint64 gap = interval;
      if (times[i] && times[i - 1]) {
        gap = qint64(*times[i]) - *times[i - 1];
        if (gap < -Day / 2)
          gap += Day;
        gap = std::max<qint64>(gap, 0);
        if (gap > pauseGapMs(fps))
          gap = interval;
      }
      elapsed += gap;
    }
    int slot = int(std::llround(double(elapsed) * fps / 1000.0));
    if (!placed.isEmpty())
      slot = std::max(slot, placed.last() + 1);
    placed.append(slot);
  }
  return placed;
}

} // namespace aviconvert
