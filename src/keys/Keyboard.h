#pragma once
// PC keyboard to phone: a key-down whose shortcut the key table binds sends
// that line's phone key code; any other key sends the character a US layout
// gives it, or its virtual-key code when it has none.

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>

class QWidget;
class CommandQueue;
class KeyTable;
namespace platform {
class CapsLockSource;
}

// The character code of a key on a US layout; the virtual-key code itself
// for a key without a character.
uint16_t virtualKeyToChar(uint16_t virtualKey, bool shift, bool capsLock);

// The modifier mask of a key event: Alt 1, Ctrl 2, Shift 4.
uint16_t modifierMask(Qt::KeyboardModifiers modifiers);

// The phone key code a key-down sends, or 0 when it sends nothing (a key
// without a virtual-key code): the code of the table's line bound to the
// shortcut, else the key's character.
uint16_t phoneCodeForKeyDown(const KeyTable &table, uint16_t virtualKey,
                             Qt::KeyboardModifiers modifiers, bool capsLock);

// The PC keyboard as the phone sees it: key-downs become phone key codes in
// the queue, a shortcut of table sending its line's code, letters following
// the Caps Lock state of capsLock.
class Keyboard {
public:
  Keyboard(CommandQueue &queue, const KeyTable &table,
           platform::CapsLockSource &capsLock)
      : m_queue(queue), m_table(table), m_capsLock(capsLock) {}

  // virtualKeyToChar with the Caps Lock state of the keyboard.
  uint16_t keyChar(uint16_t virtualKey, bool shift) const;
  // Queues the phone key code of one key-down; returns what was queued, or
  // 0.
  uint16_t sendKeyDown(uint16_t virtualKey, Qt::KeyboardModifiers modifiers);

private:
  CommandQueue &m_queue;
  const KeyTable &m_table;
  platform::CapsLockSource &m_capsLock;
};

// Key preview: an application-wide event filter that hands every key-down
// meant for one window (the window itself or any of its controls) to a
// handler first, auto-repeats and modifier keys included, then lets the key
// go on to the focused control.
class KeyPreview : public QObject {
  Q_OBJECT
public:
  using Handler =
      std::function<void(uint16_t virtualKey, Qt::KeyboardModifiers modifiers)>;

  KeyPreview(QWidget *window, Handler handler);
  ~KeyPreview() override;

  bool keyPreview() const { return m_enabled; }
  void setKeyPreview(bool on) { m_enabled = on; }
  void setHandler(Handler handler) { m_handler = std::move(handler); }
  void clearHandler() { m_handler = nullptr; }

protected:
  bool eventFilter(QObject *receiver, QEvent *event) override;

private:
  QPointer<QWidget> m_window;
  Handler m_handler;
  bool m_enabled = true;
};
