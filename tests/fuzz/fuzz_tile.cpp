// Screen tiles through the canvas's drawTile, the entry the links' view
// calls: GIF when the first byte is 'G', JPEG otherwise. The input's last
// bytes choose the position. A tile either draws or throws TileDecodeError
// (anything else escaping is a finding); the zoom picture stays the screen
// picture doubled.

#include "FuzzSupport.h"
#include "screen/ScreenCanvas.h"
#include "screen/TileDecoder.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz::ensureApplication();
  FuzzedDataProvider input(data, size);
  // Mostly on or near the screen, now and then far off it.
  const int x = input.ConsumeBool() ? input.ConsumeIntegralInRange(-40, 220)
                                    : input.ConsumeIntegral<int>();
  const int y = input.ConsumeBool() ? input.ConsumeIntegralInRange(-40, 250)
                                    : input.ConsumeIntegral<int>();
  const std::vector<char> bytes = input.ConsumeRemainingBytes<char>();
  const QByteArray tile(bytes.data(), qsizetype(bytes.size()));

  // One canvas for the whole run, as the program has: whatever it keeps
  // from tile to tile is kept here too.
  static ScreenCanvas canvas;
  static unsigned runs = 0;
  if (runs++ % 256 == 0)
    canvas.resetPictures();
  try {
    canvas.drawTile(tile, x, y);
  } catch (const TileDecodeError &) {
    return 0;
  }

  const QImage screen = canvas.screen();
  const QImage zoom = canvas.zoom();
  FUZZ_CHECK(screen.size() ==
             QSize(ScreenCanvas::kScreenWidth, ScreenCanvas::kScreenHeight));
  FUZZ_CHECK(zoom.size() ==
             QSize(ScreenCanvas::kZoomWidth, ScreenCanvas::kZoomHeight));
  for (int row = 0; row < screen.height(); ++row) {
    const auto *s = reinterpret_cast<const QRgb *>(screen.constScanLine(row));
    const auto *z0 =
        reinterpret_cast<const QRgb *>(zoom.constScanLine(2 * row));
    const auto *z1 =
        reinterpret_cast<const QRgb *>(zoom.constScanLine(2 * row + 1));
    for (int column = 0; column < screen.width(); ++column)
      FUZZ_CHECK(
          z0[2 * column] == s[column] && z0[2 * column + 1] == s[column] &&
          z1[2 * column] == s[column] && z1[2 * column + 1] == s[column]);
  }
  return 0;
}
