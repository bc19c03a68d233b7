#pragma once
// Which phones a link serves. With "known phones only" off, every phone is
// served, as it always was. With it on, a connection is served only once
// its identification block is on the list of known phones or the user has
// allowed it; until then it gets empty replies, draws nothing and takes no
// key from the queue.
//
// One gate is shared by both links (only one is open at a time). The links
// ask it from their own threads, the window answers from the GUI thread.

#include "link/CommandQueue.h"

#include <QList>
#include <QString>
#include <mutex>

class TPhoneGate {
public:
  enum class TState {
    Served,       // keys and tiles flow
    AwaitingAuth, // known phones only, and no identification yet
    AwaitingUser, // an unknown phone, asked about
    Refused       // the user refused it: the link closes the connection
  };

  void SetPolicy(bool knownOnly, const QList<TPhoneId> &known);
  bool KnownOnly() const;
  void AddKnown(const TPhoneId &id);

  // A new connection (a TCP phone, an opened serial port); returns its
  // number, which the user's answer names.
  quint64 Begin();
  quint64 Connection() const;
  TState State() const;
  bool Served() const { return State() == TState::Served; }

  // The phone identified itself: Served when it may be, AwaitingUser when
  // the user must be asked (the caller asks, once).
  TState OnAuth(const TPhoneId &id);

  // The user's answers for a connection; false, and nothing changes, when
  // that connection is no longer the one waiting.
  bool Allow(quint64 connection);
  bool Refuse(quint64 connection);

  // After an Allow: the block that waited, to be applied by the link (the
  // identification it held back). True once.
  bool TakeAllowedIdentity(TPhoneId &id);

  // The block as 16 upper-case hex digits, byte 0 first.
  static QByteArray BlockText(const TPhoneId &id);

private:
  mutable std::mutex m_lock;
  bool m_knownOnly = false;
  QList<TPhoneId> m_known;
  quint64 m_connection = 0;
  TState m_state = TState::Served;
  TPhoneId m_pending{};
  bool m_identityDue = false;
};
