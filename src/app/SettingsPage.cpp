#include "app/SettingsPage.h"

#include <QGroupBox>
#include <QLabel>

QLabel *SettingsPage::newLabel(QWidget *parent, const char *name, int left,
                               int top, int width) {
  auto *l = new QLabel(parent);
  l->setObjectName(name);
  l->setGeometry(left, top, width, 17);
  return l;
}

QGroupBox *SettingsPage::newGroup(QWidget *parent, const char *name, int top,
                                  int height) {
  auto *g = new QGroupBox(parent);
  g->setObjectName(name);
  g->setGeometry(13, top, 328, height);
  return g;
}
