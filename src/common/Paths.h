#pragma once
// The program's folders. Every folder ends with a separator. They are
// decided once at start from the executable's location; tests make their
// own for a folder of theirs.
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

// The data folder of an installed executable, relative to its folder.
inline constexpr char kInstalledDataDir[] = "../share/quorvane";

// The folders of one run, decided once from the executable's location and
// handed to whoever reads or writes a file. An immutable value.
class Paths {
public:
  // The layout for the executable at exePath. dataRelative is where an
  // installed executable finds its data, relative to its folder;
  // converterRelative where the program finds the converter. The installed
  // layout's writable folders, Videos and Pictures included, are created.
  static Paths
  forExecutable(const QString &exePath,
                const QString &dataRelative = QLatin1String(kInstalledDataDir),
                const QString &converterRelative = QString());

  // The executable's full path (the single-instance name derives from it).
  const QString &exePath() const { return m_exePath; }
  const QString &exeDir() const { return m_exeDir; }
  PathLayout layout() const { return m_layout; }

  // Read-only data: Languages/, skins/, Manual.pdf.
  const QString &dataDir() const { return m_dataDir; }
  // Quorvane.ini, keys.ini and serialports.ini.
  const QString &configDir() const { return m_configDir; }
  // The event log.
  const QString &stateDir() const { return m_stateDir; }
  // AVIList.dat, the converter's lock and the frames' folder tempDir().
  const QString &workDir() const { return m_workDir; }
  QString tempDir() const;
  // Language folders: the shipped ones, then (installed) the user's own.
  QStringList languageDirs() const;
  // Where the converter program lies.
  const QString &converterDir() const { return m_converterDir; }
  // The default folders of the video and of screenshots.
  const QString &defaultVideoDir() const { return m_videoDir; }
  const QString &defaultPictureDir() const { return m_pictureDir; }
  // The event log's file: the executable's name with ".log" for its
  // extension, in stateDir.
  QString logFile() const;

private:
  Paths() = default;

  QString m_exePath;
  QString m_exeDir;
  PathLayout m_layout = PathLayout::Portable;
  QString m_dataDir;
  QString m_configDir;
  QString m_stateDir;
  QString m_workDir;
  QString m_userDataDir;
  QString m_converterDir;
  QString m_videoDir;
  QString m_pictureDir;
};
