#include "screen/TileDecoder.h"

#include <QtEndian>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <gif_lib.h>
#include <jpeglib.h>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#endif

namespace {

// ---------------------------------------------------------------- GIF ----

struct GifSource {
  const uchar *data;
  qsizetype size;
  qsizetype pos;
};

int readGifBytes(GifFileType *gif, GifByteType *buffer, int length) {
  auto *source = static_cast<GifSource *>(gif->UserData);
  const qsizetype count =
      std::min<qsizetype>(length, source->size - source->pos);
  if (count <= 0)
    return 0;
  std::memcpy(buffer, source->data + source->pos, size_t(count));
  source->pos += count;
  return int(count);
}

struct GifCloser {
  void operator()(GifFileType *gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

QString gifErrorText(int code) {
  const char *text = GifErrorString(code);
  return text ? QString::fromLatin1(text)
              : QStringLiteral("error %1").arg(code);
}

[[noreturn]] void throwGifError(const GifFileType *gif) {
  throw TileDecodeError(
      QStringLiteral("GIF tile: %1").arg(gifErrorText(gif ? gif->Error : 0)));
}

[[noreturn]] void throwTooLarge(const char *kind, qint64 width, qint64 height) {
  throw TileDecodeError(
      QStringLiteral("%1 tile of %2 x %3 pixels is larger than %4 pixels "
                     "on a side")
          .arg(QLatin1String(kind))
          .arg(width)
          .arg(height)
          .arg(kMaxTileSide));
}

// Colour indices to pixels. Restrict pointers let the compiler keep the
// loop in registers: the bytes read could otherwise alias the pixels written.
void mapColours(const uchar *__restrict in, const QRgb *__restrict palette,
                QRgb *__restrict out, int count) {
  for (int i = 0; i < count; ++i)
    out[i] = palette[in[i]];
}

// Reads records up to the first image descriptor, remembering the
// transparent index of the graphic control extension before it.
int skipToFirstImage(GifFileType *gif) {
  int transparent = NO_TRANSPARENT_COLOR;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR)
      throwGifError(gif);
    switch (type) {
    case IMAGE_DESC_RECORD_TYPE:
      return transparent;
    case EXTENSION_RECORD_TYPE: {
      int code = 0;
      GifByteType *block = nullptr;
      if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        throwGifError(gif);
      if (code == GRAPHICS_EXT_FUNC_CODE && block) {
        GraphicsControlBlock control;
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
          transparent = control.TransparentColor;
      }
      while (block) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
          throwGifError(gif);
      }
      break;
    }
    case TERMINATE_RECORD_TYPE:
      throw TileDecodeError(QStringLiteral("GIF tile holds no image"));
    default:
      throw TileDecodeError(QStringLiteral("GIF tile: unexpected record"));
    }
  }
}

// Colour indices to pixels, eight at a time with AVX2: the indices widened
// to 32 bits fetch their pixels from the table in one gather, about half
// the time of the plain loop.
#if defined(__GNUC__) && defined(__x86_64__)
__attribute__((target("avx2"))) void
mapColoursGathered(const uchar *__restrict in, const QRgb *__restrict palette,
                   QRgb *__restrict out, int count) {
  const int *table = reinterpret_cast<const int *>(palette);
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i indices = _mm256_cvtepu8_epi32(
        _mm_loadl_epi64(reinterpret_cast<const __m128i *>(in + i)));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i),
                        _mm256_i32gather_epi32(table, indices, 4));
  }
  mapColours(in + i, palette, out + i, count - i);
}

