#pragma once
// Test tiles: JPEG and GIF files written with libjpeg and giflib, and byte
// patches that make their headers announce other sizes.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>

namespace fixtures {

// A colourful image without white pixels; the outermost rows and columns
// (the tile margin) are pure red, which the inside never is.
inline QImage patternImage(int width, int height, int seed = 0) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool margin = x == 0 || y == 0 || x == width - 1 || y == height - 1;
      image.setPixel(x, y,
                     margin ? qRgb(255, 0, 0)
                            : qRgb((x * 7 + seed) % 120, (y * 5 + seed) % 200,
                                   80 + (x + y + seed) % 150));
    }
  return image;
}

inline QImage uniformTile(int width, int height, QRgb inside, QRgb margin) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(margin);
  for (int y = 1; y < height - 1; ++y)
    for (int x = 1; x < width - 1; ++x)
      image.setPixel(x, y, inside);
  return image;
}

// Baseline JPEG; subsampled gives 4:2:0 chroma, otherwise 4:4:4.
inline QByteArray encodeJpeg(const QImage &image, int quality = 75,
                             bool subsampled = true, bool grayscale = false) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  unsigned char *buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = JDIMENSION(rgb.width());
  cinfo.image_height = JDIMENSION(rgb.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (grayscale) {
    jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
  } else {
    const int factor = subsampled ? 2 : 1;
    cinfo.comp_info[0].h_samp_factor = factor;
    cinfo.comp_info[0].v_samp_factor = factor;
  }
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row =
        const_cast<uchar *>(rgb.constScanLine(int(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  const QByteArray result(reinterpret_cast<const char *>(buffer),
                          qsizetype(size));
  std::free(buffer);
  return result;
}

// Offset of the first byte of entropy-coded data (after the SOS header).
inline qsizetype jpegScanStart(const QByteArray &jpeg) {
  qsizetype i = 2;
  while (i + 4 <= jpeg.size() && uchar(jpeg[i]) == 0xFF) {
    const int marker = uchar(jpeg[i + 1]);
    const int length = uchar(jpeg[i + 2]) << 8 | uchar(jpeg[i + 3]);
    if (marker == 0xDA)
      return i + 2 + length;
    i += 2 + length;
  }
  return -1;
}

// Overwrites the frame size in the SOF header.
inline QByteArray patchJpegSize(QByteArray jpeg, int width, int height) {
  qsizetype i = 2;
  while (i + 9 <= jpeg.size() && uchar(jpeg[i]) == 0xFF) {
    const int marker = uchar(jpeg[i + 1]);
    if (marker >= 0xC0 && marker <= 0xC2) {
      jpeg[i + 5] = char(height >> 8);
      jpeg[i + 6] = char(height);
      jpeg[i + 7] = char(width >> 8);
      jpeg[i + 8] = char(width);
      return jpeg;
    }
    i += 2 + (uchar(jpeg[i + 2]) << 8 | uchar(jpeg[i + 3]));
  }
  return {};
}

struct GifFrame {
  QRect rect;           // position within the logical screen, and size
  QByteArray pixels;    // rect.width() * rect.height() colour indices
  QList<QRgb> colours;  // local colour table; empty: the global one
  int transparent = -1; // transparent index from a graphic control block
  bool interlaced = false;
};

namespace detail {

inline int writeGifBytes(GifFileType *gif, const GifByteType *data, int n) {
  static_cast<QByteArray *>(gif->UserData)
      ->append(reinterpret_cast<const char *>(data), n);
  return n;
}

// giflib wants a power of two entries.
inline ColorMapObject *makeColourMap(const QList<QRgb> &colours) {
  if (colours.isEmpty())
    return nullptr;
  int size = 2;
  while (size < colours.size())
    size *= 2;
  std::vector<GifColorType> table(size_t(size), GifColorType{0, 0, 0});
  for (int i = 0; i < colours.size(); ++i)
    table[size_t(i)] = GifColorType{GifByteType(qRed(colours[i])),
                                    GifByteType(qGreen(colours[i])),
                                    GifByteType(qBlue(colours[i]))};
  return GifMakeMapObject(size, table.data());
}

} // namespace detail

inline QByteArray encodeGif(QSize screen, const QList<QRgb> &globalColours,
                            const QList<GifFrame> &frames) {
  QByteArray out;
  int error = 0;
  GifFileType *gif = EGifOpen(&out, detail::writeGifBytes, &error);
  if (!gif)
    return {};
  EGifSetGifVersion(gif, true);
  ColorMapObject *global = detail::makeColourMap(globalColours);
  bool ok = EGifPutScreenDesc(gif, screen.width(), screen.height(), 8, 0,
                              global) == GIF_OK;
  for (const GifFrame &frame : frames) {
    if (!ok)
      break;
    if (frame.transparent >= 0) {
      GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0,
                                   frame.transparent};
      GifByteType block[4];
      const size_t length = EGifGCBToExtension(&control, block);
      ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), block) ==
           GIF_OK;
    }
    ColorMapObject *local = detail::makeColourMap(frame.colours);
    if (!local && gif->Image.ColorMap) {
      // giflib forgets the previous image's local table instead of freeing it.
      GifFreeMapObject(gif->Image.ColorMap);
      gif->Image.ColorMap = nullptr;
    }
    const QRect &r = frame.rect;
    ok = ok && EGifPutImageDesc(gif, r.x(), r.y(), r.width(), r.height(),
                                frame.interlaced, local) == GIF_OK;
    std::vector<int> order;
    if (frame.interlaced) {
      // Rows go out in the four passes of an interlaced image.
      const int start[] = {0, 4, 2, 1};
      const int step[] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass)
        for (int row = start[pass]; row < r.height(); row += step[pass])
          order.push_back(row);
    } else {
      for (int row = 0; row < r.height(); ++row)
        order.push_back(row);
    }
    std::vector<GifPixelType> line(size_t(r.width()));
    for (int row : order) {
      if (!ok)
        break;
      for (int x = 0; x < r.width(); ++x)
        line[size_t(x)] = GifPixelType(frame.pixels[row * r.width() + x]);
      ok = EGifPutLine(gif, line.data(), r.width()) == GIF_OK;
    }
    GifFreeMapObject(local);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(global);
  return ok ? out : QByteArray();
}

