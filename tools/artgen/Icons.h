// Menu images, tray icons and the window icon.
#pragma once

#include "ArtCommon.h"

namespace art {

inline constexpr int kMenuImageCount = 13;
inline constexpr int kTrayIconCount = 4;

void makeMenuImages(ArtSet &out);
void makeTrayIcons(ArtSet &out);
void makeAppIcon(ArtSet &out);

} // namespace art