// GCC 12 takes the undefined vector inside _mm512_shuffle_i64x2 for an
// uninitialised variable.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
// Sixty-four pixels a step with AVX-512 VBMI: each of the blue, green and
// red bytes of 64 pixels is looked up at once in its plane of the table
// (two 128-byte lookups, picked by the index's top bit), and the planes
// are interleaved into pixels. About 2.5 times as fast as the gather.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void
mapColoursPlanes(const uchar *__restrict in, const QRgb *__restrict palette,
                 const uchar *__restrict planes, QRgb *__restrict out,
                 int count) {
  if (count < 64) {
    mapColoursGathered(in, palette, out, count);
    return;
  }
  __m512i table[3][4];
  for (int c = 0; c < 3; ++c)
    for (int k = 0; k < 4; ++k)
      table[c][k] = _mm512_loadu_si512(planes + 256 * c + 64 * k);
  const __m512i alpha = _mm512_set1_epi8(-1);
  int i = 0;
  for (; i + 64 <= count; i += 64) {
    const __m512i indices = _mm512_loadu_si512(in + i);
    const __mmask64 high = _mm512_movepi8_mask(indices);
    __m512i plane[3];
    for (int c = 0; c < 3; ++c)
      plane[c] = _mm512_mask_blend_epi8(
          high, _mm512_permutex2var_epi8(table[c][0], indices, table[c][1]),
          _mm512_permutex2var_epi8(table[c][2], indices, table[c][3]));
    // Per 128-bit lane: B, G, R, A bytes to four pixels at a time, then
    // the lanes put in pixel order.
    const __m512i bgLow = _mm512_unpacklo_epi8(plane[0], plane[1]);
    const __m512i bgHigh = _mm512_unpackhi_epi8(plane[0], plane[1]);
    const __m512i raLow = _mm512_unpacklo_epi8(plane[2], alpha);
    const __m512i raHigh = _mm512_unpackhi_epi8(plane[2], alpha);
    const __m512i p0 = _mm512_unpacklo_epi16(bgLow, raLow);
    const __m512i p1 = _mm512_unpackhi_epi16(bgLow, raLow);
    const __m512i p2 = _mm512_unpacklo_epi16(bgHigh, raHigh);
    const __m512i p3 = _mm512_unpackhi_epi16(bgHigh, raHigh);
    const __m512i t0 = _mm512_shuffle_i64x2(p0, p1, 0x44);
    const __m512i t1 = _mm512_shuffle_i64x2(p2, p3, 0x44);
    const __m512i t2 = _mm512_shuffle_i64x2(p0, p1, 0xEE);
    const __m512i t3 = _mm512_shuffle_i64x2(p2, p3, 0xEE);
    _mm512_storeu_si512(out + i, _mm512_shuffle_i64x2(t0, t1, 0x88));
    _mm512_storeu_si512(out + i + 16, _mm512_shuffle_i64x2(t0, t1, 0xDD));
    _mm512_storeu_si512(out + i + 32, _mm512_shuffle_i64x2(t2, t3, 0x88));
    _mm512_storeu_si512(out + i + 48, _mm512_shuffle_i64x2(t2, t3, 0xDD));
  }
  mapColoursGathered(in + i, palette, out + i, count - i);
}
#pragma GCC diagnostic pop

// Whether the processor has what mapColoursPlanes needs.
bool usePlanes() {
  static const bool planes = __builtin_cpu_supports("avx512f") &&
                             __builtin_cpu_supports("avx512bw") &&
                             __builtin_cpu_supports("avx512vbmi");
  return planes;
}

void mapColoursFast(const uchar *in, const QRgb *palette, const uchar *planes,
                    QRgb *out, int count) {
  static const bool gather = __builtin_cpu_supports("avx2");
  if (planes)
    mapColoursPlanes(in, palette, planes, out, count);
  else if (gather)
    mapColoursGathered(in, palette, out, count);
  else
    mapColours(in, palette, out, count);
}
#else
bool usePlanes() { return false; }

void mapColoursFast(const uchar *in, const QRgb *palette, const uchar *,
                    QRgb *out, int count) {
  mapColours(in, palette, out, count);
}
#endif

// ---------------------------------------------------------------- JPEG ---

