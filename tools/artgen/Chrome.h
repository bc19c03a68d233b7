// The window's chrome: control bar, LEDs, control-bar glyphs, work area,
// quick-text cover and splash.
#pragma once

#include "ArtCommon.h"

#include <vector>

namespace art {

// A picture button placed on the control bar.
struct BarButton {
  const char *file;
  int left, top, width, height;
};

// Connect, disconnect, screenshot, record, pause, stop.
const std::vector<BarButton> &barButtons();
// Cable, Bluetooth and GPRS indicators.
const std::vector<BarButton> &barIndicators();

inline constexpr QRect kLedRect(190, 8, 31, 29);

void makeControlBar(ArtSet &out);
void makeWorkzone(ArtSet &out);
void makeQuickTextCover(ArtSet &out);
void makeSplash(ArtSet &out);

void checkChrome(const ArtSet &set);

} // namespace art
