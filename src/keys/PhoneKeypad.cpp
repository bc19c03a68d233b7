#include "keys/PhoneKeypad.h"

#include <QImage>
#include <QPixmap>

const QList<KeypadButton> &PhonePanel::keypadLayout() {
  static const QList<KeypadButton> layout = {
      {"B_Right_01", 421, 112, 3, 65, 26, PictureButtonStyle::Raised, 66, 29},
      {"B_Right_02", 453, 111, 31, 64, 42, PictureButtonStyle::Raised, 66, 44},
      {"b_Left_01", 420, 2, 1, 70, 28, PictureButtonStyle::Normal, 68, 29},
      {"b_Left_02", 452, 2, 29, 70, 42, PictureButtonStyle::Normal, 68, 44},
      {"b_Left", 270, 55, 15, 23, 49, PictureButtonStyle::Normal, 24, 47},
      {"b_Left_03", 436, 3, 76, 21, 72, PictureButtonStyle::Raised, 23, 74},
      {"B_01", 305, 25, 76, 42, 29, PictureButtonStyle::Raised, 44, 31},
      {"b_Left_04", 2056, 3, 149, 21, 46, PictureButtonStyle::Raised, 23, 48},
      {"B_Right", 271, 102, 14, 26, 52, PictureButtonStyle::Normal, 25, 50},
      {"B_Down", 273, 66, 50, 52, 24, PictureButtonStyle::Normal, 50, 25},
      {"B_02", 306, 68, 76, 43, 29, PictureButtonStyle::Raised, 44, 31},
      {"B_03", 307, 111, 76, 42, 29, PictureButtonStyle::Raised, 44, 31},
      {"B_04", 308, 25, 106, 42, 29, PictureButtonStyle::Raised, 44, 31},
      {"B_05", 309, 68, 106, 42, 29, PictureButtonStyle::Raised, 44, 31},
      {"B_06", 310, 111, 106, 42, 29, PictureButtonStyle::Raised, 44, 31},
      {"B_Right_03", 257, 154, 76, 21, 59, PictureButtonStyle::Raised, 23, 61},
      {"B_07", 311, 25, 136, 42, 29, PictureButtonStyle::Raised, 44, 31},
      {"B_08", 312, 68, 136, 42, 29, PictureButtonStyle::Raised, 44, 31},
      {"B_09", 313, 111, 136, 42, 29, PictureButtonStyle::Raised, 44, 31},
      {"B_0z", 298, 25, 166, 42, 29, PictureButtonStyle::Raised, 44, 31},
      {"B_00", 304, 68, 166, 42, 29, PictureButtonStyle::Raised, 44, 31},
      {"B_0s", 383, 111, 166, 42, 29, PictureButtonStyle::Raised, 44, 31},
      {"B_Right_04", 274, 154, 136, 21, 59, PictureButtonStyle::Raised, 23, 61},
      {"B_up", 272, 66, 2, 52, 24, PictureButtonStyle::Normal, 50, 25},
      {"b_Centr", 423, 79, 27, 22, 22, PictureButtonStyle::Raised, 24, 24},
  };
  return layout;
}

PhonePanel::PhonePanel(QWidget *parent, const QString &artPrefix)
    : QWidget(parent) {
  setObjectName("keypad");
  setFixedSize(kPanelWidth, kPanelHeight);
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Base));
  setPalette(pal);

  m_background = new QLabel(this);
  m_background->setObjectName("keypadBackground");
  m_background->setGeometry(0, 0, kPanelWidth, kPanelHeight);
  m_background->setPixmap(QPixmap(artPrefix + "keypad.png"));

  for (const KeypadButton &k : keypadLayout()) {
    auto *b = new PictureButton(this);
    b->setObjectName(k.name);
    b->setTag(k.tag);
    b->setButtonStyle(k.style);
    b->setGeometry(k.left, k.top, k.width, k.height);
    QImage glyph(artPrefix + "key_" + k.name + ".png");
    if (glyph.isNull()) {
      // Without artwork the key is a plain face of its glyph's size.
      glyph = QImage(k.glyphWidth, k.glyphHeight, QImage::Format_RGB32);
      glyph.fill(Qt::white);
      for (int y = 2; y < k.glyphHeight - 2; ++y)
        for (int x = 2; x < k.glyphWidth - 2; ++x)
          glyph.setPixel(x, y, qRgb(200, 204, 212));
    }
    // Loaded as a stored window definition: the buttons keep their sizes.
    b->loadGlyph(glyph);
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
