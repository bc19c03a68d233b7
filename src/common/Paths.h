#pragma once
// Process-wide paths. Every folder ends with a separator. They are decided
// once at start from the executable's location; tests may point them
// elsewhere.
//
// Two layouts, told apart by where the program's data lies:
// - portable: the data (Languages/, skins/) lies beside the executable, and
//   every file the program reads or writes is in that one folder;
// - installed: the data lies in the executable's dataRelative folder (for
//   bin/quorvane, ../share/quorvane); what the program writes goes to the
//   user's configuration, state and cache folders, and videos and
//   screenshots to the user's Videos and Pictures folders.

#include <QString>
#include <QStringList>

enum class PathLayout { Portable, Installed };

// The executable's full path (the single-instance name derives from it).
QString exePath();
QString exeDir();
PathLayout pathLayout();

// Read-only data: Languages/, skins/, Manual.pdf.
QString dataDir();
// Quorvane.ini, keys.ini and serialports.ini.
QString configDir();
// The event log.
QString stateDir();
// AVIList.dat, the converter's lock and the frames' folder tempDir().
QString workDir();
QString tempDir();
// Language folders: the shipped ones, then (installed) the user's own.
QStringList languageDirs();
// Where the converter program lies.
QString converterDir();
// The default folders of the video and of screenshots.
QString defaultVideoDir();
QString defaultPictureDir();

// The data folder of an installed executable, relative to its folder, and
// the converter's folder relative to the program's.
inline constexpr char kInstalledDataDir[] = "../share/quorvane";

// Sets exePath and with it the layout and every folder. dataRelative is
// where an installed executable finds its data, relative to its folder;
// converterRelative where the program finds the converter. The installed
// layout's writable folders, Videos and Pictures included, are created.
void setExePath(const QString &path,
                const QString &dataRelative = QLatin1String(kInstalledDataDir),
                const QString &converterRelative = QString());
