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

class PhoneGate {
public:
  enum class State {
    Served,       // keys and tiles flow
    AwaitingAuth, // known phones only, and no identification yet
    AwaitingUser, // an unknown phone, asked about
    Refused       // the user refused it: the link closes the connection
  };

  void setPolicy(bool knownOnly, const QList<PhoneId> &known);
  bool knownOnly() const;
  void addKnown(const PhoneId &id);

  // A new connection (a TCP phone, an opened serial port); returns its
  // number, which the user's answer names.
  quint64 begin();
  quint64 connection() const;
  State state() const;
  bool served() const { return state() == State::Served; }

  // The phone identified itself: Served when it may be, AwaitingUser when
  // the user must be asked (the caller asks, once).
  State onAuth(const PhoneId &id);

  // The user's answers for a connection; false, and nothing changes, when
  // that connection is no longer the one waiting.
  bool allow(quint64 connection);
  bool refuse(quint64 connection);

  // After an Allow: the block that waited, to be applied by the link (the
  // identification it held back). True once.
  bool takeAllowedIdentity(PhoneId &id);

  // The block as 16 upper-case hex digits, byte 0 first.
  static QByteArray blockText(const PhoneId &id);

private:
  mutable std::mutex m_lock;
  bool m_knownOnly = false;
  QList<PhoneId> m_known;
  quint64 m_connection = 0;
  State m_state = State::Served;
  PhoneId m_pending{};
  bool m_identityDue = false;
};
