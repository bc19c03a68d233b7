#include "app/Artwork.h"

#include <QtGlobal>

static void RegisterArtwork() { Q_INIT_RESOURCE(artwork); }

void InitArtwork() {
  static const bool registered = (RegisterArtwork(), true);
  Q_UNUSED(registered);
}
