// End-to-end speed of the TCP link against the least work any
// implementation must do. A phone client in this process floods, in turn,
// a decoding bare server (it decodes each tile with libjpeg-turbo or giflib
// alone, into one reused buffer, then answers) and the program's own
// listener, which decodes every tile into the screen canvas while the
// screen views, shown in a window, repaint. Every tile kind is measured:
// the simulator's small and full-screen GIF and JPEG tiles, and a
// photographic full-screen JPEG (quality 75, 4:2:0, about 6 KB). The phone
// keeps a connection to each and switches between them every few tens of
// milliseconds, so that the machine's drift falls on both alike; the
// link's share of the decoding server is given over the whole run and its
// range over each second. Then the request-to-reply time of GetCommand with an
// empty and a full queue against a bare server's.
//
// Run it under an X server to have the window shown, e.g.
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/bench_tcp
// Without DISPLAY it falls back to the offscreen platform.
//
// Usage: bench_tcp [seconds per tile kind, default 10] [ms per slice,
//                  default 50]
//                  [only this row, e.g. full/photo, for profiling]

#include "LoopbackPhone.h"
#include "app/LinkViewAdapter.h"
#include "common/Paths.h"
#include "link/CommandQueue.h"
#include "link/TcpLink.h"
#include "screen/ActivityIndicator.h"
#include "screen/ScreenCanvas.h"
#include "screen/ScreenView.h"
#include "screen/SkinFile.h"
#include "screen/TileDecoder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtEndian>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <numeric>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <csetjmp>
#include <cstring>
#include <gif_lib.h>
#include <jpeglib.h>

namespace {

const QString kSim = QStringLiteral(QV_BIN_DIR "/phone-sim");

using loopback::readExact;
using loopback::readInt;
using loopback::readReply;

// The libraries alone: a JPEG decompressor kept from tile to tile writing
// 24-bit RGB pixels, a scanline per call, into one buffer (accurate integer
// transform, no block smoothing, fancy upsampling), or giflib reading the
// first image's colour indices line by line into one buffer.
class LibraryDecoder {
public:
  LibraryDecoder() {
    m_cinfo.err = jpeg_std_error(&m_error);
    m_error.error_exit = [](j_common_ptr c) {
      std::longjmp(static_cast<LibraryDecoder *>(c->client_data)->m_jump, 1);
    };
    jpeg_create_decompress(&m_cinfo);
    m_cinfo.client_data = this;
    m_buffer.resize(1024 * 1024 * 4);
  }
  ~LibraryDecoder() { jpeg_destroy_decompress(&m_cinfo); }

  bool decode(const QByteArray &tile) {
    return tile.startsWith('G') ? gif(tile) : Jpeg(tile);
  }

private:
  bool Jpeg(const QByteArray &tile) {
    if (setjmp(m_jump)) {
      jpeg_abort_decompress(&m_cinfo);
      return false;
    }
    jpeg_mem_src(&m_cinfo, reinterpret_cast<const uchar *>(tile.constData()),
                 static_cast<unsigned long>(tile.size()));
    jpeg_read_header(&m_cinfo, TRUE);
    m_cinfo.out_color_space = JCS_RGB;
    m_cinfo.dct_method = JDCT_ISLOW;
    m_cinfo.do_block_smoothing = FALSE;
    jpeg_start_decompress(&m_cinfo);
    const size_t stride = size_t(m_cinfo.output_width) * 3;
    while (m_cinfo.output_scanline < m_cinfo.output_height) {
      JSAMPROW row = m_buffer.data() + m_cinfo.output_scanline * stride;
      jpeg_read_scanlines(&m_cinfo, &row, 1);
    }
    jpeg_finish_decompress(&m_cinfo);
    return true;
  }

