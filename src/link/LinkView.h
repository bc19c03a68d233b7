#pragma once
// What the links need of the screen view and the window, without knowing
// either. The application implements it.

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <array>
#include <cstdint>

class LinkView {
public:
  virtual ~LinkView() = default;

  // Any thread. Decodes the tile and draws it into both screen pictures;
  // throws std::exception when the data cannot be decoded (nothing drawn).
  virtual void drawTile(const QByteArray &data, int x, int y) = 0;
  // Any thread. Wipes both pictures white and shows the model name that the
  // skin file gives for the model code.
  virtual void showPhoneIdentity(const QByteArray &modelCode) = 0;
  // Any thread. Restarts the 100 ms count after which the indicator returns
  // to "link open".
  virtual void restartActivityTimer() = 0;
  // Any thread. LED and tray icon to "data arriving" (2) / "link open" (1).
  virtual void showLinkActivity() = 0;
  virtual void showLinkIdle() = 0;
  // Any thread. Where the phone is: "address:port" over TCP, the port's
  // name on a serial link; empty when it has gone.
  virtual void showPeer(const QString &where) { Q_UNUSED(where); }
  // Any thread. The TCP phone has gone and the listener waits for the next
  // one; the next tile drawn ends the wait.
  virtual void showWaitingForPhone() {}
  // Any thread. A phone not on the list of known phones identified itself
  // on the given connection (PhoneGate); the user is to be asked.
  virtual void askAboutPhone(quint64 connection,
                             const std::array<uint8_t, 8> &id) {
    Q_UNUSED(connection);
    Q_UNUSED(id);
  }
};

// Eight upper-case hexadecimal digits of the first four identification bytes
// read as a little-endian 32-bit number.
QByteArray modelCodeOf(const unsigned char *idBytes);
