#pragma once
// The program-wide handler for errors that reach the event loop: shows the
// error's message in the standard error box, then ends the program. A
// settings file that could not be written (SettingsWriteError) is only
// reported, in a warning, and the program goes on.

#include "app/MessageBoxes.h"

#include <QApplication>
#include <QStringList>
#include <exception>

class QObject;
class SettingsWriteError;

void appException(QObject *sender, const std::exception &error);
void appException(QObject *sender, const QString &message);
// Hands an error caught in a slot to appException through the event loop,
// so that no exception passes through a signal's delivery.
void postAppException(QObject *sender, const std::exception &error);
void postAppException(QObject *sender, const QString &message);
// The same for an error that is no std::exception.
void postUnknownAppException(QObject *sender);

// The application object: every event is dispatched inside a try block, so
// no exception crosses Qt's event loop; what is caught goes to appException,
// which hands it to the application object when it is one of these.
class GuardedApplication : public QApplication {
  Q_OBJECT
public:
  GuardedApplication(int &argc, char **argv);
  bool notify(QObject *receiver, QEvent *event) override;

  // The application object when it is a GuardedApplication, else nullptr.
  static GuardedApplication *instance();

  // Shows the message in the standard error box and ends the event loop;
  // an error while the box is up is only noted.
  void handleError(const QString &message);
  // Warns that a settings file was not written; the program goes on.
  void reportWriteError(const SettingsWriteError &error);

  // When false (tests), errors end the loop without a message box.
  void setShowErrorBox(bool show) { m_showErrorBox = show; }
  // The messages handled in this run.
  QStringList handledErrors() const { return m_handled; }
  // Where write errors are reported; nullptr: the application's own
  // QMessageBox boxes.
  void setMessageBoxes(MessageBoxes *boxes) { m_boxes = boxes; }

private:
  QtMessageBoxes m_ownBoxes;
  MessageBoxes *m_boxes = nullptr;
  bool m_showErrorBox = true;
  bool m_handling = false;
  QStringList m_handled;
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
