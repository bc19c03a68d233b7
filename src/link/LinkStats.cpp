#include "link/LinkStats.h"

LinkCounters LinkStats::read() const {
  LinkCounters c;
  c.requests = m_requests.load(std::memory_order_relaxed);
  c.tiles = m_tiles.load(std::memory_order_relaxed);
  c.bytesIn = m_bytesIn.load(std::memory_order_relaxed);
  c.bytesOut = m_bytesOut.load(std::memory_order_relaxed);
  c.roundTripNs = m_roundTripNs.load(std::memory_order_relaxed);
  c.roundTrips = m_roundTrips.load(std::memory_order_relaxed);
  return c;
}

void LinkRateWindow::add(qint64 nowMs, const LinkCounters &counters) {
  m_samples.push_back({nowMs, counters});
  // Keep the newest reading at or before the window's start as the base.
  while (m_samples.size() > 2 && m_samples[1].ms <= nowMs - m_windowMs)
    m_samples.pop_front();
}

LinkRates LinkRateWindow::rates() const {
  LinkRates r;
  if (m_samples.size() < 2)
    return r;
  const Sample &a = m_samples.front();
  const Sample &b = m_samples.back();
  const double seconds = (b.ms - a.ms) / 1000.0;
  if (seconds <= 0)
    return r;
  r.requestsPerSecond = (b.counters.requests - a.counters.requests) / seconds;
  r.tilesPerSecond = (b.counters.tiles - a.counters.tiles) / seconds;
  r.bytesInPerSecond = (b.counters.bytesIn - a.counters.bytesIn) / seconds;
  r.bytesOutPerSecond = (b.counters.bytesOut - a.counters.bytesOut) / seconds;
  const qint64 trips = b.counters.roundTrips - a.counters.roundTrips;
  if (trips > 0)
    r.roundTripMs =
        (b.counters.roundTripNs - a.counters.roundTripNs) / 1e6 / double(trips);
  return r;
}

namespace {

QString bytes(double perSecond) {
  if (perSecond >= 1024 * 1024)
    return QStringLiteral("%1 MB/s").arg(perSecond / (1024 * 1024), 0, 'f', 1);
  if (perSecond >= 1024)
    return QStringLiteral("%1 KB/s").arg(perSecond / 1024, 0, 'f', 1);
  return QStringLiteral("%1 B/s").arg(perSecond, 0, 'f', 0);
}

} // namespace

QString formatLinkRates(const LinkRates &r, const QString &text) {
  const QString trip =
      r.roundTripMs < 0
          ? QStringLiteral("-")
          : QStringLiteral("%1 ms").arg(r.roundTripMs, 0, 'f',
                                        r.roundTripMs < 10 ? 2 : 0);
  return QString(text)
      .arg(r.requestsPerSecond, 0, 'f', 0)
      .arg(r.tilesPerSecond, 0, 'f', 1)
      .arg(bytes(r.bytesInPerSecond), bytes(r.bytesOutPerSecond), trip);
}
