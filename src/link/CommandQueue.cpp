#include "link/CommandQueue.h"

#include <algorithm>

using Lock = std::lock_guard<std::mutex>;

void CommandQueue::queueAppend(const QByteArray &bytes) {
  Lock lock(m_lock);
  m_bytes.append(bytes);
}

void CommandQueue::queueClear() {
  Lock lock(m_lock);
  m_bytes.clear();
}

void CommandQueue::queueDropFront() {
  Lock lock(m_lock);
  m_bytes.remove(0, std::min<qsizetype>(20, m_bytes.size()));
}

std::array<uint8_t, 2> CommandQueue::scramble(uint16_t code,
                                              const PhoneId &id) {
  return {static_cast<uint8_t>((code & 0xFF) ^ id[5] ^ id[7]),
          static_cast<uint8_t>((code >> 8) ^ id[4] ^ id[6])};
}

void CommandQueue::putKeyCode(uint16_t code) {
  Lock lock(m_lock);
  // The identification bytes are read in the same step as the append.
  const auto entry = scramble(code, m_id);
  m_bytes.append(reinterpret_cast<const char *>(entry.data()), 2);
}

void CommandQueue::putText(const QByteArray &text) {
  Lock lock(m_lock);
  m_bytes.reserve(m_bytes.size() + text.size() * 2);
  for (const char c : text) {
    const auto entry = scramble(static_cast<uint8_t>(c), m_id);
    m_bytes.append(reinterpret_cast<const char *>(entry.data()), 2);
  }
}

QByteArray CommandQueue::bytes() const {
  Lock lock(m_lock);
  return m_bytes;
}

qsizetype CommandQueue::size() const {
  Lock lock(m_lock);
  return m_bytes.size();
}

QByteArray CommandQueue::takeFront(qsizetype maxBytes) {
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

QByteArray CommandQueue::takeAll() {
  Lock lock(m_lock);
  QByteArray all;
  all.swap(m_bytes);
  return all;
}

PhoneId CommandQueue::phoneId() const {
  Lock lock(m_lock);
  return m_id;
}

void CommandQueue::setPhoneId(const PhoneId &id) {
  Lock lock(m_lock);
  m_id = id;
}
