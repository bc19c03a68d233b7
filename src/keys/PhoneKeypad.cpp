#include "keys/PhoneKeypad.h"

#include "controls/Artwork.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>

namespace {
const QString kSheet = QStringLiteral("keypad");
} // namespace

PhonePanel::PhonePanel(const Artwork &artwork, qreal ratio, QWidget *parent)
    : QWidget(parent) {
  setObjectName("keypad");
  const QSize size = artwork.geometry().sheetSize(kSheet);
  setFixedSize(size.isValid() ? size : QSize(178, 198));
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Base));
  setPalette(pal);

  // A picture: the sheet is let go once the window is built.
  auto *background = new QLabel(this);
  background->setObjectName("keypadBackground");
  background->setGeometry(rect());
  background->setPixmap(QPixmap::fromImage(artwork.background(kSheet, ratio)));

  for (const ArtworkKey &k : artwork.geometry().keys()) {
    auto *b = new PictureButton(this);
    b->setObjectName(k.id);
    b->setTag(k.code);
    b->setButtonStyle(k.style);
    b->setGeometry(k.button);
    QImage glyph = artwork.picture(kSheet, k.id, 1);
    if (glyph.isNull()) {
      // Without artwork the key is a plain face of its picture's size.
      glyph = QImage(k.glyph, QImage::Format_RGB32);
      glyph.fill(qRgb(200, 204, 212));
      for (int y = 0; y < glyph.height(); ++y)
        for (int x = 0; x < glyph.width(); ++x)
          if (x < 2 || y < 2 || x >= glyph.width() - 2 ||
              y >= glyph.height() - 2)
            glyph.setPixel(x, y, qRgb(255, 255, 255));
    }
    // Placed at a fixed size: the button keeps its size, not the picture's.
    b->loadGlyph(glyph,
                 ratio > 1 ? artwork.picture(kSheet, k.id, ratio) : QImage());
    b->loaded();
    b->show();
  }
}

QList<PictureButton *> PhonePanel::buttons() const {
  return findChildren<PictureButton *>(QString(), Qt::FindDirectChildrenOnly);
}

PictureButton *PhonePanel::button(const QString &name) const {
  return findChild<PictureButton *>(name, Qt::FindDirectChildrenOnly);
}
