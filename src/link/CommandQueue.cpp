#include "link/CommandQueue.h"

#include <QMutexLocker>

void TCommandQueue::QueueAppend(const QByteArray &bytes) {
  QMutexLocker lock(&m_lock);
  m_bytes.append(bytes);
}

void TCommandQueue::QueueClear() {
  QMutexLocker lock(&m_lock);
  m_bytes.clear();
}

void TCommandQueue::QueueDropFront() {
  QMutexLocker lock(&m_lock);
  m_bytes.remove(0, qMin<qsizetype>(20, m_bytes.size()));
}

std::array<uint8_t, 2> TCommandQueue::Scramble(uint16_t code,
                                               const TPhoneId &id) {
  return {static_cast<uint8_t>((code & 0xFF) ^ id[5] ^ id[7]),
          static_cast<uint8_t>((code >> 8) ^ id[4] ^ id[6])};
}

void TCommandQueue::PutKeyCode(uint16_t code) {
  QMutexLocker lock(&m_lock);
  const auto entry = Scramble(code, m_id);
  QueueAppend(QByteArray(reinterpret_cast<const char *>(entry.data()), 2));
}

void TCommandQueue::PutText(const QByteArray &text) {
  QMutexLocker lock(&m_lock);
  QByteArray block;
  block.reserve(text.size() * 2);
  for (const char c : text) {
    const auto entry = Scramble(static_cast<uint8_t>(c), m_id);
    block.append(static_cast<char>(entry[0]));
    block.append(static_cast<char>(entry[1]));
  }
  QueueAppend(block);
}

QByteArray TCommandQueue::Bytes() const {
  QMutexLocker lock(&m_lock);
  return m_bytes;
}

qsizetype TCommandQueue::Size() const {
  QMutexLocker lock(&m_lock);
  return m_bytes.size();
}

QByteArray TCommandQueue::TakeFront(qsizetype maxBytes) {
  QMutexLocker lock(&m_lock);
  if (m_bytes.size() > maxBytes) {
    const QByteArray front = m_bytes.left(maxBytes);
    m_bytes.remove(0, maxBytes);
    return front;
  }
  QByteArray all;
  all.swap(m_bytes);
  return all;
}

TPhoneId TCommandQueue::PhoneId() const {
  QMutexLocker lock(&m_lock);
  return m_id;
}

void TCommandQueue::SetPhoneId(const TPhoneId &id) {
  QMutexLocker lock(&m_lock);
  m_id = id;
}

TCommandQueue &CommandQueue() {
  static TCommandQueue queue;
  return queue;
}

void QueueAppend(const QByteArray &bytes) { CommandQueue().QueueAppend(bytes); }
void QueueClear() { CommandQueue().QueueClear(); }
void QueueDropFront() { CommandQueue().QueueDropFront(); }
void PutKeyCode(uint16_t code) { CommandQueue().PutKeyCode(code); }
void PutText(const QByteArray &text) { CommandQueue().PutText(text); }
