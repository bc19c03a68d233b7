#include "link/CommandQueue.h"

#include <algorithm>

using Lock = std::lock_guard<std::mutex>;

void TCommandQueue::QueueAppend(const QByteArray &bytes) {
  Lock lock(m_lock);
  m_bytes.append(bytes);
}

void TCommandQueue::QueueClear() {
  Lock lock(m_lock);
  m_bytes.clear();
}

void TCommandQueue::QueueDropFront() {
  Lock lock(m_lock);
  m_bytes.remove(0, std::min<qsizetype>(20, m_bytes.size()));
}

std::array<uint8_t, 2> TCommandQueue::Scramble(uint16_t code,
                                               const TPhoneId &id) {
  return {static_cast<uint8_t>((code & 0xFF) ^ id[5] ^ id[7]),
          static_cast<uint8_t>((code >> 8) ^ id[4] ^ id[6])};
}

void TCommandQueue::PutKeyCode(uint16_t code) {
  Lock lock(m_lock);
  // The identification bytes are read in the same step as the append.
  const auto entry = Scramble(code, m_id);
  m_bytes.append(reinterpret_cast<const char *>(entry.data()), 2);
}

void TCommandQueue::PutText(const QByteArray &text) {
  Lock lock(m_lock);
  m_bytes.reserve(m_bytes.size() + text.size() * 2);
  for (const char c : text) {
    const auto entry = Scramble(static_cast<uint8_t>(c), m_id);
    m_bytes.append(reinterpret_cast<const char *>(entry.data()), 2);
  }
}

QByteArray TCommandQueue::Bytes() const {
  Lock lock(m_lock);
  return m_bytes;
}

qsizetype TCommandQueue::Size() const {
  Lock lock(m_lock);
  return m_bytes.size();
}

QByteArray TCommandQueue::TakeFront(qsizetype maxBytes) {
  Lock lock(m_lock);
  if (m_bytes.size() > maxBytes) {
    const QByteArray front = m_bytes.left(maxBytes);
    m_bytes.remove(0, maxBytes);
    return front;
  }
  QByteArray all;
  all.swap(m_bytes);
  return all;
}

QByteArray TCommandQueue::TakeAll() {
  Lock lock(m_lock);
  QByteArray all;
  all.swap(m_bytes);
  return all;
}

TPhoneId TCommandQueue::PhoneId() const {
  Lock lock(m_lock);
  return m_id;
}

void TCommandQueue::SetPhoneId(const TPhoneId &id) {
  Lock lock(m_lock);
  m_id = id;
}
