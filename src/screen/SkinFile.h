#pragma once
// The phone's identity: its model code and the model name that the skin
// file gives for it.

#include <QByteArray>
#include <QString>

// The skin file: skins/skin.ini in the program directory.
QString SkinFilePath();

// The model code of an identification block: bytes 0 to 3 read as a
// little-endian 32-bit number, written as eight upper-case hexadecimal
// digits (01 02 03 04 ... gives "04030201").
QByteArray ModelCode(const uchar id[8]);
// The same for a block held in a byte string; missing bytes count as zero.
QByteArray ModelCode(const QByteArray &id);

// The key "Name" of section modelCode in the skin file; empty when the
// file, the section or the key is missing. The file is read at every call.
QString ModelName(const QString &skinIniPath, const QByteArray &modelCode);