// R, G, B byte triples to pixels.
void WidenRgbPlain(const uchar *__restrict in, QRgb *__restrict out,
                   int count) {
  for (int i = 0; i < count; ++i, in += 3)
    out[i] = qRgb(in[0], in[1], in[2]);
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
// Four pixels a step: a byte shuffle puts R, G, B of each into a pixel's
// place (B, G, R, A in memory) and the alpha byte is set. Each load reads
// 16 bytes for 12 used, so the last pixels go the plain way.
__attribute__((target("ssse3"))) void WidenRgbShuffled(const uchar *in,
                                                       QRgb *out, int count) {
  const __m128i order =
      _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
  const __m128i alpha = _mm_set1_epi32(int(0xff000000u));
  int i = 0;
  for (; i + 6 <= count; i += 4) {
    const __m128i rgb =
        _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + 3 * i));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i),
                     _mm_or_si128(_mm_shuffle_epi8(rgb, order), alpha));
  }
  WidenRgbPlain(in + 3 * i, out + i, count - i);
}

#if defined(__x86_64__)
// Eight pixels: the 24 bytes from in, spread by lanes to the two 128-bit
// lanes, twelve to each, then shuffled as above.
__attribute__((target("avx2"), always_inline)) inline void
WidenRgb8(const uchar *in, __m256i lanes, QRgb *out) {
  const __m256i order =
      _mm256_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1, //
                       2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
  const __m256i rgb = _mm256_permutevar8x32_epi32(
      _mm256_loadu_si256(reinterpret_cast<const __m256i *>(in)), lanes);
  _mm256_storeu_si256(reinterpret_cast<__m256i *>(out),
                      _mm256_or_si256(_mm256_shuffle_epi8(rgb, order),
                                      _mm256_set1_epi32(int(0xff000000u))));
}

// Eight pixels a step. The last eight of a row come from a load that ends
// at the row's end, rewriting a few pixels with the same values, so no row
// ends with a slower tail.
__attribute__((target("avx2"))) void WidenRgbShuffled8(const uchar *in,
                                                       QRgb *out, int count) {
  if (count < 11) {
    WidenRgbPlain(in, out, count);
    return;
  }
  const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 0, 3, 4, 5, 0);
  int i = 0;
  for (; i + 11 <= count; i += 8)
    WidenRgb8(in + 3 * i, lanes, out + i);
  // Up to ten pixels are left: eight ending with the row's end, read from
  // the 32 bytes before it (from byte 8 on), and the two before them when
  // needed.
  if (count - i > 8)
    WidenRgb8(in + 3 * (count - 16), lanes, out + count - 16);
  if (i < count)
    WidenRgb8(in + 3 * qsizetype(count) - 32,
              _mm256_setr_epi32(2, 3, 4, 0, 5, 6, 7, 0), out + count - 8);
}
#endif

void WidenRgb(const uchar *in, QRgb *out, int count) {
#if defined(__x86_64__)
  static const bool wide = __builtin_cpu_supports("avx2");
  if (wide) {
    WidenRgbShuffled8(in, out, count);
    return;
  }
#endif
  static const bool shuffle = __builtin_cpu_supports("ssse3");
  if (shuffle)
    WidenRgbShuffled(in, out, count);
  else
    WidenRgbPlain(in, out, count);
}
#else
void WidenRgb(const uchar *in, QRgb *out, int count) {
  WidenRgbPlain(in, out, count);
}
#endif

// Pixels to R, G, B byte triples.
void NarrowToRgbPlain(const QRgb *__restrict in, uchar *__restrict out,
                      int count) {
  for (int i = 0; i < count; ++i, out += 3) {
    out[0] = uchar(qRed(in[i]));
    out[1] = uchar(qGreen(in[i]));
    out[2] = uchar(qBlue(in[i]));
  }
}

