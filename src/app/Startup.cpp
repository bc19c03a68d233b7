#include "app/Startup.h"

#include "app/AppException.h"
#include "app/MessageBoxes.h"
#include "app/UnitMain.h"
#include "app/UnitSplash.h"
#include "common/Paths.h"
#include "keys/KeyTable.h"
#include "keys/UnitHotKey.h"
#include "link/CommandQueue.h"
#include "link/UnitDataCom.h"
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
QString ProcessExePath(const char *argv0) {
  const QFileInfo self(QStringLiteral("/proc/self/exe"));
  if (self.exists())
    return self.canonicalFilePath();
  return QFileInfo(QString::fromLocal8Bit(argv0)).absoluteFilePath();
}

} // namespace

bool StartedWithLogSwitch() { return g_logSwitch; }

void SaveKeyTableAtEnd() {
  QString error;
  if (!SaveKeyTable(&error))
    ShowMessageBox(nullptr, TMessageKind::Warning,
                   QApplication::applicationDisplayName(),
                   error + ' ' + UiText("FileKeysLostAtEnd"));
}

int RunQuorvane(int argc, char *argv[]) {
  // 1. Process-wide state: paths, the key table, and the command queue with
  // its lock.
  SetExePath(ProcessExePath(argv[0]));
  g_logSwitch = argc > 1 && QByteArray(argv[1]) == "-log";
  LoadKeyTable();
  // The one queue of key entries; every link and every producer is given it.
  TCommandQueue queue;

  // 2. The application object.
  TApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorvane"));
  QApplication::setQuitOnLastWindowClosed(false);

  // 3. One copy per user only: a second one hands over to the first and
  // ends; when the first holds the lock but does not answer, it says so.
  TSingleInstance instance;
  switch (instance.Check(0, ExePath())) {
  case TSingleInstance::TCheck::First:
    break;
  case TSingleInstance::TCheck::HandedOver:
    return 0;
  case TSingleInstance::TCheck::Unreachable:
    LoadSettings(); // for the language of the message
    LoadLanguage();
    ShowMessageBox(nullptr, TMessageKind::Warning,
                   QApplication::applicationName(),
                   UiText("UiInstanceNoAnswer")
                       .arg(instance.HolderPid() > 0
                                ? QString::number(instance.HolderPid())
                                : QStringLiteral("?")));
    return 1;
  }

  // 4. The splash, painted at once so it is seen while the windows build.
  auto splash = std::make_unique<TFormSplash>();
  splash->show();
  splash->repaint();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

  // 5. The main window; its creation reads the settings and installs the
  // error handler.
  auto main = std::make_unique<TFormMain>(queue);
  QObject::connect(&instance, &TSingleInstance::RestoreRequested, main.get(),
                   &TFormMain::RestoreFromOtherInstance);
  QObject::connect(main.get(), &TFormMain::Closed, &app, &QApplication::quit);

  // 6. The serial data module.
  auto dataCom = std::make_unique<TDataComPort>(queue, &main->LinkView());
  main->SetDataComPort(dataCom.get());
  // 7. The hot-key editor, hidden until the key page opens it.
  auto hotKey = std::make_unique<TFormHotKey>(main.get());
  SetFormHotKey(hotKey.get());

  // 8. The message loop; the main window shows when it starts.
  main->show();
  QTimer::singleShot(0, main.get(), &TFormMain::OfferLeftoverRecording);
  const int code = app.exec();

  // Ending, in reverse order.
  SetFormHotKey(nullptr);
  hotKey.reset();
  main->SetDataComPort(nullptr);
  dataCom.reset(); // closes an open serial port without a word to the phone
  main.reset();
  splash.reset();
  SaveKeyTableAtEnd();
  queue.QueueClear();
  return code;
}