// A one-frame GIF holding image exactly (at most 256 colours).
inline QByteArray gifFromImage(const QImage &image) {
  QList<QRgb> colours;
  GifFrame frame;
  frame.rect = image.rect();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y) | 0xFF000000u;
      qsizetype index = colours.indexOf(c);
      if (index < 0) {
        if (colours.size() == 256)
          return {};
        index = colours.size();
        colours.append(c);
      }
      frame.pixels.append(char(index));
    }
  return encodeGif(image.size(), colours, {frame});
}

inline QByteArray patchGifScreenSize(QByteArray gif, int width, int height) {
  gif[6] = char(width);
  gif[7] = char(width >> 8);
  gif[8] = char(height);
  gif[9] = char(height >> 8);
  return gif;
}

// Overwrites the size in the first image descriptor.
inline QByteArray patchGifImageSize(QByteArray gif, int width, int height) {
  const int flags = uchar(gif[10]);
  qsizetype i = 13 + ((flags & 0x80) ? 3 << ((flags & 7) + 1) : 0);
  while (i < gif.size()) {
    if (gif[i] == 0x2C) {
      gif[i + 5] = char(width);
      gif[i + 6] = char(width >> 8);
      gif[i + 7] = char(height);
      gif[i + 8] = char(height >> 8);
      return gif;
    }
    if (gif[i] != 0x21)
      return {};
    i += 2;
    while (i < gif.size() && gif[i] != 0)
      i += uchar(gif[i]) + 1;
    ++i;
  }
  return {};
}

} // namespace fixtures
