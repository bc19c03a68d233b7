#pragma once
// The phone keypad panel: the keypad picture with 25 shaped buttons, one per
// phone key, each carrying its phone key code as its tag.

#include "controls/PictureButton.h"

#include <QLabel>
#include <QList>
#include <QWidget>

struct KeypadButton {
  const char *name;
  int tag; // the phone key code
  int left, top, width, height;
  PictureButtonStyle style;
  int glyphWidth, glyphHeight;
};

class PhonePanel : public QWidget {
  Q_OBJECT
public:
  static constexpr int kPanelWidth = 178;
  static constexpr int kPanelHeight = 198;

  // The buttons in stacking order (a later one lies above an earlier one).
  static const QList<KeypadButton> &keypadLayout();

  // Glyphs and the keypad picture come from the resource folder artPrefix
  // ("keypad.png", "key_<name>.png").
  explicit PhonePanel(QWidget *parent = nullptr,
                      const QString &artPrefix = QStringLiteral(":/art/"));

  // The picture buttons whose parent is this panel, in stacking order.
  QList<PictureButton *> buttons() const;
  PictureButton *button(const QString &name) const;

private:
  QLabel *m_background = nullptr;
};
