// The converter's frame list: the paths it lists, the capture time in each
// name and the place of every frame on the video's time line.

#include "FuzzSupport.h"
#include "aviconvert/FramePlacement.h"

#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0)
    return 0;
  const int fps = data[0] % 25; // out-of-range rates too
  const QByteArray list(reinterpret_cast<const char *>(data) + 1,
                        qsizetype(size - 1));
  const QStringList paths = aviconvert::frameListPaths(list);
  FUZZ_CHECK(paths.size() <= list.count('\n') + 1);

  QList<std::optional<int>> times;
  for (const QString &path : paths) {
    FUZZ_CHECK(!path.isEmpty());
    const std::optional<int> ms = aviconvert::frameTimeMs(path);
    if (ms)
      FUZZ_CHECK(*ms >= 0 && *ms < 24 * 60 * 60 * 1000);
    times.append(ms);
  }
  const QList<int> placed = aviconvert::placeFrames(times, fps);
  FUZZ_CHECK(placed.size() == times.size());
  for (qsizetype i = 0; i < placed.size(); ++i)
    FUZZ_CHECK(i == 0 ? placed[i] == 0 : placed[i] > placed[i - 1]);
  return 0;
}
