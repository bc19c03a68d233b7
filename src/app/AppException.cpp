#include "app/AppException.h"

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

void AppException(QObject *sender, const std::exception &error) {
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
  PostAppException(sender, QString::fromLocal8Bit(error.what()));
}

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject *receiver, QEvent *event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception &e) {
    AppException(receiver, e);
  } catch (...) {
    AppException(receiver, QStringLiteral("Unknown error"));
  }
  return false;
}

void TApplication::SetShowErrorBox(bool show) { g_showErrorBox = show; }

QStringList TApplication::HandledErrors() { return g_handled; }
