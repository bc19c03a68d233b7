#include "app/UnitMain.h"

#include "app/UnitSplash.h"
#include "settings/Settings.h"

#include <QCloseEvent>

TFormMain::TFormMain(QWidget *parent) : QWidget(parent) { FormCreate(); }

TFormMain::~TFormMain() = default;

void TFormMain::FormCreate() {
  setWindowTitle(QStringLiteral("Quorvane v1.0"));
  setFixedSize(625, 669);
  LoadSettings();
}

void TFormMain::MAboutClick() {
  auto *box = new TFormSplash(nullptr);
  box->setAttribute(Qt::WA_DeleteOnClose, false);
  box->MakeAboutBox(this);
  box->show();
}

void TFormMain::RestoreFromOtherInstance() {
  showNormal();
  raise();
  activateWindow();
}

void TFormMain::closeEvent(QCloseEvent *event) {
  event->accept();
  emit Closed();
}
