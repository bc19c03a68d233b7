#include "app/Startup.h"

#include "app/AppCore.h"
#include "app/AppException.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "app/SplashScreen.h"
#include "app/StartOptions.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "keys/KeyTable.h"
#include "link/CommandQueue.h"
#include "link/SerialLink.h"
#include "platform/SingleInstance.h"
#include "settings/Language.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <memory>

namespace {

// The executable's own path, known before any Qt object exists.
QString processExePath(const char *argv0) {
  const QFileInfo self(QStringLiteral("/proc/self/exe"));
  if (self.exists())
    return self.canonicalFilePath();
  return QFileInfo(QString::fromLocal8Bit(argv0)).absoluteFilePath();
}

} // namespace

void saveKeyTableAtEnd(const Paths &paths, KeyTable &table,
                       MessageBoxes &boxes) {
  QString error;
  if (!table.save(paths, &error))
    boxes.show(nullptr, MessageKind::Warning,
               QApplication::applicationDisplayName(),
               error + ' ' + uiText("FileKeysLostAtEnd"));
}

int runQuorvane(int argc, char *argv[]) {
  // 1. Before any thread: the command line, the folders and the log's file.
  const StartOptions options = StartOptions::parse(argc, argv);
  const Paths paths = Paths::forExecutable(
      processExePath(argv[0]), QStringLiteral(QV_INSTALLED_DATA_DIR),
      QStringLiteral(QV_INSTALLED_CONVERTER_DIR));
  EventLog::instance().setFilePath(paths.logFile());

  // 2. The application object.
  GuardedApplication app(argc, argv);
  QtMessageBoxes boxes;
  app.setMessageBoxes(&boxes);
  QApplication::setApplicationName(QStringLiteral("Quorvane"));
  QGuiApplication::setDesktopFileName(
      QStringLiteral("io.github.quorvane.Quorvane"));
  QApplication::setQuitOnLastWindowClosed(false);

  // 3. One copy per user only: a second one hands over to the first and
  // ends; when the first holds the lock but does not answer, it says so.
  SingleInstance instance;
  switch (instance.check(0, paths.exePath())) {
  case SingleInstance::Check::First:
    break;
  case SingleInstance::Check::HandedOver:
    return 0;
  case SingleInstance::Check::Unreachable:
    Settings settings(paths); // for the language of the message
    settings.load();
    loadLanguage(paths, settings);
    boxes.show(nullptr, MessageKind::Warning, QApplication::applicationName(),
               uiText("UiInstanceNoAnswer")
                   .arg(instance.holderPid() > 0
                            ? QString::number(instance.holderPid())
                            : QStringLiteral("?")));
    return 1;
  }

  // 4. The splash, painted at once so it is seen while the windows build;
  // its words are in the user's language.
  {
    Settings settings(paths);
    settings.load();
    loadLanguage(paths, settings);
  }
  auto splash = std::make_unique<SplashScreen>();
  splash->show();
  splash->repaint();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

  // 5. The program and its main window; the window's creation reads the
  // settings and installs the error handler.
  AppCore core(paths);
  core.keyTable().load(paths);
  auto main = std::make_unique<MainWindow>(core, boxes, options);
  QObject::connect(&instance, &SingleInstance::restoreRequested, main.get(),
                   &MainWindow::restoreFromOtherInstance);
  QObject::connect(main.get(), &MainWindow::closed, &app, &QApplication::quit);

  // 6. The message loop; the main window shows when it starts.
  main->show();
  QTimer::singleShot(0, main.get(), &MainWindow::offerLeftoverRecording);
  const int code = app.exec();

  // Ending, in reverse order.
  main.reset();
  core.shutDown();
  splash.reset();
  saveKeyTableAtEnd(paths, core.keyTable(), boxes);
  core.queue().queueClear();
  return code;
}
