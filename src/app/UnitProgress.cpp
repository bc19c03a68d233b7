#include "app/UnitProgress.h"

#include <QGuiApplication>
#include <QScreen>

TFormProgress::TFormProgress(QWidget *parent)
    : QWidget(parent,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName("FormProgress");
  setFixedSize(335, 64);
  setWindowOpacity(200.0 / 255.0);

  Shape1 = new QWidget(this);
  Shape1->setObjectName("Shape1");
  Shape1->setGeometry(0, 0, 335, 64);
  Shape1->setAutoFillBackground(true);
  QPalette pal = Shape1->palette();
  pal.setColor(QPalette::Window, QColor(211, 213, 220));
  Shape1->setPalette(pal);

  ProgressBarCOM = new QProgressBar(this);
  ProgressBarCOM->setObjectName("ProgressBarCOM");
  ProgressBarCOM->setGeometry(24, 16, 281, 17);
  ProgressBarCOM->setTextVisible(false);

  COMPort = new QLabel(this);
  COMPort->setObjectName("COMPort");
  COMPort->move(24, 42);
  QFont font("Verdana");
  font.setPixelSize(11);
  COMPort->setFont(font);
  COMPort->setAttribute(Qt::WA_TranslucentBackground);

  if (QScreen *screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void TFormProgress::Start(int n) {
  ProgressBarCOM->setRange(0, n);
  ProgressBarCOM->setValue(0);
  show();
  repaint();
}

void TFormProgress::Step(int i, const QString &port) {
  COMPort->setText(port);
  COMPort->adjustSize();
  COMPort->repaint();
  ProgressBarCOM->setValue(i);
}

void TFormProgress::Finish() { close(); }
