#pragma once
// What the links need of the screen view and the window, without knowing
// either. The application implements it.

#include <QByteArray>

class ILinkView {
public:
  virtual ~ILinkView() = default;

  // Any thread. Decodes the tile and draws it into both screen pictures;
  // throws std::exception when the data cannot be decoded (nothing drawn).
  virtual void DrawTile(const QByteArray &data, int x, int y) = 0;
  // Any thread. Wipes both pictures white and shows the model name that the
  // skin file gives for the model code.
  virtual void ShowPhoneIdentity(const QByteArray &modelCode) = 0;
  // Any thread. Restarts the 100 ms count after which the indicator returns
  // to "link open".
  virtual void RestartActivityTimer() = 0;
  // Any thread. LED and tray icon to "data arriving" (2) / "link open" (1).
  virtual void ShowLinkActivity() = 0;
  virtual void ShowLinkIdle() = 0;
};

// Eight upper-case hexadecimal digits of the first four identification bytes
// read as a little-endian 32-bit number.
QByteArray ModelCodeOf(const unsigned char *idBytes);
