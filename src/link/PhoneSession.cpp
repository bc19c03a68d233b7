#include "link/PhoneSession.h"

#include "common/EventLog.h"
#include "link/LinkView.h"
#include "link/Protocol.h"

#include <QtEndian>
#include <chrono>

namespace {

qint64 steadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Kind, count and terminator around the keys.
constexpr qsizetype kReplyHeader = 8;

} // namespace

PhoneSession::PhoneSession(TCommandQueue &queue, ILinkView *view,
                           const ReplyStyle &style)
    : m_queue(queue), m_view(view), m_style(style), m_clock(steadyNs) {
  m_reply.reserve(kReplyHeader + 1 + 64);
}

void PhoneSession::setStats(TLinkStats *stats) {
  m_stats = stats ? stats : &m_ownStats;
}

void PhoneSession::setGate(TPhoneGate *gate) {
  m_gate = gate ? gate : &m_ownGate;
}

void PhoneSession::setClock(Clock clock) {
  m_clock = clock ? std::move(clock) : Clock(steadyNs);
}

quint64 PhoneSession::begin(const QString &where) {
  m_connection = m_gate->Begin();
  m_replySentNs = 0;
  if (m_view)
    m_view->ShowPeer(where);
  return m_connection;
}

bool PhoneSession::served() const { return m_gate->Served(); }

void PhoneSession::received(qint64 bytes) {
  m_stats->CountIn(bytes);
  if (m_replySentNs != 0) {
    // The phone's answer to our last reply: its round trip as seen here.
    m_stats->CountRoundTrip(m_clock() - m_replySentNs);
    m_replySentNs = 0;
  }
}

const QByteArray &PhoneSession::handle(const PhoneRequest &request) {
  m_stats->CountRequest();
  // A phone the user allowed meanwhile gets the identification it sent.
  TPhoneId allowed;
  if (m_gate->TakeAllowedIdentity(allowed))
    applyIdentity(allowed);
  const bool refused = m_gate->State() == TPhoneGate::TState::Refused;
  if (request.kind == PhoneRequest::Kind::Close ||
      (refused && m_style.closeWhenRefused)) {
    m_reply.clear();
    return m_reply;
  }
  if (request.kind == PhoneRequest::Kind::Auth)
    onAuth(request.id);
  else if (request.kind == PhoneRequest::Kind::Screen &&
           !request.tile.isEmpty())
    drawTile(request);
  return reply();
}

const QByteArray &PhoneSession::reply() {
  // The queue's lock is held inside the take only, never while the reply
  // is written.
  const QByteArray keys =
      served()
          ? (m_style.maxKeyBytes > 0 ? m_queue.TakeFront(m_style.maxKeyBytes)
                                     : m_queue.TakeAll())
          : QByteArray();
  const char *log =
      keys.isEmpty() ? m_style.emptyReplyLog : m_style.keysReplyLog;
  if (log)
    WriteLog(log, LogCommands);
  m_reply.resize(kReplyHeader);
  qToLittleEndian<qint32>(keys.isEmpty() ? Protocol::KindNop
                                         : Protocol::KindCommands,
                          m_reply.data());
  qToLittleEndian<qint32>(qint32(keys.size()), m_reply.data() + 4);
  m_reply.append(keys);
  if (m_style.terminator)
    m_reply.append(m_style.terminator);
  m_stats->CountOut(m_reply.size());
  m_replySentNs = m_clock();
  return m_reply;
}

void PhoneSession::applyIdentity(const TPhoneId &id) {
  m_queue.SetPhoneId(id);
  if (m_view)
    m_view->ShowPhoneIdentity(ModelCodeOf(id.data()));
}

void PhoneSession::onAuth(const TPhoneId &id) {
  switch (m_gate->OnAuth(id)) {
  case TPhoneGate::TState::Served:
    applyIdentity(id);
    break;
  case TPhoneGate::TState::AwaitingUser:
    if (m_view)
      m_view->AskAboutPhone(m_connection, id);
    break;
  default:
    break;
  }
}

void PhoneSession::drawTile(const PhoneRequest &request) {
  if (!m_view || !served())
    return;
  m_stats->CountTile();
  if (!m_style.skipBrokenTile) {
    m_view->DrawTile(request.tile, request.x, request.y);
    return;
  }
  try {
    m_view->DrawTile(request.tile, request.x, request.y);
  } catch (const std::exception &e) {
    // A broken tile costs one tile, not the link.
    WriteLog(QByteArray(e.what()), LogCommands);
  }
}
