// Decoding and drawing cost of screen tiles: median (and 90th percentile)
// time per image for JPEG (quality 75, 4:2:0) and GIF tiles, decoded alone
// and drawn end to end into the screen canvas.

#include "screen/ScreenCanvas.h"
#include "screen/TileDecoder.h"

#include "screen/TileFixtures.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// Something like a phone screen: a gradient, bars and small text-like marks.
QImage screenLike(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter painter(&image);
  QLinearGradient gradient(0, 0, 0, height);
  gradient.setColorAt(0, QColor(30, 60, 140));
  gradient.setColorAt(1, QColor(200, 220, 250));
  painter.fillRect(image.rect(), gradient);
  painter.fillRect(0, 0, width, 18, QColor(20, 20, 20));
  QRandomGenerator random(7);
  for (int y = 30; y + 10 < height; y += 16)
    for (int x = 6; x + 6 < width; x += 7)
      if (random.bounded(3))
        painter.fillRect(x, y, 5, 9, QColor(10, 10, 10));
  painter.end();
  return image;
}

QImage noise(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QRandomGenerator random(11);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, random.generate() | 0xFF000000u);
  return image;
}

QByteArray gif(const QImage &image) {
  return fixtures::gifFromImage(
      image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither));
}

struct Result {
  double median;
  double p90;
};

Result measure(int runs, const std::function<void()> &work) {
  for (int i = 0; i < runs / 10 + 1; ++i)
    work(); // warm-up
  std::vector<double> times;
  times.reserve(size_t(runs));
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto end = std::chrono::steady_clock::now();
    times.push_back(
        std::chrono::duration<double, std::micro>(end - start).count());
  }
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times[times.size() * 9 / 10]};
}

} // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv); // for painting
  struct Tile {
    const char *name;
    QByteArray data;
    int runs;
  };
  const Tile tiles[] = {
      {"JPEG 34 x 34", fixtures::encodeJpeg(screenLike(34, 34)), 5000},
      {"JPEG 176 x 208", fixtures::encodeJpeg(screenLike(176, 208)), 1000},
      {"JPEG 176 x 208 noisy", fixtures::encodeJpeg(noise(176, 208)), 500},
      {"GIF 34 x 34", gif(screenLike(34, 34)), 5000},
      {"GIF 176 x 208", gif(screenLike(176, 208)), 500},
      {"GIF 176 x 208 noisy", gif(noise(176, 208)), 500},
  };

  std::printf("%-22s %8s %12s %12s %12s %12s\n", "tile", "bytes", "decode med",
              "decode p90", "draw med", "draw p90");
  std::printf("%-22s %8s %12s %12s %12s %12s\n", "", "", "(us)", "(us)", "(us)",
              "(us)");
  ScreenCanvas canvas;
  canvas.resetPictures();
  for (const Tile &tile : tiles) {
    const Result decode = measure(tile.runs, [&] { decodeTile(tile.data); });
    int position = 0;
    const Result draw = measure(tile.runs, [&] {
      // Walks over the screen so that clipping takes its share.
      position = (position + 37) % 160;
      canvas.drawTile(tile.data, position, position);
      canvas.takeDirty();
    });
    std::printf("%-22s %8lld %12.1f %12.1f %12.1f %12.1f\n", tile.name,
                static_cast<long long>(tile.data.size()), decode.median,
                decode.p90, draw.median, draw.p90);
  }

  // Painting the whole of each view, as a repaint after a full-screen tile
  // does, into a picture of the view's size.
  canvas.drawTile(fixtures::encodeJpeg(noise(178, 210)), 0, 0);
  for (const bool zoom : {false, true}) {
    QImage view(zoom ? ScreenCanvas::kZoomWidth : ScreenCanvas::kScreenWidth,
                zoom ? ScreenCanvas::kZoomHeight : ScreenCanvas::kScreenHeight,
                QImage::Format_RGB32);
    const Result paint = measure(2000, [&] {
      QPainter painter(&view);
      canvas.paint(painter, view.rect(), zoom);
    });
    std::printf("paint the %-12s %12.1f %12.1f (us, median and p90)\n",
                zoom ? "zoom view" : "screen view", paint.median, paint.p90);
  }
  return 0;
}
