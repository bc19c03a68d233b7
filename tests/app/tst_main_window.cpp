
#include "app/AppCore.h"
#include "app/AppException.h"
#include "app/LinkViewAdapter.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "app/SplashScreen.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "controls/PictureButton.h"
#include "keys/PhoneKeypad.h"
#include "link/CommandQueue.h"
#include "link/SerialLink.h"
#include "link/TcpLink.h"
#include "screen/ActivityIndicator.h"
#include "screen/ScreenCanvas.h"
#include "screen/ScreenView.h"
#include "settings/Language.h"
#include "settings/Settings.h"
#include "support/ProgramFixtures.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"
#include "support/WindowDriver.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// A phone that sends GetCommand requests as fast as the socket takes them
// and never reads a reply. Its small receive buffer soon fills, the PC's
// replies back up, and the PC stops reading requests.
class FloodingPhone {
public:
  explicit FloodingPhone(int port) {
    m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int small = 4096;
    setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected =
        ::connect(m_fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
    if (connected)
      m_thread = std::thread([this] { run(); });
  }
  ~FloodingPhone() {
    m_stop = true;
    if (m_thread.joinable())
      m_thread.join();
    ::close(m_fd);
  }

  bool connected = false;
  std::atomic<bool> stalled{false}; // the PC has taken nothing for 300 ms
  std::atomic<bool> dropped{false}; // the PC closed the connection

private:
  void run() {
    QByteArray block;
    for (int i = 0; i < 16384; ++i)
      block.append("\x0d\0\0\0", 4);
    qsizetype offset = 0; // requests stay whole across partial sends
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    while (!m_stop) {
      const ssize_t n =
          ::send(m_fd, block.constData() + offset,
                 size_t(block.size() - offset), MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        offset = (offset + n) % block.size();
        sinceProgress.restart();
        continue;
      }
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        pollfd p{m_fd, POLLOUT, 0};
        ::poll(&p, 1, 50);
        if (p.revents & (POLLERR | POLLHUP))
          break;
        if (sinceProgress.elapsed() > 300)
          stalled = true;
        continue;
      }
      if (n < 0 && errno == EINTR)
        continue;
      break;
    }
    dropped = !m_stop;
  }

  int m_fd = -1;
  std::thread m_thread;
  std::atomic<bool> m_stop{false};
};

} // namespace

class TestMainWindow : public QObject {
  Q_OBJECT

  ScopedTempDir m_dir;
  ScriptedMessageBoxes m_messageBoxes;
  const Paths m_paths = Paths::forExecutable(m_dir.file("quorvane"));
  std::unique_ptr<AppCore> m_core;
  CommandQueue *m_queue = nullptr;
  std::unique_ptr<MainWindow> m_form;
  QStringList m_boxes;

  static QRect inWindow(QWidget *w) {
    return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size());
  }
  QByteArray queue() { return m_queue->bytes(); }
  void clickTrayIcon() {
    emit driver::find<QSystemTrayIcon>(*m_form, "trayIcon")
        ->activated(QSystemTrayIcon::Trigger);
  }

