#pragma once
// What the settings dialog saves, apart from its widgets: the fields as
// typed, checked before anything is written, then written in one opening
// of the settings file and the capture settings after them.

#include <QString>
#include <optional>

class Paths;

struct DialogValues {
  QString port; // the listen port as typed
  QString blueToothPort;
  QString dataPort;
  QString imageType; // the selected format
  QString imageDir;
  // The selected entry of the language list: -1 none, 0 the default entry
  // (no language), else a language folder named languageName.
  int languageIndex = -1;
  QString languageName;
  QString aviName;
  QString fps;           // the frame rate as typed
  QString listenAddress; // empty: every IPv4 address
};

enum class DialogField { Port, FPS, ListenAddress };

struct DialogRefusal {
  DialogField field;
  QString message;
};

// A field that cannot be saved: a port that is not a whole number from 1 to
// 65535, a frame rate that is not one from 1 to 20, a listen address that is
// neither empty nor an IPv4 or IPv6 address. Nothing is written then.
std::optional<DialogRefusal> checkDialogValues(const DialogValues &values);

// The Language value the entry stands for: empty for the default entry, the
// stored value for none (the stored language has no folder and the user has
// not picked another).
QByteArray languageToStore(const DialogValues &values);

// Checks, then writes every value that differs from AppSettings: the
// connection, image and language keys in one opening of the file, then the
// video name and frame rate. Returns the refusal and writes nothing when a
// field is refused. Throws SettingsWriteError when the file cannot be
// written.
std::optional<DialogRefusal> saveDialogValues(const Paths &paths,
                                              const DialogValues &values);

// The port field's key filter: digits and Backspace are typed; every other
// character, the full stop and the comma too, is dropped.
bool portKeyAccepted(QChar c);
