#pragma once
// PC keys as Windows virtual-key codes, the numbers the key table stores
// for its shortcuts. Every Qt key event is mapped here and nowhere else.
// Characters that depend on the layout (digits with Shift, punctuation) are
// named by their place on a US keyboard. Latin letters are named as the
// layout prints them; a key that gives a letter of another script (a Russian
// or Greek layout) is named by the Latin letter at its place.

#include <QtCore/qnamespace.h>
#include <cstdint>
#include <functional>

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

// Whether Caps Lock is on (locked, or held at this moment). Asks the X
// server; false when there is none.
bool capsLockOn();
// Replaces the source of the Caps Lock state (tests); an empty function
// restores the X server.
void setCapsLockSource(std::function<bool()> source);

} // namespace platform
