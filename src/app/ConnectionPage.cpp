#include "app/ConnectionPage.h"

#include "app/MessageBoxes.h"
#include "common/Paths.h"
#include "platform/SerialPortList.h"
#include "settings/DialogSave.h"
#include "settings/KnownPhones.h"
#include "settings/Language.h"
#include "settings/Settings.h"

#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtDebug>
#include <algorithm>

ConnectionPage::ConnectionPage(const Settings &settings, const Paths &paths,
                               MessageBoxes &boxes, QWidget *parent)
    : SettingsPage(parent), m_settings(settings),
      m_configDir(paths.configDir()), m_boxes(boxes) {
  setObjectName("connectionPage");
  // One group per link, stacked from the top; more fit below.
  int top = 6;
  auto group = [&](QGroupBox *&box, const char *boxName, QLabel *&label,
                   const char *labelName) {
    box = newGroup(this, boxName, top, 72);
    label = newLabel(box, labelName, kFieldLeft, 22, kFieldWidth);
    top += 80;
  };
  group(m_internetBox, "internetBox", m_internetLabel, "internetLabel");
  m_portEdit = new QSpinBox(m_internetBox);
  m_portEdit->setObjectName("portEdit");
  m_portEdit->setGeometry(kFieldLeft, 41, 100, 22);
  // Out-of-range ports can be typed and are refused on saving, with a
  // message, rather than silently clamped.
  m_portEdit->setRange(0, 100000);
  m_portEdit->setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
  m_portEdit->installEventFilter(this);

  auto portCombo = [](QGroupBox *box, const char *name) {
    auto *c = new QComboBox(box);
    c->setObjectName(name);
    c->setGeometry(kFieldLeft, 41, 180, 22);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    return c;
  };
  group(m_bluetoothBox, "bluetoothBox", m_bluetoothLabel, "bluetoothLabel");
  m_bluetoothPortCombo = portCombo(m_bluetoothBox, "bluetoothPortCombo");
  group(m_cableBox, "cableBox", m_cableLabel, "cableLabel");
  m_cablePortCombo = portCombo(m_cableBox, "cablePortCombo");

  // Beside the port: the one address to listen on, empty for all.
  m_listenAddressEdit = new QLineEdit(m_internetBox);
  m_listenAddressEdit->setObjectName("listenAddressEdit");
  m_listenAddressEdit->setGeometry(kFieldLeft + 112, 41, kFieldWidth - 112, 22);
  m_listenAddressEdit->setPlaceholderText(uiText("UiEveryAddress"));
  m_listenAddressEdit->setToolTip(uiText("UiTipListenAddress"));

  // The phones served when only known phones are.
  m_phonesBox = newGroup(this, "knownPhonesBox", top, 52);
  m_phonesBox->setTitle(uiText("UiKnownPhones"));
  m_knownPhonesCombo = new QComboBox(m_phonesBox);
  m_knownPhonesCombo->setObjectName("knownPhonesCombo");
  m_knownPhonesCombo->setGeometry(kFieldLeft, 20, kFieldWidth - 84, 22);
  m_removePhoneButton = new QPushButton(uiText("UiRemovePhone"), m_phonesBox);
  m_removePhoneButton->setObjectName("removePhoneButton");
  m_removePhoneButton->setGeometry(kFieldLeft + kFieldWidth - 78, 20, 78, 22);
  connect(m_removePhoneButton, &QPushButton::clicked, this,
          &ConnectionPage::removeSelectedPhone);
  fillKnownPhones();
}

void ConnectionPage::retranslate() {
  m_internetBox->setTitle(uiText("SGPRSBox"));
  m_bluetoothBox->setTitle(uiText("SBlueToothBox"));
  m_cableBox->setTitle(uiText("SDataCableBox"));
  m_internetLabel->setText(uiText("SLabGPRS"));
  m_bluetoothLabel->setText(uiText("SLabBlueTooth"));
  m_cableLabel->setText(uiText("SLabDataCable"));
}

void ConnectionPage::load(const Settings &settings) {
  m_listenAddressEdit->setText(QString::fromLatin1(settings.listenAddress()));
  m_portEdit->setValue(settings.port());
  m_bluetoothPortCombo->setEditText(
      QString::fromLocal8Bit(settings.blueToothPort()));
  m_cablePortCombo->setEditText(QString::fromLocal8Bit(settings.dataPort()));
}

void ConnectionPage::store(Settings &edited) const {
  // Checked already: digits only, from 1 to 65535.
  edited.setPort(typedPort().toInt());
  edited.setBlueToothPort(m_bluetoothPortCombo->currentText().toLocal8Bit());
  edited.setDataPort(m_cablePortCombo->currentText().toLocal8Bit());
  edited.setListenAddress(typedListenAddress().trimmed().toLatin1());
}

void ConnectionPage::pageShown(const Settings &held) {
  m_portEdit->setValue(held.port());
  QStringList ports;
  try {
    for (const SerialPortEntry &entry : readSerialPortTable(m_configDir))
      if (!ports.contains(entry.portName))
        ports.append(entry.portName);
  } catch (const std::exception &e) {
    // The lists stay empty; the fields still take any typed name.
    qWarning().noquote() << "The serial port list could not be read:"
                         << e.what();
    ports.clear();
  }
  std::sort(ports.begin(), ports.end(), [](const QString &a, const QString &b) {
    return a.compare(b, Qt::CaseInsensitive) < 0;
  });
  for (auto [combo, text] :
       {std::pair{m_bluetoothPortCombo, held.blueToothPort()},
        std::pair{m_cablePortCombo, held.dataPort()}}) {
    combo->clear();
    combo->addItems(ports);
    combo->setCurrentIndex(-1);
    combo->setEditText(QString::fromLocal8Bit(text));
  }
}

QString ConnectionPage::typedPort() const { return m_portEdit->text(); }

QString ConnectionPage::typedListenAddress() const {
  return m_listenAddressEdit->text();
}

void ConnectionPage::focusPort() {
  m_portEdit->setFocus(Qt::OtherFocusReason);
  m_portEdit->selectAll();
}

void ConnectionPage::focusListenAddress() {
  m_listenAddressEdit->setFocus(Qt::OtherFocusReason);
  m_listenAddressEdit->selectAll();
}

bool ConnectionPage::eventFilter(QObject *watched, QEvent *event) {
  if (watched == m_portEdit && event->type() == QEvent::KeyPress) {
    const QString text = static_cast<QKeyEvent *>(event)->text();
    // Keys without a character (arrows, Delete, Tab) do what they always do.
    if (!text.isEmpty() && text.at(0).isPrint())
      return !portKeyAccepted(text.at(0));
  }
  return SettingsPage::eventFilter(watched, event);
}

void ConnectionPage::fillKnownPhones() {
  m_knownPhonesCombo->clear();
  for (const KnownPhone &phone : loadKnownPhones(m_settings))
    m_knownPhonesCombo->addItem(
        QStringLiteral("%1  %2").arg(QString::fromLatin1(phone.block),
                                     QString::fromUtf8(phone.name)),
        phone.block);
  m_removePhoneButton->setEnabled(m_knownPhonesCombo->count() > 0);
}

void ConnectionPage::removeSelectedPhone() {
  const QByteArray block = m_knownPhonesCombo->currentData().toByteArray();
  if (block.isEmpty())
    return;
  try {
    removeKnownPhone(m_settings, block);
  } catch (const std::exception &e) {
    m_boxes.show(
        this, MessageKind::Warning, window()->windowTitle(),
        uiText("UiPhoneNotRemoved").arg(QString::fromLocal8Bit(e.what())));
  }
  fillKnownPhones();
}
