#include "app/ConnectionCommands.h"

#include "app/AllowPhoneDialog.h"
#include "app/AppCore.h"
#include "app/AppException.h"
#include "app/ArtworkResources.h"
#include "app/LinkViewAdapter.h"
#include "app/MessageBoxes.h"
#include "app/PortScanProgress.h"
#include "app/TrayController.h"
#include "controls/PictureButton.h"
#include "link/SerialLink.h"
#include "screen/ActivityIndicator.h"
#include "screen/ScreenCanvas.h"
#include "screen/ScreenView.h"
#include "settings/Language.h"
#include "settings/Settings.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTimer>

ConnectionCommands::ConnectionCommands(AppCore &core, QWidget &window,
                                       MessageBoxes &boxes,
                                       const Controls &controls,
                                       TrayController &tray)
    : QObject(&window), m_core(core), m_window(window), m_boxes(boxes),
      m_controls(controls), m_tray(tray) {
  setObjectName("connectionCommands");
  m_ledImages = controls.ledPictures;

  // The connection pop-up of the connect button.
  m_popup = new QMenu(&window);
  m_popup->setObjectName("connectPopup");
  auto entry = [this](const char *name, const char *key, int image) {
    QAction *a = m_popup->addAction(uiText(key));
    a->setObjectName(name);
    a->setIcon(menuIcon(image));
    a->setToolTip(a->text());
    return a;
  };
  m_popupCableAction = entry("popupCableAction", "MMDataCableConn", 3);
  m_popupInternetAction = entry("popupInternetAction", "MMInternetConn", 2);
  m_popupBluetoothAction =
      entry("popupBluetoothAction", "MMBlueToothConnect", 6);
  m_popup->setToolTipsVisible(true);

  for (auto [action, command] :
       {std::pair{controls.autoConnectAction,
                  &ConnectionCommands::connectAutomatically},
        std::pair{controls.bluetoothAction,
                  &ConnectionCommands::connectBluetooth},
        std::pair{controls.cableAction, &ConnectionCommands::connectCable},
        std::pair{controls.internetAction,
                  &ConnectionCommands::connectInternet},
        std::pair{m_popupCableAction, &ConnectionCommands::connectCable},
        std::pair{m_popupInternetAction, &ConnectionCommands::connectInternet},
        std::pair{m_popupBluetoothAction,
                  &ConnectionCommands::connectBluetooth},
        std::pair{controls.disconnectAction,
                  &ConnectionCommands::disconnectLink}})
    connect(action, &QAction::triggered, this, command);
  connect(controls.connectButton, &PictureButton::clicked, this,
          &ConnectionCommands::showConnectPopup);
  connect(controls.disconnectButton, &PictureButton::clicked, this,
          &ConnectionCommands::disconnectLink);

  m_portWatchdog = new QTimer(this);
  m_portWatchdog->setObjectName("portWatchdog");
  m_portWatchdog->setInterval(3000);
  connect(m_portWatchdog, &QTimer::timeout, this,
          &ConnectionCommands::checkPortWatchdog);
  m_linkFiguresTimer = new QTimer(this);
  m_linkFiguresTimer->setObjectName("linkFiguresTimer");
  m_linkFiguresTimer->setInterval(1000);
  connect(m_linkFiguresTimer, &QTimer::timeout, this,
          &ConnectionCommands::sampleLinkFigures);
  // Runs only while a link is open (showLinkState).

  // A spot under each indicator: when a link's indicator is hidden to show
  // the link in use, the spot's tooltip tells who is at the other end.
  PictureButton *indicators[] = {controls.cableIndicator,
                                 controls.bluetoothIndicator,
                                 controls.internetIndicator};
  for (int i = 0; i < 3; ++i) {
    auto *spot = new QWidget(indicators[i]->parentWidget());
    spot->setObjectName(indicators[i]->objectName() + "Tip");
    spot->setGeometry(indicators[i]->geometry());
    spot->stackUnder(indicators[i]);
    m_indicatorTips[i] = spot;
  }

  connect(
      &m_core.serialLink(), &SerialLink::errorRaised, this,
      [this](const QString &message) { appException(&m_window, message); },
      Qt::QueuedConnection);
  connect(&m_core.indicator(), &ActivityIndicator::indexChanged, this,
          [this](int i) {
            setLedImage(i);
            m_tray.setIconIndex(i);
          });
  LinkViewAdapter &view = m_core.linkView();
  connect(&view, &LinkViewAdapter::phoneNameChanged, this,
          [this](const QString &name) {
            // A long name is cut to the label's room and shown whole in
            // its tip.
            QLabel *label = m_controls.modelLabel;
            const QString shown = label->fontMetrics().elidedText(
                name, Qt::ElideRight, label->maximumWidth());
            label->setText(shown);
            label->setToolTip(shown == name ? QString() : name);
            label->adjustSize();
          });
  connect(&view, &LinkViewAdapter::waitingForPhoneChanged, this,
          &ConnectionCommands::showWaitingForPhone);
  connect(&view, &LinkViewAdapter::peerChanged, this,
          &ConnectionCommands::updatePeerTips);
  connect(&view, &LinkViewAdapter::phoneApprovalNeeded, this,
          &ConnectionCommands::askAboutPhone);
  m_core.attachView(*this);
}

