#pragma once
// Counters of the open link, bumped by the link's thread with relaxed
// atomics (no lock, no allocation) and read by a GUI timer, which turns two
// readings into rates.

#include <QString>
#include <QtGlobal>
#include <atomic>
#include <deque>

struct LinkCounters {
  qint64 requests = 0;
  qint64 tiles = 0;
  qint64 bytesIn = 0;
  qint64 bytesOut = 0;
  // Time from a reply to the next request, summed over roundTrips gaps.
  qint64 roundTripNs = 0;
  qint64 roundTrips = 0;
};

class LinkStats {
public:
  void countRequest() { m_requests.fetch_add(1, std::memory_order_relaxed); }
  void countTile() { m_tiles.fetch_add(1, std::memory_order_relaxed); }
  void countIn(qint64 bytes) {
    m_bytesIn.fetch_add(bytes, std::memory_order_relaxed);
  }
  void countOut(qint64 bytes) {
    m_bytesOut.fetch_add(bytes, std::memory_order_relaxed);
  }
  void countRoundTrip(qint64 ns) {
    m_roundTripNs.fetch_add(ns, std::memory_order_relaxed);
    m_roundTrips.fetch_add(1, std::memory_order_relaxed);
  }
  LinkCounters read() const;

private:
  std::atomic<qint64> m_requests{0}, m_tiles{0}, m_bytesIn{0}, m_bytesOut{0},
      m_roundTripNs{0}, m_roundTrips{0};
};

// Rates over a sliding window of readings taken at known times.
struct LinkRates {
  double requestsPerSecond = 0;
  double tilesPerSecond = 0;
  double bytesInPerSecond = 0;
  double bytesOutPerSecond = 0;
  double roundTripMs = -1; // -1: no reply was followed by a request
};

class LinkRateWindow {
public:
  explicit LinkRateWindow(qint64 windowMs = 5000) : m_windowMs(windowMs) {}
  // A reading at nowMs (any steady clock); readings older than the window
  // before the newest are dropped, keeping one to measure from.
  void add(qint64 nowMs, const LinkCounters &counters);
  // Rates between the oldest and the newest reading kept; zeros when there
  // are fewer than two.
  LinkRates rates() const;
  void clear() { m_samples.clear(); }

private:
  struct Sample {
    qint64 ms;
    LinkCounters counters;
  };
  qint64 m_windowMs;
  std::deque<Sample> m_samples;
};

// The figures as the LED's tooltip shows them: text with %1 requests/s,
// %2 tiles/s, %3 bytes/s in, %4 bytes/s out and %5 the round trip filled
// in. The window gives the text in the user's language.
QString formatLinkRates(const LinkRates &rates, const QString &text);
