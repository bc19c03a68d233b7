#pragma once
// The queue of key entries waiting for the phone: two bytes per phone key
// code, scrambled with the phone's identification block. Producers run on
// the GUI thread; the TCP link's connection thread and the serial link drain
// it. Every access holds one re-entrant lock.

#include <QByteArray>
#include <QRecursiveMutex>
#include <array>
#include <cstdint>

using TPhoneId = std::array<uint8_t, 8>;

class TCommandQueue {
public:
  // The lock every access holds; consumers hold it across read and drain.
  QRecursiveMutex &Lock() { return m_lock; }

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

  // The last identification block; all zeros until the first.
  TPhoneId PhoneId() const;
  void SetPhoneId(const TPhoneId &id);

  // Entry bytes for a key code under the given identification block.
  static std::array<uint8_t, 2> Scramble(uint16_t code, const TPhoneId &id);

private:
  mutable QRecursiveMutex m_lock;
  QByteArray m_bytes;
  TPhoneId m_id{};
};

// The process-wide queue.
TCommandQueue &CommandQueue();

// Shorthands on the process-wide queue.
void QueueAppend(const QByteArray &bytes);
void QueueClear();
void QueueDropFront();
void PutKeyCode(uint16_t code);
void PutText(const QByteArray &text);