#if defined(__GNUC__) && defined(__x86_64__)
// Eight pixels a step: each lane's four pixels are shuffled to twelve
// bytes at its start, and the two lanes' bytes moved together. Each store
// writes 32 bytes for 24 used, so the last pixels go the plain way.
__attribute__((target("avx2"))) void
NarrowToRgbShuffled8(const QRgb *in, uchar *out, int count) {
  const __m256i order =
      _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1,
                       2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
  const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7);
  int i = 0;
  for (; i + 11 <= count; i += 8) {
    const __m256i pixels =
        _mm256_loadu_si256(reinterpret_cast<const __m256i *>(in + i));
    _mm256_storeu_si256(
        reinterpret_cast<__m256i *>(out + 3 * i),
        _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(pixels, order), lanes));
  }
  NarrowToRgbPlain(in + i, out + 3 * i, count - i);
}

void NarrowToRgb(const QRgb *in, uchar *out, int count) {
  static const bool wide = __builtin_cpu_supports("avx2");
  if (wide)
    NarrowToRgbShuffled8(in, out, count);
  else
    NarrowToRgbPlain(in, out, count);
}
#else
void NarrowToRgb(const QRgb *in, uchar *out, int count) {
  NarrowToRgbPlain(in, out, count);
}
#endif

// Colour indices to R, G, B byte triples through a table of R | G << 8 |
// B << 16. Each pixel is written as four bytes, the fourth overwritten by
// the next pixel, eight pixels a step from one load of their indices: on
// processors without a byte permute this beats the gather and a narrowing
// pass by a third. The last pixels are written three bytes each.
void mapColoursToRgb(const uchar *__restrict in,
                     const quint32 *__restrict table, uchar *__restrict out,
                     int count) {
  int i = 0;
  for (; i + 9 <= count; i += 8, out += 24) {
    const quint64 eight = qFromLittleEndian<quint64>(in + i);
    const auto put = [&](int k) {
      const quint32 colour = table[(eight >> (8 * k)) & 0xff];
      std::memcpy(out + 3 * k, &colour, 4);
    };
    put(0);
    put(1);
    put(2);
    put(3);
    put(4);
    put(5);
    put(6);
    put(7);
  }
  for (; i < count; ++i, out += 3) {
    const quint32 colour = table[in[i]];
    out[0] = uchar(colour);
    out[1] = uchar(colour >> 8);
    out[2] = uchar(colour >> 16);
  }
}

struct JpegErrorManager {
  jpeg_error_mgr base; // first member: libjpeg sees only this part
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  char warning[JMSG_LENGTH_MAX];
};

} // namespace

// The JPEG decoder's state, kept from tile to tile: the decompression
// object keeps its permanent memory, so a tile costs no allocation of it.
// The longjmps in the two steps below never cross an object with a destructor.
struct JpegJob {
  jpeg_decompress_struct cinfo;
  JpegErrorManager error;
  bool created = false;
  const uchar *data = nullptr;
  unsigned long size = 0;
  bool tooLarge = false;
  bool started = false; // between startJpegDecoder and readJpegScanlines
  JDIMENSION announcedWidth = 0;
  JDIMENSION announcedHeight = 0;
};

namespace {

void jpegErrorExit(j_common_ptr cinfo) {
  auto *error = reinterpret_cast<JpegErrorManager *>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, error->message);
  std::longjmp(error->jump, 1);
}

// Called for warnings (and trace messages, which stay off); keeps the
// first one instead of printing it.
void jpegOutputMessage(j_common_ptr cinfo) {
  auto *error = reinterpret_cast<JpegErrorManager *>(cinfo->err);
  if (error->warning[0] == '\0')
    (*cinfo->err->format_message)(cinfo, error->warning);
}

// A picture of the size, reusing the one given when it has that size
// already: a fresh large allocation per tile costs page faults that
// rival the decoding itself.
bool ensureImage(QImage &image, int width, int height) {
  if (image.width() != width || image.height() != height ||
      image.format() != QImage::Format_RGB32)
    image = QImage(width, height, QImage::Format_RGB32);
  return !image.isNull();
}

