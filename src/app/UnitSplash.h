#pragma once
// The splash window, shown while the long-lived windows are built; the same
// class makes the About box.

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class TClickLabel : public QLabel {
  Q_OBJECT
public:
  using QLabel::QLabel;
signals:
  void clicked();

protected:
  void mouseReleaseEvent(QMouseEvent *event) override;
};

class TFormSplash : public QWidget {
  Q_OBJECT
public:
  static constexpr int SplashTicks = 5;

  explicit TFormSplash(QWidget *parent = nullptr);

  // Makes this window the About box: caption, frame, no self-hiding, a
  // picture that ignores clicks and a label that opens the home page. It is
  // centred on mainWindow once shown, when its frame is known.
  void MakeAboutBox(QWidget *mainWindow);
  // Centres the window's frame on the other window's frame.
  void CenterOn(const QWidget *other);

  TClickLabel *Image = nullptr;
  TClickLabel *LabelCursor = nullptr;
  QTimer *Timer = nullptr;

  void FormShow();
  void TimerTimer();
  void ImageClick();
  void LabelCursorClick();

  // The process-wide tick counter shared by every splash.
  static int TickCount();
  static void ResetTickCount();

  static QString HomePage();

protected:
  void showEvent(QShowEvent *event) override;

private:
  bool m_showHandler = true;
  QPointer<QWidget> m_centerOn;
};
