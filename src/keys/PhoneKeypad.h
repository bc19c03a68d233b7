#pragma once
// The phone keypad panel: the keypad picture with 25 shaped buttons, one per
// phone key, each carrying its phone key code as its tag.

#include "controls/dxfPictureButton.h"

#include <QLabel>
#include <QList>
#include <QWidget>

struct TKeypadButton {
  const char *name;
  int tag; // the phone key code
  int left, top, width, height;
  TdxfButtonStyle style;
  int glyphWidth, glyphHeight;
};

class TPhonePanel : public QWidget {
  Q_OBJECT
public:
  static constexpr int PanelWidth = 178;
  static constexpr int PanelHeight = 198;

  // The buttons in stacking order (a later one lies above an earlier one).
  static const QList<TKeypadButton> &Layout();

  // Glyphs and the keypad picture come from the resource folder artPrefix
  // ("keypad.png", "key_<name>.png").
  explicit TPhonePanel(QWidget *parent = nullptr,
                       const QString &artPrefix = QStringLiteral(":/art/"));

  QLabel *Image1 = nullptr;
  // The picture buttons whose parent is this panel, in stacking order.
  QList<TdxfPictureButton *> Buttons() const;
  TdxfPictureButton *Button(const QString &name) const;
};
