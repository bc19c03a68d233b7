#pragma once
// A Caps Lock the test switches itself.
#include "platform/KeyMapping.h"

struct SwitchCapsLock : platform::CapsLockSource {
  bool on = false;
  bool capsLockOn() override { return on; }
};
