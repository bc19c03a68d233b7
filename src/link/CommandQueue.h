#pragma once
// The queue of key entries waiting for the phone: two bytes per phone key
// code, scrambled with the phone's identification block. Producers run on
// the GUI thread; the TCP link's connection thread and the serial link drain
// it. Every operation takes the queue's own lock for its duration and
// nothing else: consumers take bytes out in one step and write them after,
// so no I/O ever happens under the lock.
//
// The program makes one queue at start-up and hands it to everything that
// fills or drains it.

#include <QByteArray>
#include <array>
#include <cstdint>
#include <mutex>

using PhoneId = std::array<uint8_t, 8>;

class CommandQueue {
public:
  // Appends the bytes as one block: a consumer sees all of them or none.
  void queueAppend(const QByteArray &bytes);
  void queueClear();
  // Removes the first 20 bytes, keeping the rest in order.
  void queueDropFront();
  void putKeyCode(uint16_t code);
  void putText(const QByteArray &text);

  QByteArray bytes() const;
  qsizetype size() const;

  // Takes at most maxBytes from the front in one locked step.
  QByteArray takeFront(qsizetype maxBytes);
  // Takes everything in one locked step.
  QByteArray takeAll();

  // The last identification block; all zeros until the first.
  PhoneId phoneId() const;
  void setPhoneId(const PhoneId &id);

  // Entry bytes for a key code under the given identification block.
  static std::array<uint8_t, 2> scramble(uint16_t code, const PhoneId &id);

private:
  mutable std::mutex m_lock;
  QByteArray m_bytes;
  PhoneId m_id{};
};
