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

void AppException(QObject *, const QString &message) {
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
void ReportWriteError(const SettingsWriteError &error) {
  ShowMessageBox(nullptr, TMessageKind::Warning,
                 QApplication::applicationDisplayName(), error.GoingOn());
}
} // namespace

void AppException(QObject *sender, const std::exception &error) {
  if (const auto *write = dynamic_cast<const SettingsWriteError *>(&error)) {
    ReportWriteError(*write);
    return;
  }
  AppException(sender, QString::fromLocal8Bit(error.what()));
}

void PostAppException(QObject *sender, const QString &message) {
  if (!QCoreApplication::instance()) {
    AppException(sender, message);
    return;
  }
  QPointer<QObject> from(sender);
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [from, message] { AppException(from.data(), message); },
      Qt::QueuedConnection);
}

void PostAppException(QObject *sender, const std::exception &error) {
  const auto *write = dynamic_cast<const SettingsWriteError *>(&error);
  if (!write) {
    PostAppException(sender, QString::fromLocal8Bit(error.what()));
    return;
  }
  if (!QCoreApplication::instance()) {
    ReportWriteError(*write);
    return;
  }
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [copy = *write] { ReportWriteError(copy); },
      Qt::QueuedConnection);
}

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject *receiver, QEvent *event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception &e) {
    AppException(receiver, e);
  } catch (...) {
    AppException(receiver, UiText("UiUnknownError"));
  }
  return false;
}

void TApplication::SetShowErrorBox(bool show) { g_showErrorBox = show; }

QStringList TApplication::HandledErrors() { return g_handled; }
