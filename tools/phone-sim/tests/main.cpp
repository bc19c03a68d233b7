// Test runner: the UI is painted with fonts, which needs a GUI application.
#include "Log.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  phonesim::setLogLevel(phonesim::LogLevel::Quiet);
  return RUN_ALL_TESTS();
}
