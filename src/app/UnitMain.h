#pragma once
// The main window.

#include <QWidget>

class TFormMain : public QWidget {
  Q_OBJECT
public:
  explicit TFormMain(QWidget *parent = nullptr);
  ~TFormMain() override;

  void FormCreate();
  void MAboutClick();
  // Another instance asked this one to come forward.
  void RestoreFromOtherInstance();

signals:
  void Closed();

protected:
  void closeEvent(QCloseEvent *event) override;
};
