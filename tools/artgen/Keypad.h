// The phone keypad picture and the 25 key glyphs cut from it.
#pragma once

#include "ArtCommon.h"

#include <vector>

namespace art {

struct KeyDef {
  const char *name;
  int left, top, width, height; // button rectangle in the panel
  int glyphWidth, glyphHeight;
  bool raised; // PictureButtonStyle::Raised, otherwise Normal
};

// The keys in the order the panel stacks them (later ones lie above).
const std::vector<KeyDef> &keyTable();

// The panel sits at this place of the work area.
inline constexpr int kKeypadLeft = 17;
inline constexpr int kKeypadTop = 243;
inline constexpr int kKeypadWidth = 178;
inline constexpr int kKeypadHeight = 198;

// Draws keypad.png (its corners cut from the work area picture) and adds it
// and every key_<Name>.png to the set.
void makeKeypad(const QImage &workzone, ArtSet &out);

// Checks that the glyphs match the picture and the button rectangles.
void checkKeypad(const ArtSet &set);

} // namespace art
