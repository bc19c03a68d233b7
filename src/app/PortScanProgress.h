#pragma once
// The small progress window shown while a port scan opens the ports.

#include "link/PortScan.h"

#include <QLabel>
#include <QProgressBar>
#include <QWidget>

class PortScanProgress : public QWidget, public ScanProgress {
  Q_OBJECT
public:
  explicit PortScanProgress(QWidget *parent = nullptr);

  void start(int n) override;
  void step(int i, const QString &port) override;
  void finish() override;

private:
  QWidget *m_frame = nullptr;
  QProgressBar *m_progressBar = nullptr;
  QLabel *m_portLabel = nullptr;
};
