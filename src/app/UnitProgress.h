#pragma once
// The small progress window shown while a port scan opens the ports.

#include "link/PortScan.h"

#include <QLabel>
#include <QProgressBar>
#include <QWidget>

class TFormProgress : public QWidget, public IScanProgress {
  Q_OBJECT
public:
  explicit TFormProgress(QWidget *parent = nullptr);

  QWidget *Shape1 = nullptr;
  QProgressBar *ProgressBarCOM = nullptr;
  QLabel *COMPort = nullptr;

  void Start(int n) override;
  void Step(int i, const QString &port) override;
  void Finish() override;
};