  bool gif(const QByteArray &tile) {
    struct Source {
      const QByteArray *data;
      int pos;
    } source{&tile, 0};
    auto read = [](GifFileType *g, GifByteType *out, int n) {
      auto *src = static_cast<Source *>(g->UserData);
      const int count = std::min(n, int(src->data->size()) - src->pos);
      std::memcpy(out, src->data->constData() + src->pos, size_t(count));
      src->pos += count;
      return count;
    };
    int error = 0;
    GifFileType *gif = DGifOpen(&source, read, &error);
    if (!gif)
      return false;
    bool ok = false;
    GifRecordType type;
    while (DGifGetRecordType(gif, &type) == GIF_OK) {
      if (type == EXTENSION_RECORD_TYPE) {
        int code;
        GifByteType *block;
        DGifGetExtension(gif, &code, &block);
        while (block)
          DGifGetExtensionNext(gif, &block);
        continue;
      }
      if (type == IMAGE_DESC_RECORD_TYPE && DGifGetImageDesc(gif) == GIF_OK) {
        ok = true;
        for (int y = 0; ok && y < gif->Image.Height; ++y)
          ok = DGifGetLine(gif, m_buffer.data(), gif->Image.Width) == GIF_OK;
      }
      break;
    }
    DGifCloseFile(gif, &error);
    return ok;
  }

  jpeg_decompress_struct m_cinfo{};
  jpeg_error_mgr m_error{};
  std::jmp_buf m_jump;
  std::vector<uchar> m_buffer;
};

// A server that answers every request with the NOP reply in one write and
// does nothing else: the floor under any link's turnaround. A decoding one
// also decodes each tile with the libraries alone before it answers: the
// lock-step limit measured directly, with whatever this machine adds when
// the phone's side idles for the length of a decode.
class BareServer {
public:
  explicit BareServer(bool decoding = false) : m_decoding(decoding) {
    m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(m_fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    ::listen(m_fd, 4);
    socklen_t len = sizeof a;
    ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&a), &len);
    m_port = ntohs(a.sin_port);
    m_thread = std::thread([this] { serve(); });
  }
  ~BareServer() {
    ::shutdown(m_fd, SHUT_RDWR);
    ::close(m_fd);
    m_thread.join();
  }
  int port() const { return m_port; }

private:
  void serve() {
    for (;;) {
      const int c = ::accept(m_fd, nullptr, nullptr);
      if (c < 0)
        return;
      const int on = 1;
      setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      std::vector<char> data;
      const char nop[8] = {11, 0, 0, 0, 0, 0, 0, 0};
      bool ok = true;
      while (ok) {
        const qint32 code = readInt(c, &ok);
        if (!ok)
          break;
        if (code == 12) {
          char rest[16];
          ok = readExact(c, rest, 16);
        } else if (code == 14) {
          const qint32 l = readInt(c, &ok);
          if (ok && l > 8) {
            char xy[8];
            data.resize(size_t(l));
            ok = readExact(c, xy, 8) && readExact(c, data.data(), size_t(l));
            if (ok && m_decoding)
              ok = m_decoder.decode(QByteArray::fromRawData(data.data(), l));
          }
        } else if (code != 11 && code != 13) {
          break;
        }
        if (ok)
          ok = ::send(c, nop, 8, MSG_NOSIGNAL) == 8;
        if (ok && code == 11)
          readInt(c, &ok);
      }
      ::close(c);
    }
  }
  const bool m_decoding;
  LibraryDecoder m_decoder;
  int m_fd = -1;
  int m_port = 0;
  std::thread m_thread;
};

