#pragma once
// The tray icon and its menu, and minimising the main window to the tray and
// bringing it back. Where no tray exists, minimising leaves the window on the
// task bar instead.

#include <QIcon>
#include <QList>
#include <QObject>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;
class QWindowStateChangeEvent;

class TrayController : public QObject {
  Q_OBJECT
public:
  // window: the main window, which this hides, shows and closes.
  explicit TrayController(QWidget &window);

  // Minimising hides the window only where a tray icon can bring it back.
  static bool available();
  void minimize();
  void restore();
  bool isMinimized() const { return m_minimized; }
  // The window's own state changed (the title bar's minimise button).
  void windowStateChanged(const QWindowStateChangeEvent &change);

  // The icon: 0 no link, 1 link open, 2 and 3 activity.
  void setIconIndex(int index);
  int iconIndex() const { return m_iconIndex; }
  // Who is at the other end of the link, under the program's name.
  void setPeerText(const QString &text);
  void retranslate();
  void hideIcon();

private:
  void iconClicked();

  QWidget &m_window;
  QList<QIcon> m_icons;
  QMenu *m_menu = nullptr;
  QAction *m_restoreAction = nullptr, *m_minimizeAction = nullptr,
          *m_exitAction = nullptr;
  QSystemTrayIcon *m_icon = nullptr;
  int m_iconIndex = 0;
  bool m_minimized = false;
};