bool AllocateJpegRows(std::vector<uchar> &rgb, qsizetype stride, int height) {
  try {
    rgb.resize(size_t(stride) * size_t(height));
  } catch (const std::bad_alloc &) {
    return false;
  }
  return true;
}

// Reads the header of job->data and starts the decompression, leaving
// the rows to readJpegScanlines. Returns false on an error with
// job->error.message set; the object is then reset for the next tile. Only
// trivially destructible objects live in this frame, so returning here
// through longjmp skips no destructor.
bool startJpegDecoder(JpegJob *job) {
  jpeg_decompress_struct *const cinfo = &job->cinfo;
  job->error.message[0] = job->error.warning[0] = '\0';
  job->tooLarge = false;
  if (job->started) {
    // The last tile was started and never read (its caller failed before
    // reading it): the object is reset for this one.
    jpeg_abort_decompress(cinfo);
    job->started = false;
  }
  if (!job->created) {
    cinfo->err = jpeg_std_error(&job->error.base);
    job->error.base.error_exit = jpegErrorExit;
    job->error.base.output_message = jpegOutputMessage;
  }
  if (setjmp(job->error.jump)) {
    jpeg_abort_decompress(cinfo);
    return false;
  }
  if (!job->created) {
    jpeg_create_decompress(cinfo);
    job->created = true;
  }
  jpeg_mem_src(cinfo, job->data, job->size);
  jpeg_read_header(cinfo, TRUE);
  job->announcedWidth = cinfo->image_width;
  job->announcedHeight = cinfo->image_height;
  if (cinfo->image_width > JDIMENSION(kMaxTileSide) ||
      cinfo->image_height > JDIMENSION(kMaxTileSide)) {
    job->tooLarge = true;
    jpeg_abort_decompress(cinfo);
    return false;
  }
  cinfo->out_color_space = JCS_RGB;
  cinfo->scale_num = 1;
  cinfo->scale_denom = 1;
  cinfo->dct_method = JDCT_ISLOW;
  cinfo->do_block_smoothing = FALSE;
  cinfo->do_fancy_upsampling = TRUE;
  jpeg_calc_output_dimensions(cinfo);
  if (cinfo->output_components != 3) {
    std::snprintf(job->error.message, sizeof job->error.message,
                  "unexpected %d output components", cinfo->output_components);
    jpeg_abort_decompress(cinfo);
    return false;
  }
  jpeg_start_decompress(cinfo);
  job->started = true;
  return true;
}

// Decodes the rows of a started tile, output_height of them, stride bytes
// apart from first. Returns false on an error as startJpegDecoder does;
// the rows before the damage are written then.
bool readJpegScanlines(JpegJob *job, uchar *first, qsizetype stride) {
  jpeg_decompress_struct *const cinfo = &job->cinfo;
  job->started = false;
  if (setjmp(job->error.jump)) {
    jpeg_abort_decompress(cinfo);
    return false;
  }
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW row = first + qsizetype(cinfo->output_scanline) * stride;
    // The memory source never suspends; a stall would loop forever.
    if (jpeg_read_scanlines(cinfo, &row, 1) != 1) {
      std::snprintf(job->error.message, sizeof job->error.message,
                    "decoder stalled at row %u", cinfo->output_scanline);
      jpeg_abort_decompress(cinfo);
      return false;
    }
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

[[noreturn]] void throwJpegError(const JpegJob *job) {
  throw TileDecodeError(QStringLiteral("JPEG tile: %1")
                            .arg(QString::fromLocal8Bit(job->error.message)));
}

} // namespace

