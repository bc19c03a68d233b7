#include "Session.h"

#include "Log.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace phonesim {

namespace {
using SteadyClock = std::chrono::steady_clock;

long long MsSince(SteadyClock::time_point t) {
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

const char *Session::ResultName(Result r) {
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

Session::Result Session::Send(const QByteArray &data) {
  if (data.isEmpty())
    return Result::Ok;
  if (!m_transport.WriteAll(data)) {
    m_error = m_transport.ErrorText();
    return Result::IoError;
  }
  return Result::Ok;
}

Session::Result Session::HandleReply(const Reply &reply) {
  ++m_replies;
  switch (reply.kind) {
  case Reply::Kind::Nop:
    LogDebug(QStringLiteral("reply: NOP"));
    return Result::Ok;
  case Reply::Kind::Discon:
    LogDebug(QStringLiteral("reply: Discon"));
    m_peerDiscon = true;
    return Result::PeerDiscon;
  case Reply::Kind::Commands:
    break;
  }
  LogDebug(QStringLiteral("reply: %1 command bytes").arg(reply.payload.size()));
  for (int code : m_descrambler.Feed(reply.payload)) {
    if (m_keysDone)
      break;
    ++m_keys;
    LogDebug(QStringLiteral("key %1").arg(code));
    if (m_keyObserver)
      m_keyObserver(code);
    if (m_ui.HandleKey(code))
      m_uiDirty = true;
    if (m_options.exitAfterKeys > 0 && m_keys >= m_options.exitAfterKeys)
      m_keysDone = true;
  }
  return Result::Ok;
}

// Handles every complete reply already received.
Session::Result Session::TakeReplies(bool *gotOne) {
  Reply reply;
  for (;;) {
    switch (m_wire.Next(reply)) {
    case Wire::Status::NeedMore:
      return Result::Ok;
    case Wire::Status::Error:
      m_error = m_wire.ErrorText();
      return Result::ProtocolError;
    case Wire::Status::Reply:
      *gotOne = true;
      if (const Result r = HandleReply(reply); r != Result::Ok)
        return r;
      break;
    }
  }
}

// Waits for at least one reply. Over a serial line, silence of
// replyTimeoutMs brings a fresh NOP, and the PC's own silence rule may add
// replies nobody asked for: all of them are taken. timeoutMs < 0 waits
// without limit.
Session::Result Session::AwaitReply(int timeoutMs, bool *timedOut) {
  *timedOut = false;
  const auto start = SteadyClock::now();
  auto lastSend = start;
  auto stopSeen = SteadyClock::time_point();
  bool stopping = false;
  bool got = false;
  char buffer[65536];
  for (;;) {
    if (const Result r = TakeReplies(&got); r != Result::Ok)
      return r;
    if (got) {
      // On a serial line, take whatever else is already there without
      // waiting; over TCP exactly one reply answers each request.
      const int n =
          m_wire.IsSerial() ? m_transport.Read(buffer, sizeof buffer, 0) : 0;
      if (n > 0) {
        m_wire.Feed(buffer, n);
        continue;
      }
      return Result::Ok;
    }
    if (!stopping && StopRequested()) {
      stopping = true;
      stopSeen = SteadyClock::now();
    }
    if (stopping && MsSince(stopSeen) >= m_options.stopGraceMs)
      return Result::Stopped;
    if (timeoutMs >= 0 && MsSince(start) >= timeoutMs) {
      *timedOut = true;
      return Result::Ok;
    }
    if (m_wire.IsSerial() && !stopping &&
        MsSince(lastSend) >= m_options.replyTimeoutMs) {
      LogDebug(QStringLiteral("no reply, sending NOP again"));
      if (const Result r = Send(m_wire.NopRequest()); r != Result::Ok)
        return r;
      lastSend = SteadyClock::now();
    }
    const int n = m_transport.Read(buffer, sizeof buffer, 100);
    if (n < 0) {
      m_error = m_transport.ErrorText();
      return Result::Closed;
    }
    if (n > 0)
      m_wire.Feed(buffer, n);
  }
}

Session::Result Session::Exchange(const QByteArray &request,
                                  const QByteArray &trailer) {
  if (const Result r = Send(request); r != Result::Ok)
    return r;
  m_pendingTrailer = trailer;
  bool timedOut = false;
  const Result r = AwaitReply(-1, &timedOut);
  if (r != Result::Ok && r != Result::PeerDiscon)
    return r;
  if (const Result w = Send(m_pendingTrailer); w != Result::Ok)
    return w;
  m_pendingTrailer.clear();
  if (r == Result::PeerDiscon)
    return r;
  return m_keysDone ? Result::KeysDone : Result::Ok;
}

Session::Result Session::Authenticate() {
  LogInfo(QStringLiteral("identifying as %1 (model %2)")
              .arg(m_options.id.ToHex(), m_options.id.ModelCode()));
  if (!m_wire.IsSerial())
    return Exchange(m_wire.AuthRequest(m_options.id));

  // A serial peer may not be listening yet: repeat until it answers.
  for (;;) {
    if (StopRequested())
      return Result::Stopped;
    if (!m_transport.PeerPresent()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      continue;
    }
    if (const Result r = Send(m_wire.AuthRequest(m_options.id));
        r != Result::Ok)
      return r;
    bool timedOut = false;
    const Result r = AwaitReply(m_options.authRetryMs, &timedOut);
    if (r != Result::Ok || !timedOut)
      return r == Result::Ok && m_keysDone ? Result::KeysDone : r;
    LogDebug(QStringLiteral("no answer to the identification yet"));
  }
}

Session::Result Session::SendScreenChanges() {
  if (m_ui.SetClock(m_clock()))
    m_uiDirty = true;
  if (!m_uiDirty && !m_lastSent.isNull())
    return Result::Ok;
  const QImage frame = m_ui.Render();
  m_uiDirty = false;
  const QList<Tile> tiles = m_encoder.EncodeChanges(m_lastSent, frame);
  m_lastSent = frame;
  for (const Tile &tile : tiles) {
    LogDebug(QStringLiteral("tile %1x%2 at %3,%4: %5 bytes %6")
                 .arg(tile.area.width())
                 .arg(tile.area.height())
                 .arg(tile.area.x())
                 .arg(tile.area.y())
                 .arg(tile.data.size())
                 .arg(tile.data.startsWith('G') ? "GIF" : "JPEG"));
    const Result r =
        Exchange(m_wire.ScreenRequest(tile.area.x(), tile.area.y(), tile.data));
    if (r != Result::Ok)
      return r;
  }
  return Result::Ok;
}

Session::Result Session::Poll() {
  ++m_polls;
  if (m_options.nopEvery > 0 && m_polls % m_options.nopEvery == 0)
    return Exchange(m_wire.NopRequest(), m_wire.NopTrailer());
  return Exchange(m_wire.PollRequest());
}

// Waits between polls, still taking in anything the PC sends on its own.
Session::Result Session::Idle(int ms) {
  const auto start = SteadyClock::now();
  char buffer[65536];
  bool got = false;
  while (!StopRequested()) {
    const long long left = ms - MsSince(start);
    if (left <= 0)
      break;
    const int n = m_transport.Read(buffer, sizeof buffer,
                                   static_cast<int>(std::min(left, 100LL)));
    if (n < 0) {
      m_error = m_transport.ErrorText();
      return Result::Closed;
    }
    if (n > 0) {
      m_wire.Feed(buffer, n);
      if (const Result r = TakeReplies(&got); r != Result::Ok)
        return r;
      if (m_keysDone)
        return Result::KeysDone;
      if (m_uiDirty)
        break;
    }
  }
  return Result::Ok;
}

Session::Result Session::Run() {
  m_wire.Reset();
  m_lastSent = QImage();
  m_uiDirty = true;
  Result r = Authenticate();
  while (r == Result::Ok) {
    if (StopRequested()) {
      r = Result::Stopped;
      break;
    }
    if (m_options.sendScreen) {
      r = SendScreenChanges();
      if (r != Result::Ok)
        break;
    }
    const int keysBefore = m_keys;
    r = Poll();
    if (r == Result::Ok && m_keys == keysBefore && !m_uiDirty)
      r = Idle(m_options.pollIntervalMs);
  }
  if (r == Result::Stopped || r == Result::KeysDone)
    SayGoodbye();
  return r;
}

void Session::SayGoodbye() {
  // A NOP whose reply never came still owes its trailing value.
  if (!m_pendingTrailer.isEmpty() && Send(m_pendingTrailer) != Result::Ok)
    return;
  m_pendingTrailer.clear();
  Send(m_wire.DisconRequest());
}

Session::Result Session::Flood(const Tile &tile, double seconds,
                               long long *tiles, double *elapsed) {
  const QByteArray request =
      m_wire.ScreenRequest(tile.area.x(), tile.area.y(), tile.data);
  const auto start = SteadyClock::now();
  const auto limit = start + std::chrono::duration_cast<SteadyClock::duration>(
                                 std::chrono::duration<double>(seconds));
  *tiles = 0;
  Result r = Result::Ok;
  while (SteadyClock::now() < limit) {
    if (StopRequested()) {
      r = Result::Stopped;
      break;
    }
    r = Exchange(request);
    if (r == Result::KeysDone)
      r = Result::Ok;
    if (r != Result::Ok)
      break;
    ++*tiles;
  }
  *elapsed = std::chrono::duration<double>(SteadyClock::now() - start).count();
  return r;
}

Session::Result Session::PollBench(int count, std::vector<double> *roundTrips) {
  const QByteArray request = m_wire.PollRequest();
  roundTrips->clear();
  roundTrips->reserve(count);
  for (int i = 0; i < count; ++i) {
    if (StopRequested())
      return Result::Stopped;
    const auto t0 = SteadyClock::now();
    Result r = Exchange(request);
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

double Percentile(std::vector<double> samples, double share) {
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
