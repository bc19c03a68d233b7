#include "link/PhoneGate.h"

using Lock = std::lock_guard<std::mutex>;

void PhoneGate::setPolicy(bool knownOnly, const QList<PhoneId> &known) {
  Lock lock(m_lock);
  m_knownOnly = knownOnly;
  m_known = known;
}

bool PhoneGate::knownOnly() const {
  Lock lock(m_lock);
  return m_knownOnly;
}

void PhoneGate::addKnown(const PhoneId &id) {
  Lock lock(m_lock);
  if (!m_known.contains(id))
    m_known.append(id);
}

quint64 PhoneGate::begin() {
  Lock lock(m_lock);
  m_state = m_knownOnly ? State::AwaitingAuth : State::Served;
  m_identityDue = false;
  return ++m_connection;
}

quint64 PhoneGate::connection() const {
  Lock lock(m_lock);
  return m_connection;
}

PhoneGate::State PhoneGate::state() const {
  Lock lock(m_lock);
  return m_state;
}

PhoneGate::State PhoneGate::onAuth(const PhoneId &id) {
  Lock lock(m_lock);
  if (!m_knownOnly || m_state == State::Refused)
    return m_state;
  // A phone may identify itself again; a different block is asked about
  // anew.
  if (m_state == State::Served && id == m_pending)
    return m_state;
  m_pending = id;
  m_identityDue = false;
  m_state = m_known.contains(id) ? State::Served : State::AwaitingUser;
  return m_state;
}

bool PhoneGate::allow(quint64 connection) {
  Lock lock(m_lock);
  if (connection != m_connection || m_state != State::AwaitingUser)
    return false;
  m_state = State::Served;
  m_identityDue = true;
  return true;
}

bool PhoneGate::refuse(quint64 connection) {
  Lock lock(m_lock);
  if (connection != m_connection || m_state == State::Refused)
    return false;
  m_state = State::Refused;
  return true;
}

bool PhoneGate::takeAllowedIdentity(PhoneId &id) {
  Lock lock(m_lock);
  if (!m_identityDue)
    return false;
  m_identityDue = false;
  id = m_pending;
  return true;
}

QByteArray PhoneGate::blockText(const PhoneId &id) {
  return QByteArray(reinterpret_cast<const char *>(id.data()), int(id.size()))
      .toHex()
      .toUpper();
}
