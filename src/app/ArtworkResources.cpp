#include "app/ArtworkResources.h"

#include <QIcon>
#include <QtGlobal>

static void registerArtwork() { Q_INIT_RESOURCE(artwork); }

void initArtwork() {
  static const bool registered = (registerArtwork(), true);
  Q_UNUSED(registered);
}

QIcon menuIcon(int index) {
  return QIcon(
      QStringLiteral(":/art/menu_%1.svg").arg(index, 2, 10, QChar('0')));
}
