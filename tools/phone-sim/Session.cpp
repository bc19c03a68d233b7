#include "Session.h"

#include "Log.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace phonesim {

namespace {
using SteadyClock = std::chrono::steady_clock;

long long msSince(SteadyClock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             SteadyClock::now() - t)
      .count();
}
} // namespace

Session::Session(Transport &transport, Wire &wire, PhoneUi &ui,
                 const SessionOptions &options)
    : m_transport(transport), m_wire(wire), m_ui(ui), m_options(options),
      m_descrambler(options.id),
      m_clock([] { return QDateTime::currentDateTime(); }) {}

const char *Session::resultName(Result r) {
  switch (r) {
  case Result::Ok:
    return "ok";
  case Result::Stopped:
    return "stopped";
  case Result::KeysDone:
    return "keys done";
  case Result::Closed:
    return "closed";
  case Result::PeerDiscon:
    return "disconnected by the PC";
  case Result::ProtocolError:
    return "protocol error";
  case Result::IoError:
    return "I/O error";
  }
  return "?";
}

Session::Result Session::send(const QByteArray &data) {
  if (data.isEmpty())
    return Result::Ok;
  if (!m_transport.writeAll(data)) {
    m_error = m_transport.errorText();
    return Result::IoError;
  }
  return Result::Ok;
}

Session::Result Session::handleReply(const Reply &reply) {
  ++m_replies;
  switch (reply.kind) {
  case Reply::Kind::Nop:
    logDebug(QStringLiteral("reply: NOP"));
    return Result::Ok;
  case Reply::Kind::Discon:
    logDebug(QStringLiteral("reply: Discon"));
    m_peerDiscon = true;
    return Result::PeerDiscon;
  case Reply::Kind::Commands:
    break;
  }
  logDebug(QStringLiteral("reply: %1 command bytes").arg(reply.payload.size()));
  for (int code : m_descrambler.feed(reply.payload)) {
    if (m_keysDone)
      break;
    ++m_keys;
    logDebug(QStringLiteral("key %1").arg(code));
    if (m_keyObserver)
      m_keyObserver(code);
    if (m_ui.handleKey(code))
      m_uiDirty = true;
    if (m_options.exitAfterKeys > 0 && m_keys >= m_options.exitAfterKeys)
      m_keysDone = true;
  }
  return Result::Ok;
}

// Handles every complete reply already received.
Session::Result Session::takeReplies(bool *gotOne) {
  Reply reply;
  for (;;) {
    switch (m_wire.next(reply)) {
    case Wire::Status::NeedMore:
      return Result::Ok;
    case Wire::Status::Error:
      m_error = m_wire.errorText();
      return Result::ProtocolError;
    case Wire::Status::Reply:
      *gotOne = true;
      if (const Result r = handleReply(reply); r != Result::Ok)
        return r;
      break;
    }
  }
}

// Waits for at least one reply. Over a serial line, silence of
// replyTimeoutMs brings a fresh NOP, and the PC's own silence rule may add
// replies nobody asked for: all of them are taken. timeoutMs < 0 waits
// without limit.
Session::Result Session::awaitReply(int timeoutMs, bool *timedOut) {
  *timedOut = false;
  const auto start = SteadyClock::now();
  auto lastSend = start;
  auto stopSeen = SteadyClock::time_point();
  bool stopping = false;
  bool got = false;
  char buffer[65536];
  for (;;) {
    if (const Result r = takeReplies(&got); r != Result::Ok)
      return r;
    if (got) {
      // On a serial line, take whatever else is already there without
      // waiting; over TCP exactly one reply answers each request.
      const int n =
          m_wire.isSerial() ? m_transport.read(buffer, sizeof buffer, 0) : 0;
      if (n > 0) {
        m_wire.feed(buffer, n);
        continue;
      }
      return Result::Ok;
    }
    if (!stopping && stopRequested()) {
      stopping = true;
      stopSeen = SteadyClock::now();
    }
    if (stopping && msSince(stopSeen) >= m_options.stopGraceMs)
      return Result::Stopped;
    if (timeoutMs >= 0 && msSince(start) >= timeoutMs) {
      *timedOut = true;
      return Result::Ok;
    }
    if (m_wire.isSerial() && !stopping &&
        msSince(lastSend) >= m_options.replyTimeoutMs) {
      logDebug(QStringLiteral("no reply, sending NOP again"));
      if (const Result r = send(m_wire.nopRequest()); r != Result::Ok)
        return r;
      lastSend = SteadyClock::now();
    }
    const int n = m_transport.read(buffer, sizeof buffer, 100);
    if (n < 0) {
      m_error = m_transport.errorText();
      return Result::Closed;
    }
    if (n > 0)
      m_wire.feed(buffer, n);
  }
}

Session::Result Session::exchange(const QByteArray &request,
                                  const QByteArray &trailer) {
  if (const Result r = send(request); r != Result::Ok)
    return r;
  m_pendingTrailer = trailer;
  bool timedOut = false;
  const Result r = awaitReply(-1, &timedOut);
  if (r != Result::Ok && r != Result::PeerDiscon)
    return r;
  if (const Result w = send(m_pendingTrailer); w != Result::Ok)
    return w;
  m_pendingTrailer.clear();
  if (r == Result::PeerDiscon)
    return r;
  return m_keysDone ? Result::KeysDone : Result::Ok;
}

