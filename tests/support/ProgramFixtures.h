#pragma once
// Small pieces the window and end-to-end tests share.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>

#include "support/TempDir.h"
#include "support/WindowDriver.h"

// Gives the directory the program's skin file, as the build lays it out.
inline bool copySkinFile(const ScopedTempDir &dir) {
  return QDir().mkpath(dir.file("skins")) &&
         QFile::copy(QV_PROGRAM_DIR "/skins/skin.ini",
                     dir.file("skins/skin.ini"));
}

// Pixels of the picture that are not white.
inline int countNonWhite(const QImage &image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      n += (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
  return n;
}

// The main window's connect commands: its menu entries and the connect
// button's pop-up, enabled together while no link is open.
inline QList<QAction *> connectCommands(const QObject &window) {
  QList<QAction *> actions;
  for (const char *name :
       {"connectInternetAction", "connectBluetoothAction", "connectCableAction",
        "autoConnectAction", "popupCableAction", "popupInternetAction",
        "popupBluetoothAction"})
    actions << driver::find<QAction>(window, name);
  return actions;
}
