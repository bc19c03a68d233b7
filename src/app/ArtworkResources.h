#pragma once
// Registers the program's pictures (":/art/...") once; the resources live in
// a static library, so they must be pulled in explicitly.
void initArtwork();

class QIcon;
// The menu picture of that number (0 to 12), as the menus and buttons show it.
QIcon menuIcon(int index);