const TileRows &TileDecoder::readGif(const QByteArray &data) {
  GifSource source{reinterpret_cast<const uchar *>(data.constData()),
                   data.size(), 0};
  int openError = 0;
  GifPtr gif(DGifOpen(&source, readGifBytes, &openError));
  if (!gif)
    throw TileDecodeError(
        QStringLiteral("GIF tile: %1").arg(gifErrorText(openError)));
  if (gif->SWidth > kMaxTileSide || gif->SHeight > kMaxTileSide)
    throwTooLarge("GIF", gif->SWidth, gif->SHeight);

  const int transparent = skipToFirstImage(gif.get());
  if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
    throwGifError(gif.get());

  const GifImageDesc &desc = gif->Image;
  // The image is placed within the logical screen; one that reaches beyond
  // the screen widens the decoded picture rather than being cut.
  const qint64 width =
      std::max<qint64>(gif->SWidth, qint64(desc.Left) + desc.Width);
  const qint64 height =
      std::max<qint64>(gif->SHeight, qint64(desc.Top) + desc.Height);
  if (desc.Width > kMaxTileSide || desc.Height > kMaxTileSide ||
      width > kMaxTileSide || height > kMaxTileSide)
    throwTooLarge("GIF", std::max<qint64>(width, desc.Width),
                  std::max<qint64>(height, desc.Height));

  const ColorMapObject *map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
  if (!map)
    throw TileDecodeError(QStringLiteral("GIF tile has no colour table"));

  // Indices past the table's end show black; the transparent index lets the
  // white background through.
  QRgb *const palette = m_palette;
  std::fill(palette, palette + 256, qRgb(0, 0, 0));
  const int colours = std::min(map->ColorCount, 256);
  for (int i = 0; i < colours; ++i) {
    const GifColorType &c = map->Colors[i];
    palette[i] = qRgb(c.Red, c.Green, c.Blue);
  }
  if (transparent >= 0 && transparent < 256)
    palette[transparent] = qRgb(255, 255, 255);

  // The whole raster in one call: giflib's per-call set-up is paid once.
  const int columns = std::max(desc.Width, 0);
  const int rows = std::max(desc.Height, 0);
  m_raster.resize(size_t(columns) * size_t(rows));
  if (columns > 0 && rows > 0 &&
      DGifGetLine(gif.get(), m_raster.data(), columns * rows) == GIF_ERROR)
    throwGifError(gif.get());

  // Rows of an interlaced image arrive in four passes: every 8th from 0,
  // every 8th from 4, every 4th from 2, every 2nd from 1.
  const int *order = nullptr;
  if (desc.Interlace) {
    static constexpr int Start[] = {0, 4, 2, 1};
    static constexpr int step[] = {8, 8, 4, 2};
    m_order.resize(size_t(rows));
    int streamRow = 0;
    for (int pass = 0; pass < 4; ++pass)
      for (int row = Start[pass]; row < rows; row += step[pass])
        m_order[size_t(row)] = streamRow++;
    order = m_order.data();
  }
  const uchar *planes = nullptr;
  if (usePlanes()) {
    for (int i = 0; i < 256; ++i) {
      m_planes[i] = uchar(qBlue(palette[i]));
      m_planes[256 + i] = uchar(qGreen(palette[i]));
      m_planes[512 + i] = uchar(qRed(palette[i]));
    }
    planes = m_planes;
  }
  for (int i = 0; i < 256; ++i)
    m_rgbTable[i] = quint32(qRed(palette[i])) |
                    quint32(qGreen(palette[i])) << 8 |
                    quint32(qBlue(palette[i])) << 16;
  m_rows = TileRows(m_raster.data(), palette, planes, m_rgbTable, order,
                    QRect(desc.Left, desc.Top, columns, rows),
                    QSize(int(width), int(height)));
  return m_rows;
}

const QImage &TileDecoder::MakePicture(const TileRows &rows, const char *kind) {
  QImage &image = m_image;
  if (!ensureImage(image, rows.width(), rows.height()) && rows.width() > 0 &&
      rows.height() > 0)
    throw TileDecodeError(
        QStringLiteral("%1 tile: out of memory").arg(QLatin1String(kind)));
  for (int y = 0; y < rows.height(); ++y)
    rows.copyRow(y, 0, rows.width(),
                 reinterpret_cast<QRgb *>(image.scanLine(y)));
  return image;
}

