#pragma once
// Registers the program's pictures (":/art/...") once; the resources live in
// a static library, so they must be pulled in explicitly.
void initArtwork();
