#include "TileEncoder.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>

namespace phonesim {

namespace {

QImage asRgb32(const QImage &image) {
  return image.format() == QImage::Format_RGB32
             ? image
             : image.convertToFormat(QImage::Format_RGB32);
}

bool areaDiffers(const QImage &a, const QImage &b, const QRect &r) {
  for (int y = r.top(); y <= r.bottom(); ++y) {
    const auto *pa = reinterpret_cast<const QRgb *>(a.constScanLine(y));
    const auto *pb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
    for (int x = r.left(); x <= r.right(); ++x)
      if ((pa[x] ^ pb[x]) & 0xFFFFFF)
        return true;
  }
  return false;
}

// The smallest rectangle inside r holding every differing pixel.
QRect diffBounds(const QImage &a, const QImage &b, const QRect &r) {
  int left = r.right() + 1, right = r.left() - 1;
  int top = r.bottom() + 1, bottom = r.top() - 1;
  for (int y = r.top(); y <= r.bottom(); ++y) {
    const auto *pa = reinterpret_cast<const QRgb *>(a.constScanLine(y));
    const auto *pb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
    for (int x = r.left(); x <= r.right(); ++x) {
      if ((pa[x] ^ pb[x]) & 0xFFFFFF) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  }
  return left > right ? QRect()
                      : QRect(QPoint(left, top), QPoint(right, bottom));
}

int countColoursIn(const QImage &image, const QRect &r, int limit) {
  std::vector<quint32> seen;
  seen.reserve(std::min<qsizetype>(qsizetype(r.width()) * r.height(), 4096));
  int distinct = 0;
  for (int y = r.top(); y <= r.bottom(); ++y) {
    const auto *p = reinterpret_cast<const QRgb *>(image.constScanLine(y));
    for (int x = r.left(); x <= r.right(); ++x) {
      const quint32 c = p[x] & 0xFFFFFF;
      auto it = std::lower_bound(seen.begin(), seen.end(), c);
      if (it != seen.end() && *it == c)
        continue;
      seen.insert(it, c);
      if (++distinct > limit)
        return distinct;
    }
  }
  return distinct;
}

int gifWrite(GifFileType *gif, const GifByteType *data, int size) {
  static_cast<QByteArray *>(gif->UserData)
      ->append(reinterpret_cast<const char *>(data), size);
  return size;
}

int bitsFor(int colours) {
  int bits = 1;
  while ((1 << bits) < colours)
    ++bits;
  return bits;
}

QByteArray writeGif(int width, int height,
                    const std::vector<GifColorType> &palette,
                    const std::vector<GifByteType> &indices) {
  QByteArray out;
  int error = 0;
  GifFileType *gif = EGifOpen(&out, gifWrite, &error);
  if (!gif)
    return {};
  const int bits = bitsFor(std::max<int>(2, palette.size()));
  std::vector<GifColorType> colours(1 << bits, GifColorType{0, 0, 0});
  std::copy(palette.begin(), palette.end(), colours.begin());
  ColorMapObject *map = GifMakeMapObject(1 << bits, colours.data());
  bool ok =
      map && EGifPutScreenDesc(gif, width, height, bits, 0, map) == GIF_OK;
  ok = ok &&
       EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
  for (int y = 0; ok && y < height; ++y)
    ok = EGifPutLine(gif,
                     const_cast<GifByteType *>(indices.data()) +
                         qsizetype(y) * width,
                     width) == GIF_OK;
  EGifCloseFile(gif, &error);
  if (map)
    GifFreeMapObject(map);
  return ok ? out : QByteArray();
}

} // namespace

QList<QRect> TileSplitter::changedRects(const QImage &beforeIn,
                                        const QImage &afterIn) const {
  const QImage after = asRgb32(afterIn);
  const bool full = beforeIn.isNull() || beforeIn.size() != after.size();
  const QImage before = full ? QImage() : asRgb32(beforeIn);
  const int bs = m_blockSize;
  const int cols = (after.width() + bs - 1) / bs;
  const int rows = (after.height() + bs - 1) / bs;
  const QRect screen = after.rect();

  // Per block: 0 unchanged, 1 changed flat, 2 changed photographic.
  std::vector<int> cls(qsizetype(cols) * rows, 0);
  for (int by = 0; by < rows; ++by) {
    for (int bx = 0; bx < cols; ++bx) {
      const QRect r = QRect(bx * bs, by * bs, bs, bs) & screen;
      if (!full && !areaDiffers(before, after, r))
        continue;
      cls[by * cols + bx] = countColoursIn(after, r, 64) > 64 ? 2 : 1;
    }
  }

  // Runs of same-class blocks per row, then runs with equal columns and
  // class in consecutive rows become one rectangle.
  struct OpenRun {
    int x0, x1, cls, y0, y1;
  };
  std::vector<OpenRun> done, open;
  for (int by = 0; by < rows; ++by) {
    std::vector<OpenRun> next;
    for (int bx = 0; bx < cols;) {
      const int c = cls[by * cols + bx];
      if (c == 0) {
        ++bx;
        continue;
      }
      int end = bx;
      while (end + 1 < cols && cls[by * cols + end + 1] == c)
        ++end;
      auto it = std::find_if(open.begin(), open.end(), [&](const OpenRun &o) {
        return o.x0 == bx && o.x1 == end && o.cls == c;
      });
      if (it != open.end()) {
        OpenRun o = *it;
        o.y1 = by;
        open.erase(it);
        next.push_back(o);
      } else {
        next.push_back({bx, end, c, by, by});
      }
      bx = end + 1;
    }
    done.insert(done.end(), open.begin(), open.end());
    open = std::move(next);
  }
  done.insert(done.end(), open.begin(), open.end());
  std::sort(done.begin(), done.end(), [](const OpenRun &a, const OpenRun &b) {
    return a.y0 != b.y0 ? a.y0 < b.y0 : a.x0 < b.x0;
  });

  QList<QRect> rects;
  for (const OpenRun &o : done) {
    QRect r = QRect(QPoint(o.x0 * bs, o.y0 * bs),
                    QPoint((o.x1 + 1) * bs - 1, (o.y1 + 1) * bs - 1)) &
              screen;
    if (!full)
      r = diffBounds(before, after, r);
    if (!r.isEmpty())
      rects.append(r);
  }
  return rects;
}

QImage TileEncoder::withMargin(const QImage &screenIn, const QRect &area) {
  const QImage screen = asRgb32(screenIn);
  QImage out(area.width() + 2, area.height() + 2, QImage::Format_RGB32);
  const int maxX = screen.width() - 1;
  const int maxY = screen.height() - 1;
  for (int j = 0; j < out.height(); ++j) {
    const int sy = std::clamp(area.y() - 1 + j, 0, maxY);
    const auto *src = reinterpret_cast<const QRgb *>(screen.constScanLine(sy));
    auto *dst = reinterpret_cast<QRgb *>(out.scanLine(j));
    for (int i = 0; i < out.width(); ++i)
      dst[i] = src[std::clamp(area.x() - 1 + i, 0, maxX)];
  }
  return out;
}

int TileEncoder::countColours(const QImage &image, int limit) {
  const QImage img = asRgb32(image);
  return countColoursIn(img, img.rect(), limit);
}

bool TileEncoder::looksFlat(const QImage &image) {
  const QImage img = asRgb32(image);
  std::unordered_map<quint32, int> histogram;
  for (int y = 0; y < img.height(); ++y) {
    const auto *p = reinterpret_cast<const QRgb *>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x)
      ++histogram[p[x] & 0xFFFFFF];
  }
  std::vector<int> counts;
  counts.reserve(histogram.size());
  for (const auto &entry : histogram)
    counts.push_back(entry.second);
  const size_t top = std::min<size_t>(16, counts.size());
  std::partial_sort(counts.begin(), counts.begin() + top, counts.end(),
                    std::greater<int>());
  qint64 covered = 0;
  for (size_t i = 0; i < top; ++i)
    covered += counts[i];
  return covered * 5 >= qint64(img.width()) * img.height() * 4;
}

QByteArray TileEncoder::encodeGif(const QImage &image) {
  const QImage img = asRgb32(image);
  const int w = img.width();
  const int h = img.height();
  std::vector<GifByteType> indices(qsizetype(w) * h);
  std::vector<GifColorType> palette;

  if (countColoursIn(img, img.rect(), 256) <= 256) {
    std::unordered_map<quint32, int> index;
    for (int y = 0; y < h; ++y) {
      const auto *p = reinterpret_cast<const QRgb *>(img.constScanLine(y));
      for (int x = 0; x < w; ++x) {
        const quint32 c = p[x] & 0xFFFFFF;
        auto [it, added] = index.emplace(c, int(palette.size()));
        if (added)
          palette.push_back({GifByteType(qRed(c)), GifByteType(qGreen(c)),
                             GifByteType(qBlue(c))});
        indices[qsizetype(y) * w + x] = GifByteType(it->second);
      }
    }
  } else {
    std::vector<GifByteType> r(indices.size()), g(indices.size()),
        b(indices.size());
    for (int y = 0; y < h; ++y) {
      const auto *p = reinterpret_cast<const QRgb *>(img.constScanLine(y));
      for (int x = 0; x < w; ++x) {
        const qsizetype i = qsizetype(y) * w + x;
        r[i] = GifByteType(qRed(p[x]));
        g[i] = GifByteType(qGreen(p[x]));
        b[i] = GifByteType(qBlue(p[x]));
      }
    }
    int size = 256;
    palette.resize(256);
    if (GifQuantizeBuffer(w, h, &size, r.data(), g.data(), b.data(),
                          indices.data(), palette.data()) != GIF_OK)
      return {};
    palette.resize(size);
  }
  return writeGif(w, h, palette, indices);
}

QByteArray TileEncoder::encodeJpeg(const QImage &image, int quality) {
  const QImage img = image.convertToFormat(QImage::Format_RGB888);
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char *buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = img.width();
  cinfo.image_height = img.height();
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row =
        const_cast<JSAMPROW>(img.constScanLine(int(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  QByteArray out(reinterpret_cast<const char *>(buffer), qsizetype(size));
  free(buffer);
  return out;
}

Tile TileEncoder::encode(const QImage &screen, const QRect &area,
                         TileFormat format) {
  const QImage picture = withMargin(screen, area);
  if (format == TileFormat::Auto)
    format = countColours(picture, 256) <= 256 || looksFlat(picture)
                 ? TileFormat::Gif
                 : TileFormat::Jpeg;
  return {area,
          format == TileFormat::Gif ? encodeGif(picture) : encodeJpeg(picture)};
}

void TileEncoder::encodeArea(const QImage &screen, const QRect &area,
                             QList<Tile> &tiles) const {
  const QImage picture = withMargin(screen, area);
  if (countColours(picture, 256) <= 256) {
    tiles.append({area, encodeGif(picture)});
    return;
  }
  if (!looksFlat(picture)) {
    tiles.append({area, encodeJpeg(picture)});
    return;
  }
  // Flat graphics with too many colours for one palette: smaller tiles keep
  // them exact; only a single block still over the limit is quantised.
  const int bs = m_blockSize;
  if (area.height() > bs || area.width() > bs) {
    QRect first = area, second = area;
    if (area.height() >= area.width() && area.height() > bs) {
      const int rows = ((area.height() / 2 + bs - 1) / bs) * bs;
      first.setHeight(rows);
      second.setTop(area.top() + rows);
    } else {
      const int cols = ((area.width() / 2 + bs - 1) / bs) * bs;
      first.setWidth(cols);
      second.setLeft(area.left() + cols);
    }
    encodeArea(screen, first, tiles);
    if (!second.isEmpty())
      encodeArea(screen, second, tiles);
    return;
  }
  tiles.append({area, encodeGif(picture)});
}

QList<Tile> TileEncoder::encodeChanges(const QImage &before,
                                       const QImage &after) const {
  QList<Tile> tiles;
  for (const QRect &r : m_splitter.changedRects(before, after))
    encodeArea(after, r, tiles);
  return tiles;
}

} // namespace phonesim
