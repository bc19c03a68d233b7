#include "platform/WindowFinder.h"

#include <QByteArray>
#include <QList>

#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace platform {
namespace {

// A short-lived connection of our own: it works whatever Qt platform the
// program runs on, and nothing of Qt's connection is disturbed.
class connection {
public:
  connection() {
    if (!std::getenv("DISPLAY"))
      return;
    int screenNumber = 0;
    m_conn = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_conn)) {
      xcb_disconnect(m_conn);
      m_conn = nullptr;
      return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_conn));
    for (int i = 0; i < screenNumber && it.rem; ++i)
      xcb_screen_next(&it);
    m_root = it.rem ? it.data->root : 0;
  }
  ~connection() {
    if (m_conn)
      xcb_disconnect(m_conn);
  }
  connection(const connection &) = delete;
  connection &operator=(const connection &) = delete;

  explicit operator bool() const { return m_conn && m_root; }
  xcb_connection_t *get() const { return m_conn; }
  xcb_window_t root() const { return m_root; }

  xcb_atom_t atom(const char *name, bool onlyIfExists = true) const {
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        m_conn,
        xcb_intern_atom(m_conn, onlyIfExists, uint16_t(strlen(name)), name),
        nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
  }

  // The property's bytes, or a null array when it is absent.
  QByteArray property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                      uint8_t *format = nullptr) const {
    if (property == XCB_ATOM_NONE)
      return {};
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        m_conn,
        xcb_get_property(m_conn, 0, window, property, type, 0, 1u << 20),
        nullptr);
    QByteArray bytes;
    if (reply && reply->type != XCB_ATOM_NONE) {
      const int length = xcb_get_property_value_length(reply);
      bytes = QByteArray(
          static_cast<const char *>(xcb_get_property_value(reply)), length);
      if (bytes.isNull())
        bytes = QByteArray("");
      if (format)
        *format = reply->format;
    }
    free(reply);
    return bytes;
  }

  QList<xcb_window_t> windows(const QByteArray &bytes) const {
    QList<xcb_window_t> windows;
    const auto *ids = reinterpret_cast<const xcb_window_t *>(bytes.constData());
    for (qsizetype i = 0; i < bytes.size() / qsizetype(sizeof(xcb_window_t));
         ++i)
      windows.append(ids[i]);
    return windows;
  }

  QList<xcb_window_t> children(xcb_window_t window) const {
    QList<xcb_window_t> children;
    xcb_query_tree_reply_t *reply =
        xcb_query_tree_reply(m_conn, xcb_query_tree(m_conn, window), nullptr);
    if (!reply)
      return children;
    const xcb_window_t *ids = xcb_query_tree_children(reply);
    for (int i = 0; i < xcb_query_tree_children_length(reply); ++i)
      children.append(ids[i]);
    free(reply);
    return children;
  }

  QString title(xcb_window_t window) const {
    const QByteArray utf8 =
        property(window, atom("_NET_WM_NAME"), atom("UTF8_STRING"));
    if (!utf8.isNull())
      return QString::fromUtf8(utf8);
    const QByteArray latin1 = property(window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY);
    return latin1.isNull() ? QString() : QString::fromLatin1(latin1);
  }

private:
  xcb_connection_t *m_conn = nullptr;
  xcb_window_t m_root = 0;
};

} // namespace

std::uint32_t findTopLevelWindow(const QString &title) {
  connection x;
  if (!x)
    return 0;
  const QByteArray clients =
      x.property(x.root(), x.atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
  if (!clients.isNull()) {
    for (xcb_window_t w : x.windows(clients))
      if (x.title(w) == title)
        return w;
    return 0;
  }
  // No window manager list: top-level windows are the root's children, or,
  // under a manager that frames them, the children of those.
  const QList<xcb_window_t> topLevel = x.children(x.root());
  for (xcb_window_t w : topLevel)
    if (x.title(w) == title)
      return w;
  for (xcb_window_t frame : topLevel)
    for (xcb_window_t w : x.children(frame))
      if (x.title(w) == title)
        return w;
  return 0;
}

bool showNormalAndRaise(std::uint32_t window) {
  connection x;
  if (!x || window == 0)
    return false;
  xcb_connection_t *c = x.get();
  xcb_map_window(c, window);
  const uint32_t above = XCB_STACK_MODE_ABOVE;
  xcb_configure_window(c, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);

  // A window manager restores and raises on request.
  const xcb_atom_t active = x.atom("_NET_ACTIVE_WINDOW");
  if (active != XCB_ATOM_NONE &&
      !x.property(x.root(), x.atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW)
           .isNull()) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = active;
    event.data.data32[0] = 2; // from a pager-like program: always honoured
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, x.root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT |
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
  }
  // A round trip: the requests have reached the server when we return.
  free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  return true;
}

} // namespace platform
