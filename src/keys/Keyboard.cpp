#include "keys/Keyboard.h"

#include "keys/KeyTable.h"
#include "link/CommandQueue.h"
#include "platform/KeyMapping.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

uint16_t virtualKeyToChar(uint16_t vk, bool shift, bool capsLock) {
  if (vk >= '0' && vk <= '9') {
    static constexpr char shifted[] = ")!@#$%^&*(";
    return shift ? uint16_t(shifted[vk - '0']) : vk;
  }
  if (vk >= 'A' && vk <= 'Z')
    return shift != capsLock ? vk : uint16_t(vk + 32);
  struct TPair {
    uint16_t vk;
    char plain, shifted;
  };
  static constexpr TPair punctuation[] = {
      {186, ';', ':'},  {187, '=', '+'}, {188, ',', '<'}, {189, '-', '_'},
      {190, '.', '>'},  {191, '/', '?'}, {192, '`', '~'}, {219, '[', '{'},
      {220, '\\', '|'}, {221, ']', '}'}, {222, '\'', '"'}};
  for (const TPair &p : punctuation)
    if (p.vk == vk)
      return uint16_t(shift ? p.shifted : p.plain);
  return vk;
}

uint16_t Keyboard::keyChar(uint16_t vk, bool shift) const {
  return virtualKeyToChar(vk, shift, m_capsLock.capsLockOn());
}

uint16_t modifierMask(Qt::KeyboardModifiers modifiers) {
  uint16_t mask = 0;
  if (modifiers & Qt::AltModifier)
    mask |= KeyModAlt;
  if (modifiers & Qt::ControlModifier)
    mask |= KeyModCtrl;
  if (modifiers & Qt::ShiftModifier)
    mask |= KeyModShift;
  return mask;
}

uint16_t phoneCodeForKeyDown(const KeyTable &table, uint16_t vk,
                             Qt::KeyboardModifiers modifiers, bool capsLock) {
  // A key the mapping cannot name would otherwise match every line without
  // a shortcut.
  if (vk == 0)
    return 0;
  const int line = table.findKeyByShortcut(modifierMask(modifiers), vk);
  if (line >= 0)
    return static_cast<uint16_t>(table.keyAt(line).code & 0xFFFF);
  return virtualKeyToChar(vk, modifiers & Qt::ShiftModifier, capsLock);
}

uint16_t Keyboard::sendKeyDown(uint16_t vk, Qt::KeyboardModifiers modifiers) {
  if (vk == 0)
    return 0;
  const uint16_t code =
      phoneCodeForKeyDown(m_table, vk, modifiers, m_capsLock.capsLockOn());
  m_queue.putKeyCode(code);
  return code;
}

KeyPreview::KeyPreview(QWidget *window, Handler handler)
    : QObject(window), m_window(window), m_handler(std::move(handler)) {
  qApp->installEventFilter(this);
}

KeyPreview::~KeyPreview() {
  if (qApp)
    qApp->removeEventFilter(this);
}

bool KeyPreview::eventFilter(QObject *receiver, QEvent *event) {
  // A key from the system enters through the window, which hands it to the
  // focused control; from there it may travel up to the parents, through
  // this filter each time. Taking it at the window sees it exactly once and
  // before any control.
  if (event->type() == QEvent::KeyPress && m_enabled && m_handler && m_window &&
      receiver == m_window->windowHandle()) {
    const auto *key = static_cast<QKeyEvent *>(event);
    m_handler(platform::virtualKeyFromEvent(*key), key->modifiers());
  }
  return false;
}
