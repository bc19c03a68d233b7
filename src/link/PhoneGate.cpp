#include "link/PhoneGate.h"

using Lock = std::lock_guard<std::mutex>;

void TPhoneGate::SetPolicy(bool knownOnly, const QList<TPhoneId> &known) {
  Lock lock(m_lock);
  m_knownOnly = knownOnly;
  m_known = known;
}

bool TPhoneGate::KnownOnly() const {
  Lock lock(m_lock);
  return m_knownOnly;
}

void TPhoneGate::AddKnown(const TPhoneId &id) {
  Lock lock(m_lock);
  if (!m_known.contains(id))
    m_known.append(id);
}

quint64 TPhoneGate::Begin() {
  Lock lock(m_lock);
  m_state = m_knownOnly ? TState::AwaitingAuth : TState::Served;
  m_identityDue = false;
  return ++m_connection;
}

quint64 TPhoneGate::Connection() const {
  Lock lock(m_lock);
  return m_connection;
}

TPhoneGate::TState TPhoneGate::State() const {
  Lock lock(m_lock);
  return m_state;
}

TPhoneGate::TState TPhoneGate::OnAuth(const TPhoneId &id) {
  Lock lock(m_lock);
  if (!m_knownOnly || m_state == TState::Refused)
    return m_state;
  // A phone may identify itself again; a different block is asked about
  // anew.
  if (m_state == TState::Served && id == m_pending)
    return m_state;
  m_pending = id;
  m_identityDue = false;
  m_state = m_known.contains(id) ? TState::Served : TState::AwaitingUser;
  return m_state;
}

bool TPhoneGate::Allow(quint64 connection) {
  Lock lock(m_lock);
  if (connection != m_connection || m_state != TState::AwaitingUser)
    return false;
  m_state = TState::Served;
  m_identityDue = true;
  return true;
}

bool TPhoneGate::Refuse(quint64 connection) {
  Lock lock(m_lock);
  if (connection != m_connection || m_state == TState::Refused)
    return false;
  m_state = TState::Refused;
  return true;
}

bool TPhoneGate::TakeAllowedIdentity(TPhoneId &id) {
  Lock lock(m_lock);
  if (!m_identityDue)
    return false;
  m_identityDue = false;
  id = m_pending;
  return true;
}

QByteArray TPhoneGate::BlockText(const TPhoneId &id) {
  return QByteArray(reinterpret_cast<const char *>(id.data()), int(id.size()))
      .toHex()
      .toUpper();
}
