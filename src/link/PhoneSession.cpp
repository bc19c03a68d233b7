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

PhoneSession::PhoneSession(CommandQueue &queue, LinkView *view,
                           const ReplyStyle &style)
    : m_queue(queue), m_view(view), m_style(style), m_clock(steadyNs) {
  m_reply.reserve(kReplyHeader + 1 + 64);
}

void PhoneSession::setStats(LinkStats *stats) {
  m_stats = stats ? stats : &m_ownStats;
}

void PhoneSession::setGate(PhoneGate *gate) {
  m_gate = gate ? gate : &m_ownGate;
}

void PhoneSession::setClock(Clock clock) {
  m_clock = clock ? std::move(clock) : Clock(steadyNs);
}

quint64 PhoneSession::begin(const QString &where) {
  m_connection = m_gate->begin();
  m_replySentNs = 0;
  if (m_view)
    m_view->showPeer(where);
  return m_connection;
}

bool PhoneSession::served() const { return m_gate->served(); }

void PhoneSession::received(qint64 bytes) {
  m_stats->countIn(bytes);
  if (m_replySentNs != 0) {
    // The phone's answer to our last reply: its round trip as seen here.
    m_stats->countRoundTrip(m_clock() - m_replySentNs);
    m_replySentNs = 0;
  }
}

const QByteArray &PhoneSession::handle(const PhoneRequest &request) {
  m_stats->countRequest();
  // A phone the user allowed meanwhile gets the identification it sent.
  PhoneId allowed;
  if (m_gate->takeAllowedIdentity(allowed))
    applyIdentity(allowed);
  const bool refused = m_gate->state() == PhoneGate::State::Refused;
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
          ? (m_style.maxKeyBytes > 0 ? m_queue.takeFront(m_style.maxKeyBytes)
                                     : m_queue.takeAll())
          : QByteArray();
  const char *log =
      keys.isEmpty() ? m_style.emptyReplyLog : m_style.keysReplyLog;
  if (log)
    writeLog(log, LogSwitch::Commands);
  m_reply.resize(kReplyHeader);
  qToLittleEndian<qint32>(keys.isEmpty() ? Protocol::KindNop
                                         : Protocol::KindCommands,
                          m_reply.data());
  qToLittleEndian<qint32>(qint32(keys.size()), m_reply.data() + 4);
  m_reply.append(keys);
  if (m_style.terminator)
    m_reply.append(m_style.terminator);
  m_stats->countOut(m_reply.size());
  m_replySentNs = m_clock();
  return m_reply;
}

void PhoneSession::applyIdentity(const PhoneId &id) {
  m_queue.setPhoneId(id);
  if (m_view)
    m_view->showPhoneIdentity(modelCodeOf(id.data()));
}

void PhoneSession::onAuth(const PhoneId &id) {
  switch (m_gate->onAuth(id)) {
  case PhoneGate::State::Served:
    applyIdentity(id);
    break;
  case PhoneGate::State::AwaitingUser:
    if (m_view)
      m_view->askAboutPhone(m_connection, id);
    break;
  default:
    break;
  }
}

void PhoneSession::drawTile(const PhoneRequest &request) {
  if (!m_view || !served())
    return;
  m_stats->countTile();
  if (!m_style.skipBrokenTile) {
    m_view->drawTile(request.tile, request.x, request.y);
    return;
  }
  try {
    m_view->drawTile(request.tile, request.x, request.y);
  } catch (const std::exception &e) {
    // A broken tile costs one tile, not the link.
    writeLog(QByteArray(e.what()), LogSwitch::Commands);
  }
}
