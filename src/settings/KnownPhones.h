#pragma once
// The phones allowed when "known phones only" is on: [KnownPhones] in
// Quorvane.ini, one line per phone, the identification block as 16 hex
// digits for the key and the model name, for the reader, as the value:
//
//   [KnownPhones]
//   414F564E5AC319E7=Quorvane Phone Simulator

#include <QByteArray>
#include <QList>

class Settings;

struct KnownPhone {
  QByteArray block; // 16 upper-case hex digits
  QByteArray name;
};

// The valid entries in file order. A key that is not 16 hex digits is
// passed over, with a line in the log (commands switch).
// Each reads or writes the file of settings.
QList<KnownPhone> loadKnownPhones(const Settings &settings);
// Adds (or renames) a phone. Throws SettingsWriteError.
void addKnownPhone(const Settings &settings, const QByteArray &block,
                   const QByteArray &name);
// Removes a phone; nothing when it is not listed. Throws SettingsWriteError.
void removeKnownPhone(const Settings &settings, const QByteArray &block);

// True for exactly 16 hexadecimal digits.
bool isPhoneBlockText(const QByteArray &text);
