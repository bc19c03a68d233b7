#include "app/ArtworkResources.h"

#include <QtGlobal>

static void registerArtwork() { Q_INIT_RESOURCE(artwork); }

void initArtwork() {
  static const bool registered = (registerArtwork(), true);
  Q_UNUSED(registered);
}
