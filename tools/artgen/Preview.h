// A picture of the main window composed from the artwork, with the picture
// buttons drawn the way the button control renders its glyphs.
#pragma once

#include "ArtCommon.h"

namespace art {

enum class PreviewState { idle, open };

QImage composePreview(const ArtSet &set, PreviewState state);

} // namespace art
