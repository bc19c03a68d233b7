#pragma once
// The phone's model name, which the skin file gives for its model code.

#include <QByteArray>
#include <QString>

class Paths;

// The skin file: skins/skin.ini in the data folder.
QString skinFilePath(const Paths &paths);

// The key "Name" of section modelCode in the skin file; empty when the
// file, the section or the key is missing. The file is read at every call.
QString modelName(const QString &skinIniPath, const QByteArray &modelCode);