// --- Commands ---------------------------------------------------------------

void ConnectionCommands::connectInternet() {
  runGuarded(&m_window, [this] {
    m_core.applyPhonePolicy();
    m_core.connection().connectGprs();
  });
}

void ConnectionCommands::connectBluetooth() {
  runGuarded(&m_window, [this] {
    m_core.applyPhonePolicy();
    m_core.connection().connectBluetooth();
  });
}

void ConnectionCommands::connectCable() {
  runGuarded(&m_window, [this] {
    m_core.applyPhonePolicy();
    m_core.connection().connectCable();
  });
}

void ConnectionCommands::connectAutomatically() {
  // A port list that cannot be read ends here, not inside the menu's signal.
  runGuarded(&m_window, [this] {
    m_core.applyPhonePolicy();
    m_core.connection().autoconnect();
  });
}

void ConnectionCommands::showConnectPopup() {
  PictureButton *button = m_controls.connectButton;
  const QPoint topLeft = button->mapToGlobal(QPoint(0, 0));
  m_popup->popup(QPoint(topLeft.x(), topLeft.y() + button->height() + 4));
}

void ConnectionCommands::disconnectLink() {
  runGuarded(&m_window, [this] { m_core.connection().disconnectLink(); });
}

void ConnectionCommands::checkPortWatchdog() {
  runGuarded(&m_window, [this] { m_core.connection().checkPortWatchdog(); });
}

// --- Texts and tips ---------------------------------------------------------

void ConnectionCommands::retranslate() {
  showWaitingForPhone(m_core.linkView().waitingForPhone());
  // The pop-up repeats the menu's captions, without their shortcut texts.
  for (auto [popup, entry] :
       {std::pair{m_popupCableAction, m_controls.cableAction},
        std::pair{m_popupInternetAction, m_controls.internetAction},
        std::pair{m_popupBluetoothAction, m_controls.bluetoothAction}}) {
    popup->setText(entry->text().section(QLatin1Char('\t'), 0, 0));
    popup->setToolTip(popup->text());
  }
  updateIndicatorTips();
}

void ConnectionCommands::setLedImage(int index) {
  m_ledIndex = index;
  m_controls.linkLed->setPixmap(m_ledImages.value(index));
  m_controls.linkLed->repaint();
}

void ConnectionCommands::sampleLinkFigures() {
  const QString figures = m_core.sampleLinkFigures(uiText("UiLinkFigures"));
  if (figures.isEmpty())
    m_linkFiguresTimer->stop(); // no link: nothing to sample
  m_controls.linkLed->setToolTip(figures);
}

