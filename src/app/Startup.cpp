#include "app/Startup.h"

#include "app/AppCore.h"
#include "app/AppException.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "app/SplashScreen.h"
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

bool g_logSwitch = false;

// The executable's own path, known before any Qt object exists.
QString processExePath(const char *argv0) {
  const QFileInfo self(QStringLiteral("/proc/self/exe"));
  if (self.exists())
    return self.canonicalFilePath();
  return QFileInfo(QString::fromLocal8Bit(argv0)).absoluteFilePath();
}

} // namespace

bool startedWithLogSwitch() { return g_logSwitch; }

void saveKeyTableAtEnd(KeyTable &table) {
  QString error;
  if (!table.save(&error))
    showMessageBox(nullptr, MessageKind::Warning,
                   QApplication::applicationDisplayName(),
                   error + ' ' + uiText("FileKeysLostAtEnd"));
}

int runQuorvane(int argc, char *argv[]) {
  // 1. Process-wide state: the paths and the "-log" switch.
  setExePath(processExePath(argv[0]), QStringLiteral(QV_INSTALLED_DATA_DIR),
             QStringLiteral(QV_INSTALLED_CONVERTER_DIR));
  g_logSwitch = argc > 1 && QByteArray(argv[1]) == "-log";

  // 2. The application object.
  GuardedApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorvane"));
  QGuiApplication::setDesktopFileName(
      QStringLiteral("io.github.quorvane.Quorvane"));
  QApplication::setQuitOnLastWindowClosed(false);

  // 3. One copy per user only: a second one hands over to the first and
  // ends; when the first holds the lock but does not answer, it says so.
  SingleInstance instance;
  switch (instance.check(0, exePath())) {
  case SingleInstance::Check::First:
    break;
  case SingleInstance::Check::HandedOver:
    return 0;
  case SingleInstance::Check::Unreachable:
    Settings settings; // for the language of the message
    settings.load();
    loadLanguage(settings);
    showMessageBox(nullptr, MessageKind::Warning,
                   QApplication::applicationName(),
                   uiText("UiInstanceNoAnswer")
                       .arg(instance.holderPid() > 0
                                ? QString::number(instance.holderPid())
                                : QStringLiteral("?")));
    return 1;
  }

  // 4. The splash, painted at once so it is seen while the windows build.
  auto splash = std::make_unique<SplashScreen>();
  splash->show();
  splash->repaint();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

  // 5. The program and its main window; the window's creation reads the
  // settings and installs the error handler.
  AppCore core;
  core.keyTable().load();
  auto main = std::make_unique<MainWindow>(core);
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
  saveKeyTableAtEnd(core.keyTable());
  core.queue().queueClear();
  return code;
}
