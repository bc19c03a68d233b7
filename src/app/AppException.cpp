#include "app/AppException.h"

#include "app/MessageBoxes.h"
#include "settings/Language.h"
#include "settings/Settings.h"

#include <QMessageBox>
#include <QPointer>

void appException(QObject *, const QString &message) {
  if (GuardedApplication *app = GuardedApplication::instance())
    app->handleError(message);
  else if (QCoreApplication::instance())
    QCoreApplication::exit(1);
}

namespace {
void reportWriteError(const SettingsWriteError &error) {
  if (GuardedApplication *app = GuardedApplication::instance())
    app->reportWriteError(error);
  else
    QtMessageBoxes().show(nullptr, MessageKind::Warning,
                          QApplication::applicationDisplayName(),
                          error.goingOn());
}
} // namespace

void appException(QObject *sender, const std::exception &error) {
  if (const auto *write = dynamic_cast<const SettingsWriteError *>(&error)) {
    reportWriteError(*write);
    return;
  }
  appException(sender, QString::fromLocal8Bit(error.what()));
}

void postAppException(QObject *sender, const QString &message) {
  if (!QCoreApplication::instance()) {
    appException(sender, message);
    return;
  }
  QPointer<QObject> from(sender);
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [from, message] { appException(from.data(), message); },
      Qt::QueuedConnection);
}

void postAppException(QObject *sender, const std::exception &error) {
  const auto *write = dynamic_cast<const SettingsWriteError *>(&error);
  if (!write) {
    postAppException(sender, QString::fromLocal8Bit(error.what()));
    return;
  }
  if (!QCoreApplication::instance()) {
    reportWriteError(*write);
    return;
  }
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [copy = *write] { reportWriteError(copy); },
      Qt::QueuedConnection);
}

GuardedApplication::GuardedApplication(int &argc, char **argv)
    : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject *receiver, QEvent *event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception &e) {
    appException(receiver, e);
  } catch (...) {
    appException(receiver, uiText("UiUnknownError"));
  }
  return false;
}

GuardedApplication *GuardedApplication::instance() {
  return qobject_cast<GuardedApplication *>(QCoreApplication::instance());
}

void GuardedApplication::handleError(const QString &message) {
  m_handled.append(message);
  if (m_handling)
    return; // an error while the box is up: the program is ending already
  m_handling = true;
  if (m_showErrorBox)
    QMessageBox::critical(nullptr, applicationDisplayName(), message);
  m_handling = false;
  exit(1);
}

// A settings file the disk refused is no reason to end the program: what the
// user has open (a link, a recording) goes on, and the file is as it was.
void GuardedApplication::reportWriteError(const SettingsWriteError &error) {
  (m_boxes ? m_boxes : &m_ownBoxes)
      ->show(nullptr, MessageKind::Warning, applicationDisplayName(),
             error.goingOn());
}

void postUnknownAppException(QObject *sender) {
  postAppException(sender, uiText("UiUnknownError"));
}