void ConnectionCommands::updatePeerTips() {
  const LinkViewAdapter::Peer peer = m_core.linkView().peer();
  QString text;
  if (!peer.where.isEmpty()) {
    const bool tcp = m_core.connection().link() == LinkKind::Gprs;
    text = uiText(tcp ? "UiPhoneAt" : "UiPhoneOn").arg(peer.where);
    if (!peer.modelCode.isEmpty())
      text += QStringLiteral("\n") +
              uiText("UiPhoneModel")
                  .arg(QString::fromLatin1(peer.modelCode),
                       peer.modelName.isEmpty() ? uiText("UiPhoneUnnamed")
                                                : peer.modelName);
  }
  m_peerTip = text;
  updateIndicatorTips();
  m_tray.setPeerText(text);
}

void ConnectionCommands::updateIndicatorTips() {
  // A grey indicator covers a link not in use; a hidden one uncovers the
  // coloured icon of the link in use, and the spot beneath it tells who is
  // at the other end. Both get the same tip, as the mouse may reach the spot
  // around a shown indicator's shape.
  const std::tuple<PictureButton *, QWidget *, const char *> links[] = {
      {m_controls.cableIndicator, m_indicatorTips[0], "UiLinkCable"},
      {m_controls.bluetoothIndicator, m_indicatorTips[1], "UiLinkBluetooth"},
      {m_controls.internetIndicator, m_indicatorTips[2], "UiLinkGprs"}};
  for (const auto &[indicator, spot, name] : links) {
    const bool inUse = !indicator->isPictureVisible();
    QString tip =
        uiText(inUse ? "UiTipLinkInUse" : "UiTipLinkIdle").arg(uiText(name));
    if (inUse && !m_peerTip.isEmpty())
      tip += QLatin1Char('\n') + m_peerTip;
    indicator->setToolTip(tip);
    spot->setToolTip(tip);
  }
}

void ConnectionCommands::showWaitingForPhone(bool waiting) {
  const QString text = waiting ? uiText("LinkWaitingForPhone") : QString();
  m_controls.screenView->setOverlayText(text);
  m_controls.zoomView->setOverlayText(text);
}

void ConnectionCommands::askAboutPhone(quint64 connection,
                                       const QByteArray &block,
                                       const QByteArray &modelCode,
                                       const QString &modelName) {
  if (m_allowPhone)
    m_allowPhone->close(); // an earlier question is out of date
  m_allowPhone =
      new AllowPhoneDialog(connection, m_core.linkView().peer().where,
                           modelCode, modelName, block, &m_window);
  m_allowPhone->setWindowFlag(Qt::Window);
  connect(m_allowPhone, &AllowPhoneDialog::answered, this,
          [this, prompt = m_allowPhone](AllowPhoneDialog::Answer answer) {
            runGuarded(&m_window, [&] {
              const auto answerOf = [](AllowPhoneDialog::Answer a) {
                switch (a) {
                case AllowPhoneDialog::AlwaysAllow:
                  return AppCore::PhoneAnswer::AlwaysAllow;
                case AllowPhoneDialog::AllowOnce:
                  return AppCore::PhoneAnswer::AllowOnce;
                case AllowPhoneDialog::Refuse:
                  break;
                }
                return AppCore::PhoneAnswer::Refuse;
              };
              // A list that cannot be stored still lets the phone in for
              // this run; the warning says the change was not saved.
              try {
                m_core.answerPhone(prompt->connection(), prompt->block(),
                                   prompt->modelName().toUtf8(),
                                   answerOf(answer));
              } catch (const SettingsWriteError &e) {
                postAppException(&m_window, e);
              }
            });
          });
  m_allowPhone->show();
}

// --- The window as the connection manager sees it -------------------------

ConnectionSettings ConnectionCommands::connectionSettings() const {
  const Settings &settings = m_core.settings();
  return {settings.port(), QString::fromLatin1(settings.listenAddress()),
          QString::fromLocal8Bit(settings.blueToothPort()),
          QString::fromLocal8Bit(settings.dataPort())};
}

