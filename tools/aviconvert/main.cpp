// AVIConvert: the converter that Quorvane starts when a recording stops.
// It works in its own program directory, or in the directory given as its
// one argument; installed, in the folders the program writes to. With
// AVICONVERT_EXIT_WHEN_DONE set it ends when the video is done, with exit
// code 0, or 1 after a failure, and prints the result.
// Its messages are in the language that Quorvane.ini of that directory
// chooses.

#include "aviconvert/ConvertWindow.h"
#include "common/Paths.h"
#include "settings/Language.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>

extern "C" {
#include <libavutil/log.h>
}

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  // The encoders' own statistics would drown the one line of result.
  av_log_set_level(AV_LOG_ERROR);
  QApplication::setApplicationName(QStringLiteral("AviConvert"));
  const QStringList args = QApplication::arguments();
  // The program directory is the one worked in, for the settings and the
  // language files alike.
  const Paths paths =
      args.size() > 1
          ? Paths::forExecutable(
                QDir(args.at(1)).absoluteFilePath(QStringLiteral("AVIConvert")))
          : Paths::forExecutable(QApplication::applicationFilePath(),
                                 QStringLiteral(QV_CONVERTER_DATA_DIR));
  const aviconvert::ConversionDirs dirs{paths.workDir(), paths.configDir(),
                                        paths.defaultVideoDir()};
  Settings settings(paths);
  settings.load();
  loadLanguage(paths, settings);
  const bool exitWhenDone =
      qEnvironmentVariableIsSet("AVICONVERT_EXIT_WHEN_DONE");

  aviconvert::ConvertWindow window(dirs);
  int code = 0;
  bool done = false;
  QObject::connect(&window, &aviconvert::ConvertWindow::Finished, [&](bool ok) {
    code = ok ? 0 : 1;
    done = true;
    std::fprintf(ok ? stdout : stderr, "%s\n", qPrintable(window.resultText()));
    std::fflush(ok ? stdout : stderr);
    if (exitWhenDone)
      QApplication::exit(code);
  });
  window.show();
  QTimer::singleShot(0, &window, &aviconvert::ConvertWindow::start);
  const int rc = app.exec();
  return done ? code : rc;
}