private slots:
  void init() {
    EventLog::instance().setFilePath(m_paths.logFile());
    GuardedApplication::instance()->setMessageBoxes(&m_messageBoxes);
    m_messageBoxes.onShow = [this](MessageKind, const QString &,
                                   const QString &t) { m_boxes << t; };
    m_boxes.clear();
    m_core = std::make_unique<AppCore>(m_paths);
    m_queue = &m_core->queue();
    m_form = std::make_unique<MainWindow>(*m_core, m_messageBoxes);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
  }
  void cleanup() { m_form.reset(); }

  void geometryFollowsTheLayout() {
    MainWindow &f = *m_form;
    QCOMPARE(f.size(), QSize(625, 669));
    QCOMPARE(f.windowTitle(), QString("Quorvane v1.0"));
    const QList<std::pair<const char *, QRect>> expected = {
        {"menuStrip", {7, 0, 609, 21}},
        {"controlBar", {6, 23, 611, 48}},
        {"connectButton", {6 + 16, 23 + 5, 83, 37}},
        {"disconnectButton", {6 + 107, 23 + 5, 70, 37}},
        {"linkLed", {6 + 190, 23 + 8, 31, 29}},
        {"cableIndicator", {6 + 224, 23 + 8, 33, 28}},
        {"bluetoothIndicator", {6 + 263, 23 + 7, 32, 28}},
        {"internetIndicator", {6 + 301, 23 + 8, 35, 26}},
        {"screenshotButton", {6 + 391, 23 + 5, 41, 37}},
        {"recordButton", {6 + 490, 23 + 8, 28, 27}},
        {"pauseButton", {6 + 523, 23 + 8, 29, 26}},
        {"stopButton", {6 + 557, 23 + 8, 31, 29}},
        {"workArea", {6, 69, 611, 595}},
        {"screenView", {6 + 18, 69 + 25, 176, 208}},
        {"zoomView", {6 + 236, 69 + 25, 352, 416}},
        {"keypad", {6 + 17, 69 + 243, 178, 198}},
        {"quickTextEdit", {6 + 16, 69 + 494, 576, 70}},
        {"quickTextCover", {6 + 15, 69 + 493, 578, 72}},
        {"quickTextCheck", {6 + 15, 69 + 568, 17, 17}},
    };
    for (const auto &[name, rect] : expected)
      QVERIFY2(inWindow(driver::find(f, name)) == rect, name);
    QCOMPARE(driver::find<QLabel>(f, "phoneModelLabel")->pos(), QPoint(56, 10));
    // A model name longer than the card is cut, and whole in the tip.
    const QString name(60, QChar('W'));
    emit f.core().linkView().phoneNameChanged(name);
    auto *model = driver::find<QLabel>(f, "phoneModelLabel");
    QVERIFY(model->text().endsWith(QChar(0x2026)));
    QVERIFY(model->geometry().right() < 18 + 176 + 6); // inside its card
    QCOMPARE(model->toolTip(), name);
    QCOMPARE(driver::find<QLabel>(f, "zoomLabel")->pos(), QPoint(235, 10));
    QCOMPARE(driver::find<QLabel>(f, "statusLabel")->pos(), QPoint(240, 442));
    QCOMPARE(driver::find<QLabel>(f, "quickTextLabel")->pos(), QPoint(21, 475));
    QCOMPARE(driver::find<QPushButton>(f, "sendButton")->geometry().topLeft(),
             QPoint(520, 568));
    QCOMPARE(driver::find<QPushButton>(f, "sendButton")->height(), 20);
    // The cover lies above the quick-text box.
    QCOMPARE(driver::find(f, "workArea")->childAt(100, 520)->parentWidget(),
             driver::find(f, "quickTextCover"));

    // One flat 71 x 21 button per top-level entry.
    const auto buttons = driver::find(f, "menuStrip")
                             ->findChildren<QToolButton *>(
                                 QString(), Qt::FindDirectChildrenOnly);
    QStringList captions;
    for (QToolButton *b : buttons) {
      QCOMPARE(b->size(), QSize(71, 21));
      captions << b->text();
    }
    QCOMPARE(captions, QStringList({"Connection", "Tools", "Help"}));
    // Each opens its own sub-menu.
    QCOMPARE(buttons[0]->menu(),
             driver::find<QAction>(f, "connectionMenuAction")->menu());
    QVERIFY(buttons[0]->menu()->actions().contains(
        driver::find<QAction>(f, "connectInternetAction")));
    QVERIFY(buttons[1]->menu()->actions().contains(
        driver::find<QAction>(f, "settingsAction")));
    QVERIFY(buttons[2]->menu()->actions().contains(
        driver::find<QAction>(f, "aboutAction")));
  }

  void startStateOfMenusTimersAndIndicators() {
    MainWindow &f = *m_form;
    struct entry {
      const char *name;
      QString text;
      bool enabled;
    };
    for (const entry &e : std::initializer_list<entry>{
             {"autoConnectAction", "Autoconnect\tAlt+T", true},
             {"connectBluetoothAction", "Connect via Bluetooth\tAlt+B", true},
             {"connectCableAction", "Connect via Cable\tAlt+C", true},
             {"connectInternetAction", "Connect via GPRS\tAlt+G", true},
             {"disconnectAction", "Disconnect\tAlt+D", false},
             {"exitAction", "Exit\tAlt+F4", true},
             {"recordPauseAction", "Record/Pause\tAlt+R", true},
             {"stopRecordingAction", "Stop\tAlt+S", false},
             {"screenshotAction", "Save Screenshot\tAlt+A", true},
             {"settingsAction", "Options\tAlt+O", true},
             {"manualAction", "Manual\tAlt+M", true},
             {"aboutAction", "About\tF1", true},
             {"restoreAction", "Restore", true},
             {"minimizeAction", "Minimaze", true},
             {"trayExitAction", "Exit", true}}) {
      const QAction *action = driver::find<QAction>(f, e.name);
      QCOMPARE(action->text(), e.text);
      QCOMPARE(action->isEnabled(), e.enabled);
      // Shortcut texts only label the entries.
      QVERIFY(action->shortcut().isEmpty());
    }
    for (auto [name, interval] :
         {std::pair{"portWatchdog", 3000}, std::pair{"statusClearTimer", 1500},
          std::pair{"captureTimer", 1000},
          std::pair{"recordButtonsResetTimer", 100},
          std::pair{"linkFiguresTimer", 1000}}) {
      const QTimer *timer = driver::find<QTimer>(f, name);
      QCOMPARE(timer->interval(), interval);
      QVERIFY2(!timer->isActive(), name);
    }
    QVERIFY(!f.core().indicator().timerYellowActive());
    QVERIFY(!driver::find<PictureButton>(f, "disconnectButton")->isEnabled());
    QVERIFY(!driver::find<QPushButton>(f, "sendButton")->isEnabled());
    QCOMPARE(f.trayIconIndex(), 0);
    QCOMPARE(f.ledIndex(), -1);
    QCOMPARE(f.captureState(), QString("CAVIOff"));
    QVERIFY(!f.core().canvas().hasPictures());
    QCOMPARE(m_core->settings().port(), 10001); // the settings were read
    for (auto *b : {driver::find<PictureButton>(f, "cableIndicator"),
                    driver::find<PictureButton>(f, "bluetoothIndicator"),
                    driver::find<PictureButton>(f, "internetIndicator")})
      QVERIFY(b->isDown() && b->isPictureVisible());
  }

  void keypadClicksQueueTheirCodes() {
    MainWindow &f = *m_form;
    QCOMPARE(driver::find<PhonePanel>(f, "keypad")->buttons().size(), 25);
    auto clickCentre = [&](const char *name) {
      PictureButton *b = driver::find<PhonePanel>(f, "keypad")->button(name);
      QVERIFY(b);
      const QPoint centre = b->mapTo(&f, b->rect().center());
      QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {}, centre);
    };
    clickCentre("B_05");
    QCOMPARE(queue(), QByteArray("\x35\x01", 2));
    m_queue->queueClear();
    clickCentre("b_Left_04");
    QCOMPARE(queue(), QByteArray("\x08\x08", 2));
    m_queue->queueClear();

    // A corner of the "1" key's rectangle lies outside its key shape: the
    // click goes to what is beneath, not to that button.
    PictureButton *one = driver::find<PhonePanel>(f, "keypad")->button("B_01");
    QVERIFY(!one->hitTest(QPoint(0, 0)));
    QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {},
                      one->mapTo(&f, QPoint(0, 0)));
    QVERIFY(!queue().startsWith(QByteArray("\x31\x01", 2)));
  }

  void trayClickTogglesMinimisedState() {
    MainWindow &f = *m_form;
    QVERIFY(!f.isMinimizedToTray());
    driver::trigger(f, "minimizeAction");
    QVERIFY(f.isMinimizedToTray());
    clickTrayIcon();
    QVERIFY(!f.isMinimizedToTray());
    clickTrayIcon();
    QVERIFY(f.isMinimizedToTray());
    driver::trigger(f, "restoreAction");
    QVERIFY(!f.isMinimizedToTray());
    clickTrayIcon(); // after a tray-menu restore one click minimises
    QVERIFY(f.isMinimizedToTray());
    driver::trigger(f, "restoreAction");
  }

  void gprsConnectAndDisconnect() {
    MainWindow &f = *m_form;
    m_core->settings().setPort(0); // any free port

    driver::trigger(f, "popupInternetAction");
    QVERIFY(f.core().tcpLink().active());
    const int firstPort = f.core().tcpLink().boundPort();
    QVERIFY(firstPort > 0);
    for (QAction *a : connectCommands(f))
      QVERIFY(!a->isEnabled());
    QVERIFY(driver::find<QAction>(f, "disconnectAction")->isEnabled() &&
            driver::find<PictureButton>(f, "disconnectButton")->isEnabled());
    QVERIFY(!driver::find<PictureButton>(f, "internetIndicator")
                 ->isPictureVisible());
    QVERIFY(
        driver::find<PictureButton>(f, "cableIndicator")->isPictureVisible() &&
        driver::find<PictureButton>(f, "bluetoothIndicator")
            ->isPictureVisible());
    QCOMPARE(f.ledIndex(), 1);
    QCOMPARE(f.trayIconIndex(), 1);
    QVERIFY(driver::find<QTimer>(f, "linkFiguresTimer")->isActive());

    m_queue->putKeyCode(0x0130);
    f.core().canvas().resetPictures();
    driver::find<QLabel>(f, "phoneModelLabel")->setText("Phone");
    driver::click(f, "disconnectButton");
    QVERIFY(!f.core().tcpLink().active());
    QVERIFY(driver::find<QAction>(f, "connectInternetAction")->isEnabled() &&
            driver::find<QAction>(f, "popupBluetoothAction")->isEnabled());
    QVERIFY(!driver::find<QAction>(f, "disconnectAction")->isEnabled() &&
            !driver::find<PictureButton>(f, "disconnectButton")->isEnabled());
    QVERIFY(driver::find<PictureButton>(f, "internetIndicator")
                ->isPictureVisible());
    QCOMPARE(f.ledIndex(), 0);
    QCOMPARE(f.trayIconIndex(), 0);
    QVERIFY(!driver::find<QTimer>(f, "linkFiguresTimer")->isActive());
    QVERIFY(driver::find<QLabel>(f, "phoneModelLabel")->text().isEmpty());
    QVERIFY(driver::find<QLabel>(f, "statusLabel")->text().isEmpty());
    QCOMPARE(m_queue->size(), 0);
    QVERIFY(!f.core().canvas().hasPictures());

    // A port changed in the settings takes effect at the next connect: the
    // one just released is free again.
    m_core->settings().setPort(firstPort);
    driver::trigger(f, "connectInternetAction");
    QCOMPARE(f.core().tcpLink().boundPort(), firstPort);
    driver::trigger(f, "disconnectAction");
    QVERIFY(!f.core().tcpLink().active());
    QVERIFY(m_boxes.isEmpty());
  }

  void portInUseShowsTheErrorAndStaysIdle() {
    MainWindow &f = *m_form;
    QTcpServer blocker;
    QVERIFY(blocker.listen(QHostAddress::AnyIPv4, 0));
    m_core->settings().setPort(blocker.serverPort());
    driver::trigger(f, "connectInternetAction");
    QCOMPARE(
        m_boxes,
        QStringList(
            "Could not bind socket. Address and port are already in use."));
    QVERIFY(!f.core().tcpLink().active());
    QVERIFY(driver::find<QAction>(f, "connectInternetAction")->isEnabled());
    QVERIFY(!driver::find<PictureButton>(f, "disconnectButton")->isEnabled());
    QVERIFY(driver::find<PictureButton>(f, "internetIndicator")
                ->isPictureVisible());
  }

  void shortcutsOnlyLabel() {
    MainWindow &f = *m_form;
    m_core->settings().setPort(0);
    driver::trigger(f, "connectInternetAction");
    // Alt+D is a key like any other: the link stays open.
    QTest::keyClick(&f, Qt::Key_D, Qt::AltModifier);
    QVERIFY(f.core().tcpLink().active());
    QVERIFY(driver::find<QAction>(f, "disconnectAction")->isEnabled());
    driver::trigger(f, "disconnectAction");
  }

  void aManualThatCannotBeOpenedIsReportedWithItsPath() {
    MainWindow &f = *m_form;
    const QString manual = m_dir.file("Manual.pdf");
    driver::trigger(f, "manualAction"); // no Manual.pdf beside the program
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY2(m_boxes[0].contains(manual + ": the file does not exist"),
             qPrintable(m_boxes[0]));

    // The file, but no opener on the path; then one that finds no program
    // for PDF files, which it says as it ends.
    QVERIFY(writeAll(manual, "%PDF-1.4\n"));
    ScopedTempDir bin;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit());
    driver::trigger(f, "manualAction");
    QVERIFY(writeAll(bin.file("xdg-open"), "#!/bin/sh\nexit 3\n"));
    QFile::setPermissions(bin.file("xdg-open"), QFile::ReadOwner |
                                                    QFile::WriteOwner |
                                                    QFile::ExeOwner);
    driver::trigger(f, "manualAction");
    QTRY_COMPARE(m_boxes.size(), 3);
    qputenv("PATH", path);
    QFile::remove(manual);
    for (int i : {1, 2})
      QVERIFY2(m_boxes[i].contains(manual + ": no program to show PDF files"),
               qPrintable(m_boxes[i]));
  }

  void iconButtonsAndIndicatorsHaveTipsInTheLanguage() {
    MainWindow &f = *m_form;
    for (QWidget *b :
         {(QWidget *)driver::find<PictureButton>(f, "connectButton"),
          (QWidget *)driver::find<PictureButton>(f, "disconnectButton"),
          (QWidget *)driver::find<PictureButton>(f, "screenshotButton"),
          (QWidget *)driver::find<PictureButton>(f, "recordButton"),
          (QWidget *)driver::find<PictureButton>(f, "pauseButton"),
          (QWidget *)driver::find<PictureButton>(f, "stopButton")})
      QVERIFY2(!b->toolTip().isEmpty(), qPrintable(b->objectName()));
    QCOMPARE(driver::find<PictureButton>(f, "internetIndicator")->toolTip(),
             QString("GPRS link: not in use"));
    m_core->settings().setPort(0);
    driver::trigger(f, "connectInternetAction");
    QCOMPARE(driver::find(f, "internetIndicatorTip")->toolTip(),
             QString("GPRS link: in use"));
    QCOMPARE(driver::find<PictureButton>(f, "cableIndicator")->toolTip(),
             QString("Cable link: not in use"));

    // Another language: the tips, the words on the quick-text cover and the
    // caption written on the connect button follow at once; the button keeps
    // its shape.
    auto *connect = driver::find<PictureButton>(f, "connectButton");
    const QImage english = connect->upImage();
    const QRegion shape = connect->mask();
    QDir().mkpath(m_dir.file("Languages/Test"));
    QVERIFY(writeAll(m_dir.file("Languages/Test/lang.ini"),
                     "UiTipDisconnect=Trennen\r\nUiLinkGprs=GPRS-V\r\n"
                     "UiTipLinkInUse=%1 aktiv\r\nUiConnectCaption=Verbinden"
                     "\r\nUiQuickTextOff=Aus\r\n"));
    m_core->settings().setLanguage("Test");
    loadLanguage(m_paths, m_core->settings());
    QVERIFY(connect->upImage() != english);
    QCOMPARE(connect->upImage().size(), english.size());
    QCOMPARE(connect->mask(), shape);
    QCOMPARE(driver::find<QLabel>(f, "quickTextOffLabel")->text(),
             QString("Aus"));
    QCOMPARE(driver::find<PictureButton>(f, "disconnectButton")->toolTip(),
             QString("Trennen"));
    QCOMPARE(driver::find(f, "internetIndicatorTip")->toolTip(),
             QString("GPRS-V aktiv"));
    driver::trigger(f, "disconnectAction");
    QCOMPARE(driver::find<PictureButton>(f, "internetIndicator")->toolTip(),
             QString("GPRS-V: not in use"));
    m_core->settings().setLanguage(QByteArray());
    loadLanguage(m_paths, m_core->settings());
  }

  void menuStripButtonsAreNotLeftHighlighted() {
    MainWindow &f = *m_form;
    auto *tools = driver::find(f, "menuStrip")
                      ->findChild<QToolButton *>("toolsMenuButton");
    QVERIFY(tools);
    auto highlighted = [tools] {
      return tools->grab().toImage().pixel(3, 3) == qRgb(40, 110, 220);
    };
    // The pointer comes into the window over the button.
    const QPoint centre = tools->mapTo(&f, tools->rect().center());
    QEnterEvent enter(centre, centre, f.mapToGlobal(centre));
    QCoreApplication::sendEvent(f.windowHandle(), &enter);
    QVERIFY(highlighted());
    // Tools, then Options, by mouse; the dialog looks at the button.
    bool whileOpen = true;
    QTimer::singleShot(0, [&] {
      QMenu *menu = tools->menu();
      QTRY_VERIFY(menu->isVisible());
      const QPoint item =
          menu->actionGeometry(driver::find<QAction>(f, "settingsAction"))
              .center();
      QTest::mouseMove(menu->windowHandle(), item);
      QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        whileOpen = highlighted();
        QTest::mouseMove(dialog->windowHandle(), QPoint(5, 5));
        dialog->close();
      });
      QTest::mouseClick(menu->windowHandle(), Qt::LeftButton, {}, item);
    });
    QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {}, centre);
    QVERIFY(!whileOpen);
    QTest::mouseMove(f.windowHandle(), QPoint(300, 300));
    QVERIFY(!highlighted());
  }

  void quickTextSaysHowManyCharactersWentAsQuestionMarks() {
    MainWindow &f = *m_form;
    driver::find<QCheckBox>(f, "quickTextCheck")->click();
    driver::find<QTextEdit>(f, "quickTextEdit")
        ->setPlainText(QStringLiteral("Hi \u0416\u0436?"));
    driver::click(f, "sendButton");
    QCOMPARE(queue().size(), 12);
    QCOMPARE(
        driver::find<QLabel>(f, "statusLabel")->text(),
        QString("Characters the phone cannot show, sent as \u201c?\u201d: 2"));
    QVERIFY(driver::find<QTimer>(f, "statusClearTimer")->isActive());
    driver::find<QCheckBox>(f, "quickTextCheck")->click();
  }

  void closingWithAPhoneConnectedEndsItsConnection() {
    MainWindow &f = *m_form;
    m_core->settings().setPort(0);
    driver::trigger(f, "connectInternetAction");
    QTcpSocket phone;
    phone.connectToHost(QHostAddress::LocalHost,
                        quint16(f.core().tcpLink().boundPort()));
    QVERIFY(phone.waitForConnected(3000));
    QTRY_VERIFY(f.core().tcpLink().phoneConnected());
    m_queue->putKeyCode(0x0130);
    QSignalSpy closed(&f, &MainWindow::closed);
    driver::trigger(f, "exitAction");
    QCOMPARE(closed.count(), 1);
    QVERIFY(!f.core().tcpLink().active());
    QVERIFY(phone.state() == QAbstractSocket::UnconnectedState ||
            phone.waitForDisconnected(3000));
    QCOMPARE(m_queue->size(), 0); // the disconnect handling ran
  }

  void aPhoneThatStopsReadingNeverFreezesTheWindow() {
    MainWindow &f = *m_form;
    m_core->settings().setPort(0);
    f.core().tcpLink().setSendTimeout(60000);
    driver::trigger(f, "connectInternetAction");
    {
      FloodingPhone phone(f.core().tcpLink().boundPort());
      QVERIFY(phone.connected);
      QTRY_VERIFY_WITH_TIMEOUT(phone.stalled, 60000);

      // The link's thread is stuck in a write for up to a minute; key
      // presses still go in. The bounds sit far below that minute and far
      // above a busy machine's scheduling, so only a wait on the writer
      // fails them.
      PictureButton *five =
          driver::find<PhonePanel>(f, "keypad")->button("B_05");
      const QPoint centre = five->mapTo(&f, five->rect().center());
      qint64 fastest = 1000000;
      for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {}, centre);
        fastest = qMin(fastest, t.elapsed());
      }
      QVERIFY2(fastest < 5000, qPrintable(QString::number(fastest)));
      QCOMPARE(m_queue->size(), 6);

      QElapsedTimer t;
      t.start();
      driver::trigger(f, "disconnectAction");
      QVERIFY2(t.elapsed() < 10000, qPrintable(QString::number(t.elapsed())));
      QVERIFY(!f.core().tcpLink().active());
      QTRY_VERIFY(phone.dropped);
    }

    // Left alone, a phone that takes nothing is dropped after the send
    // time-out, with a line in the log; the listener goes on.
    f.core().tcpLink().setSendTimeout(3000);
    driver::trigger(f, "connectInternetAction");
    FloodingPhone phone(f.core().tcpLink().boundPort());
    QVERIFY(phone.connected);
    QTRY_VERIFY_WITH_TIMEOUT(phone.stalled, 60000);
    // Logged from here on only: a log line per request would slow the
    // flood down a great deal.
    EventLog::instance().setOn(LogSwitch::Commands, true);
    QTRY_VERIFY_WITH_TIMEOUT(phone.dropped, 60000);
    QTRY_VERIFY(!f.core().tcpLink().phoneConnected());
    QVERIFY(f.core().tcpLink().active());
    EventLog::instance().setOn(LogSwitch::Commands, false);
    QFile log(EventLog::instance().filePath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("The phone took no data for 3 s"));
    driver::trigger(f, "disconnectAction");
  }

  void autoconnectWithAnUnreadablePortListEndsInTheErrorHandler() {
    MainWindow &f = *m_form;
    // A directory where the port list file should be cannot be read.
    qputenv("QUORVANE_SERIAL_PORTS", m_dir.path().toLocal8Bit());
    const qsizetype before =
        GuardedApplication::instance()->handledErrors().size();
    bool thrown = false;
    QTimer::singleShot(0, &f, [&] {
      try {
        driver::find<QAction>(f, "autoConnectAction")
            ->trigger(); // through the action's signal
      } catch (...) {
        thrown = true;
      }
    });
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(5000);
    // The error handler ends the program's loop.
    QCOMPARE(QCoreApplication::exec(), 1);
    qunsetenv("QUORVANE_SERIAL_PORTS");
    QVERIFY(!thrown);
    QCOMPARE(GuardedApplication::instance()->handledErrors().size(),
             before + 1);
    QVERIFY2(
        GuardedApplication::instance()->handledErrors().last().contains(
            m_dir.path()),
        qPrintable(GuardedApplication::instance()->handledErrors().last()));
    QVERIFY(driver::find<QAction>(f, "autoConnectAction")
                ->isEnabled()); // still Idle
  }

  void aboutBoxesGoWhenClosed() {
    MainWindow &f = *m_form;
    driver::trigger(f, "aboutAction");
    driver::trigger(f, "aboutAction");
    QList<SplashScreen *> boxes = f.findChildren<SplashScreen *>();
    QCOMPARE(boxes.size(), 2);
    for (SplashScreen *box : boxes) {
      QVERIFY(QTest::qWaitForWindowExposed(box));
      box->close();
    }
    QTRY_VERIFY(f.findChildren<SplashScreen *>().isEmpty());
  }

  void connectButtonOpensThePopUpBelowIt() {
    MainWindow &f = *m_form;
    driver::click(f, "connectButton");
    QTRY_VERIFY(driver::find<QMenu>(f, "connectPopup")->isVisible());
    const QPoint corner = driver::find<PictureButton>(f, "connectButton")
                              ->mapToGlobal(QPoint(0, 0));
    QCOMPARE(
        driver::find<QMenu>(f, "connectPopup")->pos(),
        QPoint(corner.x(),
               corner.y() +
                   driver::find<PictureButton>(f, "connectButton")->height() +
                   4));
    driver::find<QMenu>(f, "connectPopup")->hide();
  }
};

int main(int argc, char **argv) {
  GuardedApplication app(argc, argv);
  app.setShowErrorBox(false);
  TestMainWindow test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_main_window.moc"
