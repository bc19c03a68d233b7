#pragma once
// Process-wide paths: the program directory and the folder of video frames.
// Both end with a separator. They are computed once at start from the
// executable's location; tests may point them elsewhere.

#include <QString>

QString exeDir();
QString tempDir();
// The executable's full path (the log file and the single-instance name
// derive from it).
QString exePath();

// Sets exePath and with it exeDir and tempDir.
void setExePath(const QString &path);
