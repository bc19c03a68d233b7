#include "app/TrayController.h"

#include "settings/Language.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>
#include <QWindowStateChangeEvent>

TrayController::TrayController(QWidget &window)
    : QObject(&window), m_window(window) {
  setObjectName("trayController");
  for (int i = 0; i < 4; ++i)
    m_icons.append(QIcon(QStringLiteral(":/art/tray_%1.svg").arg(i)));
  m_menu = new QMenu(&window);
  m_menu->setObjectName("trayMenu");
  auto entry = [this](const char *name, const char *key) {
    QAction *a = m_menu->addAction(uiText(key));
    a->setObjectName(name);
    return a;
  };
  m_restoreAction = entry("restoreAction", "PMRestore");
  m_minimizeAction = entry("minimizeAction", "PMMinimize");
  m_exitAction = entry("trayExitAction", "PMExit");
  connect(m_restoreAction, &QAction::triggered, this, &TrayController::restore);
  connect(m_minimizeAction, &QAction::triggered, this,
          &TrayController::minimize);
  connect(m_exitAction, &QAction::triggered, &window, &QWidget::close);

  m_icon = new QSystemTrayIcon(m_icons.value(0), this);
  m_icon->setObjectName("trayIcon");
  m_icon->setToolTip(QStringLiteral("Quorvane v1.0"));
  m_icon->setContextMenu(m_menu);
  connect(m_icon, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger)
              iconClicked();
          });
  if (available())
    m_icon->show();
}

bool TrayController::available() {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayController::minimize() {
  if (available())
    m_window.hide(); // a hidden window has no task-bar entry; the icon stays
  else
    m_window.showMinimized();
  m_minimized = true;
}

void TrayController::restore() {
  m_window.showNormal();
  m_window.raise();
  m_window.activateWindow();
  m_minimized = false;
}

void TrayController::iconClicked() {
  if (m_minimized)
    restore();
  else
    minimize();
}

void TrayController::windowStateChanged(const QWindowStateChangeEvent &change) {
  const bool wasMinimized = change.oldState() & Qt::WindowMinimized;
  if (m_window.isMinimized() && !wasMinimized) {
    // The title bar's minimise button minimises to the tray.
    if (available())
      QMetaObject::invokeMethod(&m_window, &QWidget::hide,
                                Qt::QueuedConnection);
    m_minimized = true;
  } else if (!m_window.isMinimized() && wasMinimized) {
    m_minimized = false;
  }
}

void TrayController::setIconIndex(int index) {
  m_iconIndex = index;
  m_icon->setIcon(m_icons.value(index));
}

void TrayController::setPeerText(const QString &text) {
  m_icon->setToolTip(text.isEmpty() ? QStringLiteral("Quorvane v1.0")
                                    : QStringLiteral("Quorvane v1.0\n") + text);
}

void TrayController::retranslate() {
  m_restoreAction->setText(uiText("PMRestore"));
  m_minimizeAction->setText(uiText("PMMinimize"));
  m_exitAction->setText(uiText("PMExit"));
}

void TrayController::hideIcon() { m_icon->hide(); }
