#include "app/PortScanProgress.h"

#include <QGuiApplication>
#include <QScreen>

PortScanProgress::PortScanProgress(QWidget *parent)
    : QWidget(parent,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName("portScanProgress");
  setFixedSize(335, 64);
  setWindowOpacity(200.0 / 255.0);

  m_frame = new QWidget(this);
  m_frame->setObjectName("progressFrame");
  m_frame->setGeometry(0, 0, 335, 64);
  m_frame->setAutoFillBackground(true);
  QPalette pal = m_frame->palette();
  pal.setColor(QPalette::Window, QColor(211, 213, 220));
  m_frame->setPalette(pal);

  m_progressBar = new QProgressBar(this);
  m_progressBar->setObjectName("progressBar");
  m_progressBar->setGeometry(24, 16, 281, 17);
  m_progressBar->setTextVisible(false);

  m_portLabel = new QLabel(this);
  m_portLabel->setObjectName("portLabel");
  m_portLabel->move(24, 42);
  QFont font("Verdana");
  font.setPixelSize(11);
  m_portLabel->setFont(font);
  m_portLabel->setAttribute(Qt::WA_TranslucentBackground);

  if (QScreen *screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void PortScanProgress::start(int n) {
  m_progressBar->setRange(0, n);
  m_progressBar->setValue(0);
  show();
  repaint();
}

void PortScanProgress::step(int i, const QString &port) {
  m_portLabel->setText(port);
  m_portLabel->adjustSize();
  m_portLabel->repaint();
  m_progressBar->setValue(i);
}

void PortScanProgress::finish() { close(); }
