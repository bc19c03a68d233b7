#pragma once
// PC keys as Windows virtual-key codes, the numbers the key table stores
// for its shortcuts. Every Qt key event is mapped here and nowhere else.
// Characters that depend on the layout (digits with Shift, punctuation) are
// named by their place on a US keyboard. Latin letters are named as the
// layout prints them; a key that gives a letter of another script (a Russian
// or Greek layout) is named by the Latin letter at its place.

#include <QByteArray>
#include <QMutex>
#include <QtCore/qnamespace.h>
#include <cstdint>

class QKeyEvent;

namespace platform {

// The virtual-key code for a Qt key; 0 when the key has none.
// scanCode is the X11 key code when positionalScanCode is true (evdev key
// codes under xcb); then the digit row, the punctuation keys and keys with
// letters of other scripts are named by where they sit.
uint16_t virtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers,
                          uint32_t scanCode = 0,
                          bool positionalScanCode = false);
uint16_t virtualKeyFromEvent(const QKeyEvent &event);

// Where the Caps Lock state comes from.
class CapsLockSource {
public:
  virtual ~CapsLockSource() = default;
  // Whether Caps Lock is on (locked, or held at this moment).
  virtual bool capsLockOn() = 0;
};

// The X server's keyboard state, through a connection of its own to the
// server DISPLAY names, opened on first use and again when DISPLAY changes;
// off without a server.
class X11CapsLock : public CapsLockSource {
public:
  X11CapsLock() = default;
  ~X11CapsLock() override;
  X11CapsLock(const X11CapsLock &) = delete;
  X11CapsLock &operator=(const X11CapsLock &) = delete;

  bool capsLockOn() override;

private:
  QMutex m_mutex;
  void *m_display = nullptr; // Display *
  QByteArray m_displayName;
  bool m_tried = false;
};

} // namespace platform
