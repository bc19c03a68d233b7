#pragma once
// The phone keypad panel: the keypad picture with one shaped button per
// phone key, each carrying its phone key code as its tag. The keys, their
// places, codes and styles come from the artwork's geometry.

#include "controls/PictureButton.h"

#include <QList>
#include <QWidget>

class Artwork;

class PhonePanel : public QWidget {
  Q_OBJECT
public:
  // The pictures are drawn at ratio (the screen's device pixel ratio).
  explicit PhonePanel(const Artwork &artwork, qreal ratio,
                      QWidget *parent = nullptr);

  // The picture buttons whose parent is this panel, in stacking order.
  QList<PictureButton *> buttons() const;
  PictureButton *button(const QString &name) const;
};
