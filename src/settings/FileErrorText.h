#pragma once
// Why a file could not be written or a folder made, as messages say it: in
// the language in use for the usual reasons (a full disk, no permission...),
// in the system's words for the rare ones.

#include <QString>

// Lower-case, without a final full stop: "no space left on device".
QString fileErrorText(int error);