const QImage &TileDecoder::decodeGif(const QByteArray &data) {
  return MakePicture(readGif(data), "GIF");
}

const QImage &TileDecoder::decodeJpeg(const QByteArray &data,
                                      QString *warning) {
  return MakePicture(ReadJpeg(data, warning), "JPEG");
}

QSize TileDecoder::startJpeg(const QByteArray &data) {
  if (data.isEmpty())
    throw TileDecodeError(QStringLiteral("JPEG tile: no data"));
  if (!m_jpeg) {
    m_jpeg = std::make_unique<JpegJob>();
    std::memset(&m_jpeg->cinfo, 0, sizeof m_jpeg->cinfo);
    std::memset(&m_jpeg->error, 0, sizeof m_jpeg->error);
  }
  JpegJob *const job = m_jpeg.get();
  job->data = reinterpret_cast<const uchar *>(data.constData());
  job->size = static_cast<unsigned long>(data.size());
  if (!startJpegDecoder(job)) {
    if (job->tooLarge)
      throwTooLarge("JPEG", job->announcedWidth, job->announcedHeight);
    throwJpegError(job);
  }
  return QSize(int(job->cinfo.output_width), int(job->cinfo.output_height));
}

void TileDecoder::readJpegRows(uchar *first, qsizetype stride,
                               QString *warning) {
  JpegJob *const job = m_jpeg.get();
  if (!job || !job->started)
    throw TileDecodeError(QStringLiteral("JPEG tile: not started"));
  if (!readJpegScanlines(job, first, stride))
    throwJpegError(job);
  if (warning)
    *warning = QString::fromLocal8Bit(job->error.warning);
}

const TileRows &TileDecoder::decodeJpegRows(QString *warning) {
  const QSize size = m_jpeg ? QSize(int(m_jpeg->cinfo.output_width),
                                    int(m_jpeg->cinfo.output_height))
                            : QSize();
  const qsizetype stride = qsizetype(size.width()) * 3;
  if (!AllocateJpegRows(m_rgb, stride, size.height()))
    throw TileDecodeError(QStringLiteral("JPEG tile: cannot hold a %1 x %2 "
                                         "image")
                              .arg(size.width())
                              .arg(size.height()));
  readJpegRows(m_rgb.data(), stride, warning);
  m_rows = TileRows(m_rgb.data(), stride, size);
  return m_rows;
}

const TileRows &TileDecoder::ReadJpeg(const QByteArray &data,
                                      QString *warning) {
  startJpeg(data);
  return decodeJpegRows(warning);
}

namespace {

// Clears the warning and tells the formats apart; an empty tile is neither.
bool isGifTile(const QByteArray &data, QString *warning) {
  if (warning)
    warning->clear();
  if (data.isEmpty())
    throw TileDecodeError(QStringLiteral("Empty tile"));
  return data.front() == 'G';
}

} // namespace

const TileRows &TileDecoder::decodeRows(const QByteArray &data,
                                        QString *warning) {
  if (isGifTile(data, warning))
    return readGif(data);
  return ReadJpeg(data, warning);
}

const QImage &TileDecoder::decode(const QByteArray &data, QString *warning) {
  if (isGifTile(data, warning))
    return decodeGif(data);
  return decodeJpeg(data, warning);
}

TileRows::TileRows(const QImage &image)
    : m_pixels(image.constBits()), m_pixelStride(image.bytesPerLine()),
      m_width(image.width()), m_height(image.height()) {}

TileRows::TileRows(const uchar *rgb, qsizetype stride, QSize size)
    : m_rgb(rgb), m_stride(stride), m_width(size.width()),
      m_height(size.height()) {}

TileRows::TileRows(const uchar *raster, const QRgb *palette,
                   const uchar *planes, const quint32 *rgbTable,
                   const int *order, const QRect &placed, QSize size)
    : m_raster(raster), m_palette(palette), m_planes(planes),
      m_rgbTable(rgbTable), m_order(order), m_placed(placed),
      m_width(size.width()), m_height(size.height()) {}