// The simulator's tile of the size and format, saved by a short flood of
// the bare server.
QByteArray SimulatorTile(int port, const QString &size, const QString &format,
                         const QString &file) {
  QProcess sim;
  sim.start(kSim, {"--host", "127.0.0.1", "--port", QString::number(port),
                   "--flood", "0.1", "--tile", size, "--format", format,
                   "--save-tile", file, "--quiet"});
  sim.waitForFinished(30000);
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Smooth value noise summed over octaves: the soft shapes and fine texture
// of a photograph, which JPEG codes with many more coefficients than a
// rendered screen.
double noise(double x, double y, uint32_t seed) {
  auto hash = [seed](int32_t a, int32_t b) {
    uint32_t h =
        uint32_t(a) * 73856093u ^ uint32_t(b) * 19349663u ^ seed * 83492791u;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return double(h & 0xffff) / 65535.0;
  };
  double sum = 0, amplitude = 0.5, frequency = 1;
  for (int octave = 0; octave < 7; ++octave) {
    const double px = x * frequency, py = y * frequency;
    const int xi = int(std::floor(px)), yi = int(std::floor(py));
    const double fx = px - xi, fy = py - yi;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double top = hash(xi, yi) + (hash(xi + 1, yi) - hash(xi, yi)) * sx;
    const double bottom =
        hash(xi, yi + 1) + (hash(xi + 1, yi + 1) - hash(xi, yi + 1)) * sx;
    sum += amplitude * (top + (bottom - top) * sy);
    amplitude *= 0.5;
    frequency *= 2;
    seed += 1;
  }
  return sum;
}

// A photographic full-screen tile, 178 x 210 with its margin: baseline
// JPEG, quality 75, 4:2:0 (libjpeg's defaults), about 6 KB.
QByteArray photoTile() {
  const int width = ScreenCanvas::kScreenWidth + 2;
  const int height = ScreenCanvas::kScreenHeight + 2;
  std::vector<uchar> rgb(size_t(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) {
        const double gain = c == 0 ? 0.9 : c == 1 ? 1.0 : 0.8;
        const double v = noise(x * 0.04, y * 0.04, uint32_t(c * 100));
        rgb[(size_t(y) * width + x) * 3 + c] =
            uchar(std::clamp(v * gain * 300.0 - 20, 0.0, 255.0));
      }
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr error{};
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  unsigned char *out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = JDIMENSION(width);
  cinfo.image_height = JDIMENSION(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 75, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = &rgb[size_t(cinfo.next_scanline) * width * 3];
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  const QByteArray tile(reinterpret_cast<const char *>(out), qsizetype(size));
  jpeg_destroy_compress(&cinfo);
  std::free(out);
  return tile;
}

// A phone as fast as the wire lets it be, with two connections: one to the
// decoding server, one to the link. It identifies on both, then sends the
// tile at (x, y) again as soon as each reply is in, switching connection
// every sliceMs, for the given time in all, then says goodbye. Slices this
// short put the machine's drift on both sides alike. Runs on a thread of
// its own while the GUI thread runs its event loop.
struct Slices {
  // Per slice pair: tiles/s of the server and of the link.
  std::vector<double> server, link;
  bool ok = false;
};

Slices floodBoth(int serverPort, int linkPort, const QByteArray &tile, int x,
                 int y, double seconds, int sliceMs) {
  Slices result;
  QEventLoop loop;
  std::thread phone([&] {
    const QByteArray auth =
        loopback::authRequest("\x01\x02\x03\x04\x05\x06\x07\x08");
    QByteArray request;
    for (qint32 v : {14, qint32(tile.size()), x, y})
      loopback::appendInt(request, v);
    request.append(tile);
    const int fds[2] = {loopback::connectTo(serverPort),
                        loopback::connectTo(linkPort)};
    bool ok = fds[0] >= 0 && fds[1] >= 0;
    for (int fd : fds)
      ok = ok && loopback::sendAll(fd, auth) && readReply(fd) >= 0;
    QElapsedTimer total;
    total.start();
    for (int pair = 0; ok && total.nsecsElapsed() < qint64(seconds * 1e9);
         ++pair) {
      double rates[2] = {0, 0};
      // The order within a pair alternates too.
      for (int turn = 0; ok && turn < 2; ++turn) {
        const int side = pair % 2 == 0 ? turn : 1 - turn;
        long tiles = 0;
        QElapsedTimer slice;
        slice.start();
        while (ok && slice.nsecsElapsed() < qint64(sliceMs) * 1000000) {
          ok = loopback::sendAll(fds[side], request) &&
               readReply(fds[side]) >= 0;
          ++tiles;
        }
        rates[side] = double(tiles) / (double(slice.nsecsElapsed()) / 1e9);
      }
      if (ok) {
        result.server.push_back(rates[0]);
        result.link.push_back(rates[1]);
      }
    }
    result.ok = ok && !result.link.empty();
    for (int fd : fds)
      if (fd >= 0)
        loopback::sayGoodbye(fd);
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  // The GUI side runs its event loop, idle but for the repaints, as the
  // program's does while a phone floods it.
  loop.exec();
  phone.join();
  return result;
}

// The libraries' median decode time of the tile, in microseconds.
double decodeMicros(const QByteArray &tile, int millis) {
  LibraryDecoder decoder;
  std::vector<double> samples;
  QElapsedTimer total;
  total.start();
  while (total.elapsed() < millis || samples.size() < 50) {
    QElapsedTimer t;
    t.start();
    if (!decoder.decode(tile))
      return 0;
    samples.push_back(double(t.nsecsElapsed()) / 1000.0);
  }
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

struct Latency {
  double median, p99;
};

Latency measurePolls(int port, int count, CommandQueue *fillQueue) {
  const int fd = loopback::connectTo(port);
  if (fd < 0)
    return {0, 0};
  std::vector<double> rtt;
  const char request[4] = {13, 0, 0, 0};
  for (int i = 0; i < count + 200; ++i) {
    if (fillQueue)
      fillQueue->putText("0123456789"); // ten entries, 20 bytes
    QElapsedTimer t;
    t.start();
    ::send(fd, request, 4, MSG_NOSIGNAL);
    if (readReply(fd) < 0)
      break;
    if (i >= 200) // warm-up
      rtt.push_back(double(t.nsecsElapsed()) / 1000.0);
  }
  loopback::sayGoodbye(fd);
  if (rtt.empty())
    return {0, 0};
  std::sort(rtt.begin(), rtt.end());
  return {rtt[rtt.size() / 2], rtt[rtt.size() * 99 / 100]};
}

} // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
      qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const double seconds = argc > 1 ? QByteArray(argv[1]).toDouble() : 10.0;
  const int sliceMs = argc > 2 ? std::max(1, QByteArray(argv[2]).toInt()) : 50;
  const QString onlyRow =
      argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
  QTemporaryDir dir;
  const Paths paths = Paths::forExecutable(dir.filePath("quorvane"));

  ScreenCanvas canvas;
  canvas.resetPictures();
  ActivityIndicator indicator;
  LinkViewAdapter view(canvas, indicator, skinFilePath(paths));
  CommandQueue queue;
  // The GUI side: the real screen views with their paced repaints, in a
  // window that is shown.
  QWidget window;
  auto *screen = new ScreenImage(&canvas, false, &window);
  auto *zoom = new ScreenImage(&canvas, true, &window);
  screen->setGeometry(0, 0, 176, 208);
  zoom->setGeometry(180, 0, 352, 416);
  window.resize(540, 420);
  window.show();
  long repaints = 0;
  QObject::connect(
      &canvas, &ScreenCanvas::changed, &app, [&] { ++repaints; },
      Qt::QueuedConnection);
  connectScreenViews(&canvas, {screen, zoom});

  TcpLink server(view, queue);
  server.open(0);
  BareServer bareServer;
  BareServer decodingServer(true);

  struct Row {
    QString name;
    QByteArray tile;
    int x, y;
  };
  std::vector<Row> rows;
  for (const QString &size : {QStringLiteral("small"), QStringLiteral("full")})
    for (const QString &format :
         {QStringLiteral("jpeg"), QStringLiteral("gif")}) {
      const QByteArray tile = SimulatorTile(bareServer.port(), size, format,
                                            dir.filePath(size + "." + format));
      if (tile.isEmpty()) {
        std::fprintf(stderr, "no %s/%s tile saved by the simulator\n",
                     qPrintable(size), qPrintable(format));
        return 1;
      }
      const bool full = size == "full";
      rows.push_back({size + "/" + format, tile, full ? 0 : 71, full ? 0 : 87});
    }
  rows.push_back({QStringLiteral("full/photo"), photoTile(), 0, 0});

  std::printf("platform: %s; %.0f s per tile kind, the phone switching "
              "between the decoding server and the link every %d ms\n",
              qPrintable(QGuiApplication::platformName()), seconds, sliceMs);
  // share: the link's tiles/s over the decoding server's, over the whole
  // run; range: the least and most of it over each second of the run.
  std::printf("%-11s %6s %8s %9s %9s %7s %s\n", "tile", "bytes", "decode",
              "server/s", "link/s", "share", "range per second");
  for (const Row &row : rows) {
    if (!onlyRow.isEmpty() && onlyRow != row.name)
      continue;
    const double decode = decodeMicros(row.tile, 200);
    const Slices run = floodBoth(decodingServer.port(), server.boundPort(),
                                 row.tile, row.x, row.y, seconds, sliceMs);
    if (decode <= 0 || !run.ok) {
      std::fprintf(stderr, "the tile, the server or the link failed\n");
      return 1;
    }
    const auto mean = [](const std::vector<double> &v, size_t from, size_t to) {
      return std::accumulate(v.begin() + qsizetype(from),
                             v.begin() + qsizetype(to), 0.0) /
             double(to - from);
    };
    const size_t n = run.link.size();
    const double served = mean(run.server, 0, n), linked = mean(run.link, 0, n);
    // Slice pairs grouped into seconds.
    const size_t perSecond = std::max<size_t>(1, size_t(500 / sliceMs));
    double low = 1e9, high = 0;
    for (size_t from = 0; from + perSecond <= n; from += perSecond) {
      const double share = 100.0 * mean(run.link, from, from + perSecond) /
                           mean(run.server, from, from + perSecond);
      low = std::min(low, share);
      high = std::max(high, share);
    }
    std::printf("%-11s %6lld %6.1fus %9.0f %9.0f %6.1f%% %.0f-%.0f%%\n",
                qPrintable(row.name), static_cast<long long>(row.tile.size()),
                decode, served, linked, 100.0 * linked / served, low, high);
    std::fflush(stdout);
  }
  std::printf("(repaint hand-offs on the GUI side: %ld)\n\n", repaints);

  // Latency rounds alternate too; the best p99 of each counts.
  const int polls = 10000;
  Latency bareLat{1e9, 1e9}, empty{1e9, 1e9}, full{1e9, 1e9};
  auto keepBest = [](Latency &best, Latency l) {
    if (l.p99 > 0 && l.p99 < best.p99)
      best = l;
  };
  for (int round = 0; round < 3; ++round) {
    keepBest(bareLat, measurePolls(bareServer.port(), polls, nullptr));
    keepBest(empty, measurePolls(server.boundPort(), polls, nullptr));
    keepBest(full, measurePolls(server.boundPort(), polls, &queue));
  }
  std::printf("GetCommand round trip over %d requests (microseconds)\n", polls);
  std::printf("%-24s %10s %10s\n", "", "median", "p99");
  std::printf("%-24s %10.1f %10.1f\n", "bare server", bareLat.median,
              bareLat.p99);
  std::printf("%-24s %10.1f %10.1f\n", "link, empty queue", empty.median,
              empty.p99);
  std::printf("%-24s %10.1f %10.1f\n", "link, full queue", full.median,
              full.p99);
  std::printf("p99 ratio to bare: empty %.2f, full %.2f\n",
              empty.p99 / bareLat.p99, full.p99 / bareLat.p99);
  server.close();
  return 0;
}