void ConnectionCommands::setConnectCommandsEnabled(bool enabled) {
  for (QAction *a :
       {m_controls.internetAction, m_controls.bluetoothAction,
        m_controls.cableAction, m_controls.autoConnectAction,
        m_popupCableAction, m_popupInternetAction, m_popupBluetoothAction})
    a->setEnabled(enabled);
}

void ConnectionCommands::setDisconnectEnabled(bool enabled) {
  m_controls.disconnectAction->setEnabled(enabled);
  m_controls.disconnectButton->setEnabled(enabled);
}

void ConnectionCommands::setIndicatorShown(LinkKind link, bool shown) {
  switch (link) {
  case LinkKind::Cable:
    m_controls.cableIndicator->setPictureVisible(shown);
    break;
  case LinkKind::Bluetooth:
    m_controls.bluetoothIndicator->setPictureVisible(shown);
    break;
  case LinkKind::Gprs:
    m_controls.internetIndicator->setPictureVisible(shown);
    break;
  case LinkKind::Auto:
    break;
  }
  updateIndicatorTips();
}

void ConnectionCommands::showLinkState(int index) {
  if (index == 0) {
    // Also stops TimerYellow; a late restart from a link thread cannot
    // bring the LED back.
    m_core.indicator().showNoLink();
    // Without a link no timer of ours wakes the program.
    m_linkFiguresTimer->stop();
    m_controls.linkLed->setToolTip(QString());
  } else {
    m_core.indicator().showLinkIdle();
    m_core.clearLinkFigures(); // the figures of a new link start afresh
    if (!m_linkFiguresTimer->isActive())
      m_linkFiguresTimer->start();
  }
  setLedImage(index);
  m_tray.setIconIndex(index);
}

void ConnectionCommands::clearLinkTexts() {
  m_controls.modelLabel->clear();
  m_controls.statusLabel->clear();
}

void ConnectionCommands::clearScreen() {
  m_core.linkView().invalidate();
  if (m_allowPhone)
    m_allowPhone->close(); // the phone it asks about has gone
  m_core.canvas().removePictures();
  m_controls.screenView->update();
  m_controls.zoomView->update();
}

void ConnectionCommands::setWatchdogRunning(bool running) {
  if (running)
    m_portWatchdog->start();
  else
    m_portWatchdog->stop();
}

void ConnectionCommands::showSerialOpenError(LinkKind link) {
  if (link == LinkKind::Cable)
    m_boxes.show(&m_window, MessageKind::Warning,
                 QApplication::applicationDisplayName(),
                 uiText("UiSelectAnotherPort"));
  else
    m_boxes.show(&m_window, MessageKind::Warning, uiText("MesAtention"),
                 uiText("MesAtenMessage"));
}

void ConnectionCommands::showNoSerialPortOpened() {
  m_boxes.show(&m_window, MessageKind::Warning,
               QApplication::applicationDisplayName(),
               uiText("LinkNoSerialPort"));
}

void ConnectionCommands::showListenError(const QString &message) {
  m_boxes.show(&m_window, MessageKind::Error,
               QApplication::applicationDisplayName(), message);
}

std::unique_ptr<ScanProgress> ConnectionCommands::createScanProgress() {
  return std::make_unique<PortScanProgress>();
}

void ConnectionCommands::storeFoundPort(const QString &portName, bool isCable) {
  const QByteArray name = portName.toLocal8Bit();
  // The port found is used for this run even when it cannot be stored; the
  // link that found it stays up.
  try {
    if (isCable)
      m_core.settings().storeDataPort(name);
    else
      m_core.settings().storeBlueToothPort(name);
  } catch (const SettingsWriteError &e) {
    postAppException(&m_window, e);
  }
  isCable ? m_core.settings().setDataPort(name)
          : m_core.settings().setBlueToothPort(name);
}
