#pragma once
// The program-wide handler for errors that reach the event loop: shows the
// error's message in the standard error box, then ends the program. A
// settings file that could not be written (SettingsWriteError) is only
// reported, in a warning, and the program goes on.

#include <QApplication>
#include <exception>

class QObject;

void AppException(QObject *sender, const std::exception &error);
void AppException(QObject *sender, const QString &message);
// Hands an error caught in a slot to AppException through the event loop,
// so that no exception passes through a signal's delivery.
void PostAppException(QObject *sender, const std::exception &error);
void PostAppException(QObject *sender, const QString &message);

// The application object: every event is dispatched inside a try block, so
// no exception crosses Qt's event loop; what is caught goes to AppException.
class TApplication : public QApplication {
  Q_OBJECT
public:
  TApplication(int &argc, char **argv);
  bool notify(QObject *receiver, QEvent *event) override;

  // When false (tests), AppException ends the loop without a message box.
  static void SetShowErrorBox(bool show);
  // The messages AppException has handled in this run.
  static QStringList HandledErrors();
};
