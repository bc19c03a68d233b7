#pragma once
// A private Xvfb server for tests that need a real X display, and a small
// xcb client to make windows on it. Tests skip when Xvfb is not installed.
#include <QByteArray>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QThread>

#include <cstring>
#include <unistd.h>
#include <xcb/xcb.h>

class XvfbServer {
public:
  XvfbServer() {
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty())
      return;
    for (int attempt = 0; attempt < 5 && !m_conn; ++attempt) {
      const int number = 140 + (getpid() + 37 * attempt) % 300;
      if (QFileInfo::exists(QString("/tmp/.X11-unix/X%1").arg(number)) ||
          QFileInfo::exists(QString("/tmp/.X%1-lock").arg(number)))
        continue;
      m_display = QByteArray(":") + QByteArray::number(number);
      m_process.start(xvfb, {QString::fromLatin1(m_display), "-screen", "0",
                             "1280x1024x24", "-nolisten", "tcp"});
      if (!m_process.waitForStarted(5000))
        continue;
      // Ready when a client connects; give up after ten seconds.
      QDeadlineTimer deadline(10000);
      while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        xcb_connection_t *c = xcb_connect(m_display.constData(), nullptr);
        if (!xcb_connection_has_error(c)) {
          m_conn = c;
          break;
        }
        xcb_disconnect(c);
        QThread::msleep(20);
      }
      if (!m_conn)
        stop();
    }
    if (m_conn)
      m_root = xcb_setup_roots_iterator(xcb_get_setup(m_conn)).data->root;
  }
  ~XvfbServer() {
    if (m_conn)
      xcb_disconnect(m_conn);
    stop();
  }

  bool running() const { return m_conn != nullptr; }
  const QByteArray &Display() const { return m_display; }
  xcb_connection_t *conn() const { return m_conn; }
  xcb_window_t root() const { return m_root; }

  xcb_atom_t atom(const char *name) {
    auto *r = xcb_intern_atom_reply(
        m_conn, xcb_intern_atom(m_conn, 0, uint16_t(strlen(name)), name),
        nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(r);
    return a;
  }

  // An unmapped window with the title, as WM_NAME or as _NET_WM_NAME.
  xcb_window_t makeWindow(const QByteArray &title, bool utf8 = true,
                          xcb_window_t parent = 0) {
    const xcb_window_t w = xcb_generate_id(m_conn);
    xcb_create_window(m_conn, XCB_COPY_FROM_PARENT, w, parent ? parent : m_root,
                      10, 10, 100, 80, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    if (utf8)
      xcb_change_property(m_conn, XCB_PROP_MODE_REPLACE, w,
                          atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8,
                          uint32_t(title.size()), title.constData());
    else
      xcb_change_property(m_conn, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME,
                          XCB_ATOM_STRING, 8, uint32_t(title.size()),
                          title.constData());
    sync();
    return w;
  }

  bool mapped(xcb_window_t w) {
    auto *r = xcb_get_window_attributes_reply(
        m_conn, xcb_get_window_attributes(m_conn, w), nullptr);
    const bool mapped = r && r->map_state != XCB_MAP_STATE_UNMAPPED;
    free(r);
    return mapped;
  }

  // The root's child drawn on top of the others.
  xcb_window_t topChild() {
    auto *r =
        xcb_query_tree_reply(m_conn, xcb_query_tree(m_conn, m_root), nullptr);
    xcb_window_t top = 0;
    if (r && xcb_query_tree_children_length(r) > 0)
      top = xcb_query_tree_children(r)[xcb_query_tree_children_length(r) - 1];
    free(r);
    return top;
  }

  void sync() {
    free(xcb_get_input_focus_reply(m_conn, xcb_get_input_focus(m_conn),
                                   nullptr));
  }

private:
  void stop() {
    if (m_process.state() != QProcess::NotRunning) {
      m_process.terminate();
      if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
      }
    }
  }

  QProcess m_process;
  QByteArray m_display;
  xcb_connection_t *m_conn = nullptr;
  xcb_window_t m_root = 0;
};
