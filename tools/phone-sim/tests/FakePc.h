#pragma once
// An in-memory PC for session tests: a Transport that parses what the phone
// writes, in either wire format, and answers like the PC would. Replies are
// handed out a few bytes per read, so the phone's parser sees split reads.

#include "Bytes.h"
#include "Transport.h"
#include "Wire.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>
#include <thread>

struct PcRequest {
  int code = 0;
  QByteArray id;  // GetAuth
  int length = 0; // GetScreen
  int x = 0, y = 0;
  QByteArray tile;
};

class FakePc : public phonesim::Transport {
public:
  explicit FakePc(bool serial) : m_serial(serial) {}

  // Decides the reply to a request; returns the bytes to send, possibly
  // empty (no reply) or several replies at once.
  std::function<QByteArray(const PcRequest &, int index)> responder;
  int chunk = 3;

  QByteArray nopReply() const {
    return m_serial ? bytes({11, 0, 0, 0, 0, 0, 0, 0, '^'})
                    : bytes({11, 0, 0, 0, 0, 0, 0, 0});
  }
  QByteArray commandReply(const phonesim::IdBlock &id,
                          std::initializer_list<int> codes) const {
    QByteArray payload;
    for (int c : codes) {
      const auto e = phonesim::KeyDescrambler::encode(id, c);
      payload.append(char(e[0])).append(char(e[1]));
    }
    QByteArray out = le32(13) + le32(payload.size()) + payload;
    if (m_serial)
      out.append('^');
    return out;
  }

  bool writeAll(const QByteArray &data) override {
    if (m_closed)
      return false;
    m_written += data;
    m_inbox += data;
    parse();
    return true;
  }

  int read(char *buffer, int size, int timeoutMs) override {
    if (!m_outbox.isEmpty()) {
      const int n = std::min<int>({size, chunk, int(m_outbox.size())});
      memcpy(buffer, m_outbox.constData(), n);
      m_outbox.remove(0, n);
      return n;
    }
    if (m_closed)
      return -1;
    std::this_thread::sleep_for(
        std::chrono::milliseconds(std::min(timeoutMs, 2)));
    return 0;
  }

  QString errorText() const override { return QStringLiteral("closed"); }

  void close() { m_closed = true; }

  std::vector<PcRequest> requests;
  // Trailing NOP values that arrived before the phone had read the reply.
  int earlyTrailers = 0;
  QByteArray written() const { return m_written; }
  QByteArray unparsed() const { return m_inbox; }

private:
  void Reply(const PcRequest &r) {
    requests.push_back(r);
    const int index = int(requests.size()) - 1;
    m_outbox += responder ? responder(r, index) : nopReply();
  }

  void parse() {
    for (;;) {
      if (m_expectTrailer) {
        if (m_inbox.size() < 4)
          return;
        if (!m_outbox.isEmpty())
          ++earlyTrailers;
        m_inbox.remove(0, 4);
        m_expectTrailer = false;
        continue;
      }
      if (m_inbox.size() < 4)
        return;
      PcRequest r;
      r.code = readLe32(m_inbox, 0);
      qsizetype used = 4;
      switch (r.code) {
      case 11:
        if (m_serial) {
          if (m_inbox.size() < 8)
            return;
          used = 8;
        } else {
          m_expectTrailer = true;
        }
        break;
      case 12:
        if (m_inbox.size() < 20)
          return;
        r.id = m_inbox.mid(12, 8);
        used = 20;
        break;
      case 13:
      case 15:
        break;
      case 14:
        if (m_inbox.size() < 8)
          return;
        r.length = readLe32(m_inbox, 4);
        if (r.length > 8 || m_serial) {
          if (m_inbox.size() < 16 + r.length)
            return;
          r.x = readLe32(m_inbox, 8);
          r.y = readLe32(m_inbox, 12);
          r.tile = m_inbox.mid(16, r.length);
          used = 16 + r.length;
        } else {
          used = 8;
        }
        break;
      default:
        ADD_FAILURE() << "unknown request code " << r.code;
        m_inbox.clear();
        return;
      }
      m_inbox.remove(0, used);
      if (r.code == 15) {
        requests.push_back(r);
        m_closed = true;
        continue;
      }
      Reply(r);
    }
  }

  bool m_serial;
  bool m_closed = false;
  bool m_expectTrailer = false;
  QByteArray m_inbox;
  QByteArray m_outbox;
  QByteArray m_written;
};
