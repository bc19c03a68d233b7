#include "app/AppException.h"

#include "app/MessageBoxes.h"
#include "settings/Language.h"
#include "settings/Settings.h"

#include <QMessageBox>
#include <QPointer>

namespace {
bool g_showErrorBox = true;
bool g_handling = false;
QStringList g_handled;
} // namespace

void appException(QObject *, const QString &message) {
  g_handled.append(message);
  if (g_handling)
    return; // an error while the box is up: the program is ending already
  g_handling = true;
  if (g_showErrorBox && qApp)
    QMessageBox::critical(nullptr, QApplication::applicationDisplayName(),
                          message);
  g_handling = false;
  if (qApp)
    QCoreApplication::exit(1);
}

namespace {
// A settings file the disk refused is no reason to end the program: what the
// user has open (a link, a recording) goes on, and the file is as it was.
void reportWriteError(const SettingsWriteError &error) {
  showMessageBox(nullptr, MessageKind::Warning,
                 QApplication::applicationDisplayName(), error.goingOn());
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

void GuardedApplication::setShowErrorBox(bool show) { g_showErrorBox = show; }

QStringList GuardedApplication::handledErrors() { return g_handled; }

void postUnknownAppException(QObject *sender) {
  postAppException(sender, uiText("UiUnknownError"));
}
