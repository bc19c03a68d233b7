// End-to-end speed of the TCP link: the phone simulator floods the real
// listener, which decodes every tile into the screen canvas while a GUI-side
// loop takes the coalesced repaints. Beside it, in the same run, the limit
// the phone's request/reply rhythm allows: 1 / (decode + the round trip of a
// bare server answering the same bytes). The decode time in that limit is
// the least any decoder must spend: the libraries themselves, decoding into
// buffers that are reused, not the program's own path, measured around each
// round since the machine's speed drifts. Each of five rounds
// floods the bare server and then the link; the share of the limit is given
// as the median of the rounds and their range. Then the request-to-reply
// time of GetCommand with an empty and a full queue against a bare server's.
//
// Usage: bench_tcp [seconds per flood, default 2] [only this row, e.g.
// full/gif, for profiling]

#include "app/LinkViewAdapter.h"
#include "common/Paths.h"
#include "link/CommandQueue.h"
#include "link/TcpLink.h"
#include "screen/ActivityIndicator.h"
#include "screen/ScreenCanvas.h"
#include "screen/ScreenView.h"
#include "screen/TileDecoder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtEndian>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
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

bool readExact(int fd, void *buf, size_t n) {
  char *p = static_cast<char *>(buf);
  while (n > 0) {
    const ssize_t got = ::recv(fd, p, n, 0);
    if (got <= 0)
      return false;
    p += got;
    n -= size_t(got);
  }
  return true;
}

qint32 readInt(int fd, bool *ok) {
  uchar b[4];
  *ok = readExact(fd, b, 4);
  return qFromLittleEndian<qint32>(b);
}

// The libraries alone: a JPEG decompressor kept from tile to tile writing
// 32-bit pixels into one buffer (the program's settings: accurate integer
// transform, fancy upsampling), or giflib reading the first image's colour
// indices line by line into one buffer.
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
    m_cinfo.out_color_space = JCS_EXT_BGRA;
    m_cinfo.dct_method = JDCT_ISLOW;
    m_cinfo.do_block_smoothing = FALSE;
    jpeg_start_decompress(&m_cinfo);
    const size_t stride = size_t(m_cinfo.output_width) * 4;
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

