#pragma once
// Process-wide paths: the program directory and the folder of video frames.
// Both end with a separator. They are computed once at start from the
// executable's location; tests may point them elsewhere.

#include <QString>

QString ExeDir();
QString TempDir();
// The executable's full path (the log file and the single-instance name
// derive from it).
QString ExePath();

// Sets ExePath and with it ExeDir and TempDir.
void SetExePath(const QString &path);
