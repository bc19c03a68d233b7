#pragma once
// The program-wide handler for errors that reach the event loop: shows the
// error's message in the standard error box, then ends the program. A
// settings file that could not be written (SettingsWriteError) is only
// reported, in a warning, and the program goes on.

#include <QApplication>
#include <exception>

class QObject;

void appException(QObject *sender, const std::exception &error);
void appException(QObject *sender, const QString &message);
// Hands an error caught in a slot to appException through the event loop,
// so that no exception passes through a signal's delivery.
void postAppException(QObject *sender, const std::exception &error);
void postAppException(QObject *sender, const QString &message);
// The same for an error that is no std::exception.
void postUnknownAppException(QObject *sender);

// The application object: every event is dispatched inside a try block, so
// no exception crosses Qt's event loop; what is caught goes to appException.
class GuardedApplication : public QApplication {
  Q_OBJECT
public:
  GuardedApplication(int &argc, char **argv);
  bool notify(QObject *receiver, QEvent *event) override;

  // When false (tests), appException ends the loop without a message box.
  static void setShowErrorBox(bool show);
  // The messages appException has handled in this run.
  static QStringList handledErrors();
};

// Runs a command of a menu, button or timer: an error is handed to the
// program's error handler, never thrown back into Qt's signal delivery.
template <typename F> void runGuarded(QObject *sender, F &&command) {
  try {
    command();
  } catch (const std::exception &e) {
    postAppException(sender, e);
  } catch (...) {
    postUnknownAppException(sender);
  }
}