double flood(int port, const QString &tile, const QString &format,
             double seconds, const QString &saveTile = QString()) {
  QProcess sim;
  QStringList args = {"--host",   "127.0.0.1",
                      "--port",   QString::number(port),
                      "--flood",  QString::number(seconds),
                      "--tile",   tile,
                      "--format", format,
                      "--quiet"};
  if (!saveTile.isEmpty())
    args << "--save-tile" << saveTile;
  // The GUI side runs its event loop, idle but for the repaints, as the
  // program's does while the simulator floods.
  QEventLoop loop;
  QObject::connect(&sim, &QProcess::finished, &loop, &QEventLoop::quit);
  QObject::connect(&sim, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
  QTimer::singleShot(60000, &loop, &QEventLoop::quit);
  sim.start(kSim, args);
  loop.exec();
  sim.waitForFinished(1000);
  const QByteArray out = sim.readAllStandardOutput();
  for (const QByteArray &line : out.split('\n'))
    if (line.startsWith("tiles/s:"))
      return line.mid(8).trimmed().toDouble();
  std::fprintf(stderr, "simulator said: %s %s\n", out.constData(),
               sim.readAllStandardError().constData());
  return 0;
}

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

Latency polls(int port, int count, CommandQueue *fillQueue) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(uint16_t(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0)
    return {0, 0};
  std::vector<double> rtt;
  const char request[4] = {13, 0, 0, 0};
  for (int i = 0; i < count + 200; ++i) {
    if (fillQueue)
      fillQueue->putText("0123456789"); // ten entries, 20 bytes
    QElapsedTimer t;
    t.start();
    ::send(fd, request, 4, MSG_NOSIGNAL);
    bool ok = true;
    const qint32 code = readInt(fd, &ok);
    const qint32 n = readInt(fd, &ok);
    if (ok && code == 13 && n > 0) {
      std::vector<char> bytes(static_cast<size_t>(n));
      ok = readExact(fd, bytes.data(), size_t(n));
    }
    if (!ok)
      break;
    if (i >= 200) // warm-up
      rtt.push_back(double(t.nsecsElapsed()) / 1000.0);
  }
  const char discon[4] = {15, 0, 0, 0};
  ::send(fd, discon, 4, MSG_NOSIGNAL);
  ::close(fd);
  if (rtt.empty())
    return {0, 0};
  std::sort(rtt.begin(), rtt.end());
  return {rtt[rtt.size() / 2], rtt[rtt.size() * 99 / 100]};
}

} // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const double seconds = argc > 1 ? QByteArray(argv[1]).toDouble() : 2.0;
  const QString onlyRow =
      argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
  QTemporaryDir dir;
  setExePath(dir.filePath("quorvane"));

  ScreenCanvas canvas;
  canvas.resetPictures();
  ActivityIndicator indicator;
  LinkViewAdapter view(canvas, indicator);
  CommandQueue queue;
  // The GUI side: the real screen views with their paced repaints.
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

  // Bare server and link alternate, five rounds each; the median round's
  // share and the range are given: the machine is shared and noisy.
  // limit/s: 1 / (decode + bare round trip); server/s: the decoding bare
  // server; share: link/s of limit/s; of server: link/s of server/s.
  std::printf("%-10s %8s %8s %8s %8s %8s %6s %-8s %6s %s\n", "tile", "decode",
              "bare/s", "limit/s", "server/s", "link/s", "share", "range",
              "of srv", "range");
  for (const QString &size :
       {QStringLiteral("small"), QStringLiteral("full")}) {
    for (const QString &format :
         {QStringLiteral("jpeg"), QStringLiteral("gif")}) {
      if (!onlyRow.isEmpty() && onlyRow != size + "/" + format)
        continue;
      const QString tileFile = dir.filePath(size + "." + format);
      // The simulator's tile, saved by a short flood of the bare server.
      flood(bareServer.port(), size, format, 0.2, tileFile);
      QFile f(tileFile);
      if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "no tile saved by the simulator\n");
        return 1;
      }
      const QByteArray tile = f.readAll();
      // The machine's speed drifts from minute to minute, so each round
      // measures its own decode time, on both sides of its two floods, and
      // its share is taken against its own limit.
      std::vector<double> bare, decoding, link, decode, shares, limits,
          ofServer;
      for (int round = 0; round < 5; ++round) {
        const double before = decodeMicros(tile, 200);
        bare.push_back(flood(bareServer.port(), size, format, seconds));
        decoding.push_back(flood(decodingServer.port(), size, format, seconds));
        link.push_back(flood(server.boundPort(), size, format, seconds));
        decode.push_back((before + decodeMicros(tile, 200)) / 2);
        if (decode.back() <= 0 || bare.back() <= 0 || decoding.back() <= 0) {
          std::fprintf(stderr, "the tile or a bare server failed\n");
          return 1;
        }
        limits.push_back(1.0 / (decode.back() / 1e6 + 1.0 / bare.back()));
        shares.push_back(100.0 * link.back() / limits.back());
        ofServer.push_back(100.0 * link.back() / decoding.back());
      }
      auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
      };
      auto range = [](const std::vector<double> &v) {
        const auto [low, high] = std::minmax_element(v.begin(), v.end());
        return QByteArray::number(*low, 'f', 0) + "-" +
               QByteArray::number(*high, 'f', 0) + "%";
      };
      std::printf(
          "%-10s %8.1f %8.0f %8.0f %8.0f %8.0f %5.0f%% %-8s %5.0f%% %s\n",
          qPrintable(size + "/" + format), median(decode), median(bare),
          median(limits), median(decoding), median(link), median(shares),
          range(shares).constData(), median(ofServer),
          range(ofServer).constData());
    }
  }
  std::printf("(paced repaints on the GUI side: %ld)\n\n", repaints);

  // Latency rounds alternate too; the best p99 of each counts.
  const int polls = 10000;
  Latency bareLat{1e9, 1e9}, empty{1e9, 1e9}, full{1e9, 1e9};
  auto keepBest = [](Latency &best, Latency l) {
    if (l.p99 > 0 && l.p99 < best.p99)
      best = l;
  };
  for (int round = 0; round < 3; ++round) {
    keepBest(bareLat, polls(bareServer.port(), polls, nullptr));
    keepBest(empty, polls(server.boundPort(), polls, nullptr));
    keepBest(full, polls(server.boundPort(), polls, &queue));
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