void TileRows::copyRow(int y, int x, int count, QRgb *out) const {
  if (m_pixels) {
    std::memcpy(out, m_pixels + qsizetype(y) * m_pixelStride + x * sizeof(QRgb),
                size_t(count) * sizeof(QRgb));
    return;
  }
  if (m_rgb) {
    WidenRgb(m_rgb + qsizetype(y) * m_stride + qsizetype(x) * 3, out, count);
    return;
  }
  const QRgb white = qRgb(255, 255, 255);
  const int row = y - m_placed.top();
  if (row < 0 || row >= m_placed.height()) {
    std::fill(out, out + count, white);
    return;
  }
  // White left of the image, its colours, white right of it.
  const int end = x + count;
  const int first = std::clamp(m_placed.left(), x, end);
  const int last = std::clamp(m_placed.left() + m_placed.width(), first, end);
  std::fill(out, out + (first - x), white);
  const uchar *in = m_raster +
                    qsizetype(m_order ? m_order[row] : row) * m_placed.width() +
                    (first - m_placed.left());
  mapColoursFast(in, m_palette, m_planes, out + (first - x), last - first);
  std::fill(out + (last - x), out + count, white);
}

void TileRows::copyRowRgb(int y, int x, int count, uchar *out) const {
  if (m_rgb) {
    std::memcpy(out, m_rgb + qsizetype(y) * m_stride + qsizetype(x) * 3,
                size_t(count) * 3);
    return;
  }
  if (m_pixels) {
    NarrowToRgb(reinterpret_cast<const QRgb *>(m_pixels +
                                               qsizetype(y) * m_pixelStride) +
                    x,
                out, count);
    return;
  }
  if (m_rgbTable && !m_planes) {
    // White left of the image, its colours, white right of it.
    const int row = y - m_placed.top();
    const int end = x + count;
    const int first = row < 0 || row >= m_placed.height()
                          ? end
                          : std::clamp(m_placed.left(), x, end);
    const int last =
        first == end
            ? end
            : std::clamp(m_placed.left() + m_placed.width(), first, end);
    std::memset(out, 0xff, size_t(first - x) * 3);
    if (last > first)
      mapColoursToRgb(m_raster +
                          qsizetype(m_order ? m_order[row] : row) *
                              m_placed.width() +
                          (first - m_placed.left()),
                      m_rgbTable, out + qsizetype(first - x) * 3, last - first);
    std::memset(out + qsizetype(last - x) * 3, 0xff, size_t(end - last) * 3);
    return;
  }
  // Colour indices looked up a byte plane at a time: into a short row of
  // pixels, then narrowed.
  constexpr int Chunk = 512;
  QRgb line[Chunk];
  for (int done = 0; done < count; done += Chunk) {
    const int n = std::min(Chunk, count - done);
    copyRow(y, x + done, n, line);
    NarrowToRgb(line, out + qsizetype(done) * 3, n);
  }
}

void widenRgbRow(const uchar *rgb, QRgb *out, int count) {
  WidenRgb(rgb, out, count);
}

void narrowToRgbRow(const QRgb *in, uchar *rgb, int count) {
  NarrowToRgb(in, rgb, count);
}

TileDecoder::TileDecoder() = default;

TileDecoder::~TileDecoder() {
  if (m_jpeg && m_jpeg->created)
    jpeg_destroy_decompress(&m_jpeg->cinfo);
}

QImage decodeTile(const QByteArray &data, QString *warning) {
  TileDecoder decoder;
  return decoder.decode(data, warning);
}

QImage decodeGifTile(const QByteArray &data) {
  TileDecoder decoder;
  return decoder.decodeGif(data);
}

QImage decodeJpegTile(const QByteArray &data, QString *warning) {
  TileDecoder decoder;
  return decoder.decodeJpeg(data, warning);
}