Session::Result Session::authenticate() {
  logInfo(QStringLiteral("identifying as %1 (model %2)")
              .arg(m_options.id.toHex(), m_options.id.modelCode()));
  if (!m_wire.isSerial())
    return exchange(m_wire.authRequest(m_options.id));

  // A serial peer may not be listening yet: repeat until it answers.
  for (;;) {
    if (stopRequested())
      return Result::Stopped;
    if (!m_transport.peerPresent()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      continue;
    }
    if (const Result r = send(m_wire.authRequest(m_options.id));
        r != Result::Ok)
      return r;
    bool timedOut = false;
    const Result r = awaitReply(m_options.authRetryMs, &timedOut);
    if (r != Result::Ok || !timedOut)
      return r == Result::Ok && m_keysDone ? Result::KeysDone : r;
    logDebug(QStringLiteral("no answer to the identification yet"));
  }
}

Session::Result Session::sendScreenChanges() {
  if (m_ui.setClock(m_clock()))
    m_uiDirty = true;
  if (!m_uiDirty && !m_lastSent.isNull())
    return Result::Ok;
  const QImage frame = m_ui.render();
  m_uiDirty = false;
  const QList<Tile> tiles = m_encoder.encodeChanges(m_lastSent, frame);
  m_lastSent = frame;
  for (const Tile &tile : tiles) {
    logDebug(QStringLiteral("tile %1x%2 at %3,%4: %5 bytes %6")
                 .arg(tile.area.width())
                 .arg(tile.area.height())
                 .arg(tile.area.x())
                 .arg(tile.area.y())
                 .arg(tile.data.size())
                 .arg(tile.data.startsWith('G') ? "GIF" : "JPEG"));
    const Result r =
        exchange(m_wire.screenRequest(tile.area.x(), tile.area.y(), tile.data));
    if (r != Result::Ok)
      return r;
  }
  return Result::Ok;
}

Session::Result Session::poll() {
  ++m_polls;
  if (m_options.nopEvery > 0 && m_polls % m_options.nopEvery == 0)
    return exchange(m_wire.nopRequest(), m_wire.nopTrailer());
  return exchange(m_wire.pollRequest());
}

// Waits between polls, still taking in anything the PC sends on its own.
Session::Result Session::idle(int ms) {
  const auto start = SteadyClock::now();
  char buffer[65536];
  bool got = false;
  while (!stopRequested()) {
    const long long left = ms - msSince(start);
    if (left <= 0)
      break;
    const int n = m_transport.read(buffer, sizeof buffer,
                                   static_cast<int>(std::min(left, 100LL)));
    if (n < 0) {
      m_error = m_transport.errorText();
      return Result::Closed;
    }
    if (n > 0) {
      m_wire.feed(buffer, n);
      if (const Result r = takeReplies(&got); r != Result::Ok)
        return r;
      if (m_keysDone)
        return Result::KeysDone;
      if (m_uiDirty)
        break;
    }
  }
  return Result::Ok;
}

Session::Result Session::run() {
  m_wire.reset();
  m_lastSent = QImage();
  m_uiDirty = true;
  Result r = authenticate();
  while (r == Result::Ok) {
    if (stopRequested()) {
      r = Result::Stopped;
      break;
    }
    if (m_options.sendScreen) {
      r = sendScreenChanges();
      if (r != Result::Ok)
        break;
    }
    const int keysBefore = m_keys;
    r = poll();
    if (r == Result::Ok && m_keys == keysBefore && !m_uiDirty)
      r = idle(m_options.pollIntervalMs);
  }
  if (r == Result::Stopped || r == Result::KeysDone)
    sayGoodbye();
  return r;
}

void Session::sayGoodbye() {
  // A NOP whose reply never came still owes its trailing value.
  if (!m_pendingTrailer.isEmpty() && send(m_pendingTrailer) != Result::Ok)
    return;
  m_pendingTrailer.clear();
  send(m_wire.disconRequest());
}

Session::Result Session::flood(const Tile &tile, double seconds,
                               long long *tiles, double *elapsed) {
  const QByteArray request =
      m_wire.screenRequest(tile.area.x(), tile.area.y(), tile.data);
  const auto start = SteadyClock::now();
  const auto limit = start + std::chrono::duration_cast<SteadyClock::duration>(
                                 std::chrono::duration<double>(seconds));
  *tiles = 0;
  Result r = Result::Ok;
  while (SteadyClock::now() < limit) {
    if (stopRequested()) {
      r = Result::Stopped;
      break;
    }
    r = exchange(request);
    if (r == Result::KeysDone)
      r = Result::Ok;
    if (r != Result::Ok)
      break;
    ++*tiles;
  }
  *elapsed = std::chrono::duration<double>(SteadyClock::now() - start).count();
  return r;
}

Session::Result Session::pollBench(int count, std::vector<double> *roundTrips) {
  const QByteArray request = m_wire.pollRequest();
  roundTrips->clear();
  roundTrips->reserve(count);
  for (int i = 0; i < count; ++i) {
    if (stopRequested())
      return Result::Stopped;
    const auto t0 = SteadyClock::now();
    Result r = exchange(request);
    if (r == Result::KeysDone)
      r = Result::Ok;
    if (r != Result::Ok)
      return r;
    roundTrips->push_back(
        std::chrono::duration<double, std::micro>(SteadyClock::now() - t0)
            .count());
  }
  return Result::Ok;
}

double percentile(std::vector<double> samples, double share) {
  if (samples.empty())
    return 0;
  std::sort(samples.begin(), samples.end());
  // Nearest rank: the smallest value with at least 'share' of the samples
  // at or below it.
  const auto rank = static_cast<size_t>(
      std::ceil(std::clamp(share, 0.0, 1.0) * samples.size()));
  return samples[rank == 0 ? 0 : rank - 1];
}

} // namespace phonesim
