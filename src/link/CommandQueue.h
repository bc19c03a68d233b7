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

using TPhoneId = std::array<uint8_t, 8>;

class TCommandQueue {
public:
  // Appends the bytes as one block: a consumer sees all of them or none.
  void QueueAppend(const QByteArray &bytes);
  void QueueClear();
  // Removes the first 20 bytes, keeping the rest in order.
  void QueueDropFront();
  void PutKeyCode(uint16_t code);
  void PutText(const QByteArray &text);

  QByteArray Bytes() const;
  qsizetype Size() const;

  // Takes at most maxBytes from the front in one locked step.
  QByteArray TakeFront(qsizetype maxBytes);
  // Takes everything in one locked step.
  QByteArray TakeAll();

  // The last identification block; all zeros until the first.
  TPhoneId PhoneId() const;
  void SetPhoneId(const TPhoneId &id);

  // Entry bytes for a key code under the given identification block.
  static std::array<uint8_t, 2> Scramble(uint16_t code, const TPhoneId &id);

private:
  mutable std::mutex m_lock;
  QByteArray m_bytes;
  TPhoneId m_id{};
};
