#pragma once
// What the settings dialog checks before it saves: the fields typed as
// text, refused with a message before anything is written. The values
// themselves are stored by the dialog's pages and written by
// Settings::saveDialog.

#include <QByteArray>
#include <QString>
#include <optional>

// The fields checked, as typed.
struct TypedFields {
  QString port; // the listen port
  QString fps;  // the frame rate
  QString listenAddress;
};

enum class DialogField { Port, FPS, ListenAddress };

struct DialogRefusal {
  DialogField field;
  QString message;
};

// The first field that cannot be saved, in this order: a port that is not a
// whole number from 1 to 65535, a frame rate that is not one from 1 to 20, a
// listen address that is neither empty nor an IPv4 or IPv6 address (blanks
// around it do not count).
std::optional<DialogRefusal> checkTypedFields(const TypedFields &fields);

// The Language value for the language list's selection: the held value for
// none (its folder is gone and the user has not picked another), empty for
// the default entry 0, else the folder's name.
QByteArray languageToStore(int index, const QString &name,
                           const QByteArray &held);

// The port field's key filter: digits and Backspace are typed; every other
// character, the full stop and the comma too, is dropped.
bool portKeyAccepted(QChar c);
