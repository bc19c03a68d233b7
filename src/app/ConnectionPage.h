#pragma once
// The settings dialog's connection page: the listen port and address, the
// Bluetooth and cable ports, and the known phones.

#include "app/SettingsPage.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class MessageBoxes;
class Paths;

class ConnectionPage : public SettingsPage {
  Q_OBJECT
public:
  // settings: whose file lists the known phones; paths: where the serial
  // port table lies; boxes: where a refused removal is told.
  ConnectionPage(const Settings &settings, const Paths &paths,
                 MessageBoxes &boxes, QWidget *parent = nullptr);

  void load(const Settings &settings) override;
  void store(Settings &edited) const override;
  // The port and the port lists start again from the values held.
  void pageShown(const Settings &held) override;
  void retranslate() override;

  // The fields the dialog checks, as typed.
  QString typedPort() const;
  QString typedListenAddress() const;
  // A refused field takes the focus, its text selected.
  void focusPort();
  void focusListenAddress();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void fillKnownPhones();
  void removeSelectedPhone();

  const Settings &m_settings;
  const QString m_configDir;
  MessageBoxes &m_boxes;
  QGroupBox *m_internetBox = nullptr, *m_bluetoothBox = nullptr,
            *m_cableBox = nullptr, *m_phonesBox = nullptr;
  QLabel *m_internetLabel = nullptr, *m_bluetoothLabel = nullptr,
         *m_cableLabel = nullptr;
  QSpinBox *m_portEdit = nullptr;
  // Where the GPRS listener binds: empty for every address.
  QLineEdit *m_listenAddressEdit = nullptr;
  QComboBox *m_bluetoothPortCombo = nullptr, *m_cablePortCombo = nullptr;
  QComboBox *m_knownPhonesCombo = nullptr;
  QPushButton *m_removePhoneButton = nullptr;
};
