#pragma once
// The splash window, shown while the long-lived windows are built; the same
// class makes the About box.

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class Artwork;

class ClickLabel : public QLabel {
  Q_OBJECT
public:
  using QLabel::QLabel;
signals:
  void clicked();

protected:
  void mouseReleaseEvent(QMouseEvent *event) override;
};

class SplashScreen : public QWidget {
  Q_OBJECT
public:
  static constexpr int kSplashTicks = 5;

  explicit SplashScreen(QWidget *parent = nullptr);

  // Makes this window the About box: caption, frame, no self-hiding, a
  // picture that ignores clicks and a label that opens the home page. It is
  // centred on mainWindow once shown, when its frame is known.
  void makeAboutBox(QWidget *mainWindow);
  // Centres the window's frame on the other window's frame.
  void centerOn(const QWidget *other);

  // The process-wide tick counter shared by every splash.
  int tickCount() const { return m_ticks; }

  static QString homePage();

protected:
  void showEvent(QShowEvent *event) override;
  // A hidden splash has nothing left to count: its timer stops.
  void hideEvent(QHideEvent *event) override;

private:
  static QRect place(const Artwork &artwork, const char *name);
  // The splash picture with its words, drawn at ratio.
  QImage drawPicture(const Artwork &artwork, qreal ratio) const;
  // Counts a tick of the splash timer; the fifth hides the splash.
  void countTick();
  void openHomePage();

  ClickLabel *m_picture = nullptr;
  ClickLabel *m_homePageLink = nullptr;
  QTimer *m_timer = nullptr;
  bool m_showHandler = true;
  int m_ticks = 0;
  QPointer<QWidget> m_centerOn;
};
