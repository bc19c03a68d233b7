#include "app/AppException.h"
#include "app/MessageBoxes.h"
#include "app/UnitMain.h"
#include "app/UnitSplash.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "controls/dxfPictureButton.h"
#include "keys/PhoneKeypad.h"
#include "link/CommandQueue.h"
#include "link/SrvFunctions.h"
#include "link/UnitDataCom.h"
#include "screen/ActivityIndicator.h"
#include "screen/ScreenCanvas.h"
#include "screen/ScreenView.h"
#include "settings/Language.h"
#include "settings/Settings.h"
#include "support/ProgramFixtures.h"
#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
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
      m_thread = std::thread([this] { Run(); });
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
  void Run() {
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
  std::unique_ptr<TCommandQueue> m_queue;
  std::unique_ptr<TFormMain> m_form;
  QStringList m_boxes;

  static QRect InWindow(QWidget *w) {
    return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size());
  }
  QByteArray Queue() { return m_queue->Bytes(); }

private slots:
  void init() {
    SetExePath(m_dir.File("quorvane"));
    SetMessageBoxHook([this](TMessageKind, const QString &, const QString &t) {
      m_boxes << t;
    });
    m_boxes.clear();
    m_queue = std::make_unique<TCommandQueue>();
    m_form = std::make_unique<TFormMain>(*m_queue);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
  }
  void cleanup() { m_form.reset(); }

  void geometryFollowsTheLayout() {
    TFormMain &f = *m_form;
    QCOMPARE(f.size(), QSize(625, 669));
    QCOMPARE(f.windowTitle(), QString("Quorvane v1.0"));
    const QList<std::pair<QWidget *, QRect>> expected = {
        {f.ToolBar1, {7, 0, 609, 21}},
        {f.PanelControl, {6, 23, 611, 48}},
        {f.dxfPicButConnect, {6 + 16, 23 + 5, 83, 37}},
        {f.Bt_Disconn, {6 + 107, 23 + 5, 70, 37}},
        {f.ImageLedConn, {6 + 190, 23 + 8, 31, 29}},
        {f.PicButIndData, {6 + 224, 23 + 8, 33, 28}},
        {f.PicButIndBlu, {6 + 263, 23 + 7, 32, 28}},
        {f.PicButIndInet, {6 + 301, 23 + 8, 35, 26}},
        {f.dxfPictureButton1, {6 + 391, 23 + 5, 41, 37}},
        {f.dxfPicButPlSave, {6 + 490, 23 + 8, 28, 27}},
        {f.dxfPicButPlPause, {6 + 523, 23 + 8, 29, 26}},
        {f.dxfPicButPlStop, {6 + 557, 23 + 8, 31, 29}},
        {f.PanelWorkZone, {6, 69, 611, 595}},
        {f.ImageScreen, {6 + 18, 69 + 25, 176, 208}},
        {f.ImageScreenZoom, {6 + 236, 69 + 25, 352, 416}},
        {f.PanelButton, {6 + 17, 69 + 243, 178, 198}},
        {f.RichEdit, {6 + 16, 69 + 494, 576, 70}},
        {f.PanelRichEdit, {6 + 15, 69 + 493, 578, 72}},
        {f.CheckBoxEnabled, {6 + 15, 69 + 568, 17, 17}},
    };
    for (const auto &[widget, rect] : expected)
      QVERIFY2(InWindow(widget) == rect, qPrintable(widget->objectName()));
    QCOMPARE(f.LabPhoneType->pos(), QPoint(56, 10));
    QCOMPARE(f.LabZoom->pos(), QPoint(235, 10));
    QCOMPARE(f.LabImage->pos(), QPoint(240, 442));
    QCOMPARE(f.LabQuickText->pos(), QPoint(21, 475));
    QCOMPARE(f.BtnSend->geometry().topLeft(), QPoint(520, 568));
    QCOMPARE(f.BtnSend->height(), 20);
    // The cover lies above the quick-text box.
    QCOMPARE(f.PanelWorkZone->childAt(100, 520)->parentWidget(),
             f.PanelRichEdit);

    // One flat 71 x 21 button per top-level entry.
    const auto buttons = f.ToolBar1->findChildren<QToolButton *>(
        QString(), Qt::FindDirectChildrenOnly);
    QStringList captions;
    for (QToolButton *b : buttons) {
      QCOMPARE(b->size(), QSize(71, 21));
      captions << b->text();
    }
    QCOMPARE(captions, QStringList({"Connection", "Tools", "Help"}));
    // Each opens its own sub-menu.
    QCOMPARE(buttons[0]->menu(), f.MConnection->menu());
    QVERIFY(buttons[0]->menu()->actions().contains(f.MInternetConn));
    QVERIFY(buttons[1]->menu()->actions().contains(f.MOptions));
    QVERIFY(buttons[2]->menu()->actions().contains(f.MAbout));
  }

  void startStateOfMenusTimersAndIndicators() {
    TFormMain &f = *m_form;
    struct Entry {
      QAction *action;
      QString text;
      bool enabled;
    };
    for (const Entry &e : std::initializer_list<Entry>{
             {f.MAutoConnection, "Autoconnect\tAlt+T", true},
             {f.MBlueToothConnect, "Connect via Bluetooth\tAlt+B", true},
             {f.MDataCableConn, "Connect via Cable\tAlt+C", true},
             {f.MInternetConn, "Connect via GPRS\tAlt+G", true},
             {f.MDissconect, "Disconnect\tAlt+D", false},
             {f.MExit, "Exit\tAlt+F4", true},
             {f.MRecordPause, "Record/Pause\tAlt+R", true},
             {f.MStop, "Stop\tAlt+S", false},
             {f.MSaveScreenshot, "Save Screenshot\tAlt+A", true},
             {f.MOptions, "Options\tAlt+O", true},
             {f.MManual, "Manual\tAlt+M", true},
             {f.MAbout, "About\tF1", true},
             {f.PMRestore, "Restore", true},
             {f.PMMinimize, "Minimaze", true},
             {f.PMExit, "Exit", true}}) {
      QCOMPARE(e.action->text(), e.text);
      QCOMPARE(e.action->isEnabled(), e.enabled);
      // Shortcut texts only label the entries.
      QVERIFY(e.action->shortcut().isEmpty());
    }
    for (auto [timer, interval] :
         {std::pair{f.TimerCOMPort, 3000}, std::pair{f.TimerLabel, 1500},
          std::pair{f.TimerCapture, 1000},
          std::pair{f.TimerButtonRepaint, 100}}) {
      QCOMPARE(timer->interval(), interval);
      QVERIFY(!timer->isActive());
    }
    QVERIFY(!f.Indicator().TimerYellowActive());
    QVERIFY(!f.Bt_Disconn->isEnabled());
    QVERIFY(!f.BtnSend->isEnabled());
    QCOMPARE(f.TrayIconIndex(), 0);
    QCOMPARE(f.LedIndex(), -1);
    QCOMPARE(f.CaptureState, QString("CAVIOff"));
    QVERIFY(!f.Canvas().HasPictures());
    QCOMPARE(AppSettings.Port, 10001); // the settings were read
    for (auto *b : {f.PicButIndData, f.PicButIndBlu, f.PicButIndInet})
      QVERIFY(b->Down() && b->Visible());
  }

  void keypadClicksQueueTheirCodes() {
    TFormMain &f = *m_form;
    QCOMPARE(f.PanelButton->Buttons().size(), 25);
    auto clickCentre = [&](const char *name) {
      TdxfPictureButton *b = f.PanelButton->Button(name);
      QVERIFY(b);
      const QPoint centre = b->mapTo(&f, b->rect().center());
      QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {}, centre);
    };
    clickCentre("B_05");
    QCOMPARE(Queue(), QByteArray("\x35\x01", 2));
    m_queue->QueueClear();
    clickCentre("b_Left_04");
    QCOMPARE(Queue(), QByteArray("\x08\x08", 2));
    m_queue->QueueClear();

    // A corner of the "1" key's rectangle lies outside its key shape: the
    // click goes to what is beneath, not to that button.
    TdxfPictureButton *one = f.PanelButton->Button("B_01");
    QVERIFY(!one->HitTest(QPoint(0, 0)));
    QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {},
                      one->mapTo(&f, QPoint(0, 0)));
    QVERIFY(!Queue().startsWith(QByteArray("\x31\x01", 2)));
  }

  void trayClickTogglesMinimisedState() {
    TFormMain &f = *m_form;
    QVERIFY(!f.IsMinimized);
    f.JvCaptionButton1Click();
    QVERIFY(f.IsMinimized);
    f.CoolTrayIconClick();
    QVERIFY(!f.IsMinimized);
    f.CoolTrayIconClick();
    QVERIFY(f.IsMinimized);
    f.PMRestoreClick();
    QVERIFY(!f.IsMinimized);
    f.CoolTrayIconClick(); // after a tray-menu restore one click minimises
    QVERIFY(f.IsMinimized);
    f.PMRestoreClick();
  }

  void gprsConnectAndDisconnect() {
    TFormMain &f = *m_form;
    AppSettings.Port = 0; // any free port

    f.PMDataCableConnClick(f.PMInternetConn);
    QVERIFY(f.IdTCPServer().Active());
    const int firstPort = f.IdTCPServer().BoundPort();
    QVERIFY(firstPort > 0);
    for (QAction *a : {f.MInternetConn, f.MBlueToothConnect, f.MDataCableConn,
                       f.MAutoConnection, f.PMDataCableConn, f.PMInternetConn,
                       f.PMBlueToothConnect})
      QVERIFY(!a->isEnabled());
    QVERIFY(f.MDissconect->isEnabled() && f.Bt_Disconn->isEnabled());
    QVERIFY(!f.PicButIndInet->Visible());
    QVERIFY(f.PicButIndData->Visible() && f.PicButIndBlu->Visible());
    QCOMPARE(f.LedIndex(), 1);
    QCOMPARE(f.TrayIconIndex(), 1);

    m_queue->PutKeyCode(0x0130);
    f.Canvas().ResetPictures();
    f.LabPhoneType->setText("Phone");
    f.Bt_DisconnClick();
    QVERIFY(!f.IdTCPServer().Active());
    QVERIFY(f.MInternetConn->isEnabled() && f.PMBlueToothConnect->isEnabled());
    QVERIFY(!f.MDissconect->isEnabled() && !f.Bt_Disconn->isEnabled());
    QVERIFY(f.PicButIndInet->Visible());
    QCOMPARE(f.LedIndex(), 0);
    QCOMPARE(f.TrayIconIndex(), 0);
    QVERIFY(f.LabPhoneType->text().isEmpty());
    QVERIFY(f.LabImage->text().isEmpty());
    QCOMPARE(m_queue->Size(), 0);
    QVERIFY(!f.Canvas().HasPictures());

    // A port changed in the settings takes effect at the next connect: the
    // one just released is free again.
    AppSettings.Port = firstPort;
    f.MInternetConnClick(f.MInternetConn);
    QCOMPARE(f.IdTCPServer().BoundPort(), firstPort);
    f.MDissconectClick();
    QVERIFY(!f.IdTCPServer().Active());
    QVERIFY(m_boxes.isEmpty());
  }

  void portInUseShowsTheErrorAndStaysIdle() {
    TFormMain &f = *m_form;
    QTcpServer blocker;
    QVERIFY(blocker.listen(QHostAddress::AnyIPv4, 0));
    AppSettings.Port = blocker.serverPort();
    f.MInternetConnClick(f.MInternetConn);
    QCOMPARE(
        m_boxes,
        QStringList(
            "Could not bind socket. Address and port are already in use."));
    QVERIFY(!f.IdTCPServer().Active());
    QVERIFY(f.MInternetConn->isEnabled());
    QVERIFY(!f.Bt_Disconn->isEnabled());
    QVERIFY(f.PicButIndInet->Visible());
  }

  void shortcutsOnlyLabel() {
    TFormMain &f = *m_form;
    AppSettings.Port = 0;
    f.MInternetConnClick(f.MInternetConn);
    // Alt+D is a key like any other: the link stays open.
    QTest::keyClick(&f, Qt::Key_D, Qt::AltModifier);
    QVERIFY(f.IdTCPServer().Active());
    QVERIFY(f.MDissconect->isEnabled());
    f.DisconnectLink();
  }

  void aManualThatCannotBeOpenedIsReportedWithItsPath() {
    TFormMain &f = *m_form;
    const QString manual = m_dir.File("Manual.pdf");
    f.MManualClick(); // no Manual.pdf beside the program
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY2(m_boxes[0].contains(manual + ": the file does not exist"),
             qPrintable(m_boxes[0]));

    // The file, but no opener on the path; then one that finds no program
    // for PDF files, which it says as it ends.
    QVERIFY(WriteAll(manual, "%PDF-1.4\n"));
    ScopedTempDir bin;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.Path().toLocal8Bit());
    f.MManualClick();
    QVERIFY(WriteAll(bin.File("xdg-open"), "#!/bin/sh\nexit 3\n"));
    QFile::setPermissions(bin.File("xdg-open"), QFile::ReadOwner |
                                                    QFile::WriteOwner |
                                                    QFile::ExeOwner);
    f.MManualClick();
    QTRY_COMPARE(m_boxes.size(), 3);
    qputenv("PATH", path);
    QFile::remove(manual);
    for (int i : {1, 2})
      QVERIFY2(m_boxes[i].contains(manual + ": no program to show PDF files"),
               qPrintable(m_boxes[i]));
  }

  void iconButtonsAndIndicatorsHaveTipsInTheLanguage() {
    TFormMain &f = *m_form;
    for (QWidget *b :
         {(QWidget *)f.dxfPicButConnect, (QWidget *)f.Bt_Disconn,
          (QWidget *)f.dxfPictureButton1, (QWidget *)f.dxfPicButPlSave,
          (QWidget *)f.dxfPicButPlPause, (QWidget *)f.dxfPicButPlStop})
      QVERIFY2(!b->toolTip().isEmpty(), qPrintable(b->objectName()));
    QCOMPARE(f.PicButIndInet->toolTip(), QString("GPRS link: not in use"));
    AppSettings.Port = 0;
    f.MInternetConnClick(f.MInternetConn);
    QCOMPARE(f.IndicatorTip(TLinkKind::Gprs)->toolTip(),
             QString("GPRS link: in use"));
    QCOMPARE(f.PicButIndData->toolTip(), QString("Cable link: not in use"));

    // Another language: the tips follow at once.
    QDir().mkpath(m_dir.File("Languages/Test"));
    QVERIFY(WriteAll(m_dir.File("Languages/Test/lang.ini"),
                     "UiTipDisconnect=Trennen\r\nUiLinkGprs=GPRS-V\r\n"
                     "UiTipLinkInUse=%1 aktiv\r\n"));
    AppSettings.Language = "Test";
    LoadLanguage();
    QCOMPARE(f.Bt_Disconn->toolTip(), QString("Trennen"));
    QCOMPARE(f.IndicatorTip(TLinkKind::Gprs)->toolTip(),
             QString("GPRS-V aktiv"));
    f.DisconnectLink();
    QCOMPARE(f.PicButIndInet->toolTip(), QString("GPRS-V: not in use"));
    AppSettings.Language.clear();
    LoadLanguage();
  }

  void menuStripButtonsAreNotLeftHighlighted() {
    TFormMain &f = *m_form;
    auto *tools = f.ToolBar1->findChild<QToolButton *>("ToolButton_MTools");
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
      const QPoint item = menu->actionGeometry(f.MOptions).center();
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
    TFormMain &f = *m_form;
    f.CheckBoxEnabled->click();
    f.RichEdit->setPlainText(QStringLiteral("Hi \u0416\u0436?"));
    f.BtnSendClick();
    QCOMPARE(Queue().size(), 12);
    QCOMPARE(
        f.LabImage->text(),
        QString("Characters the phone cannot show, sent as \u201c?\u201d: 2"));
    QVERIFY(f.TimerLabel->isActive());
    f.CheckBoxEnabled->click();
  }

  void closingWithAPhoneConnectedEndsItsConnection() {
    TFormMain &f = *m_form;
    AppSettings.Port = 0;
    f.MInternetConnClick(f.MInternetConn);
    QTcpSocket phone;
    phone.connectToHost(QHostAddress::LocalHost,
                        quint16(f.IdTCPServer().BoundPort()));
    QVERIFY(phone.waitForConnected(3000));
    QTRY_VERIFY(f.IdTCPServer().PhoneConnected());
    m_queue->PutKeyCode(0x0130);
    QSignalSpy closed(&f, &TFormMain::Closed);
    f.MExitClick();
    QCOMPARE(closed.count(), 1);
    QVERIFY(!f.IdTCPServer().Active());
    QVERIFY(phone.state() == QAbstractSocket::UnconnectedState ||
            phone.waitForDisconnected(3000));
    QCOMPARE(m_queue->Size(), 0); // the disconnect handling ran
  }

  void aPhoneThatStopsReadingNeverFreezesTheWindow() {
    TFormMain &f = *m_form;
    AppSettings.Port = 0;
    f.IdTCPServer().SetSendTimeout(60000);
    f.MInternetConnClick(f.MInternetConn);
    {
      FloodingPhone phone(f.IdTCPServer().BoundPort());
      QVERIFY(phone.connected);
      QTRY_VERIFY_WITH_TIMEOUT(phone.stalled, 60000);

      // The link's thread is stuck in a write; key presses still go in.
      TdxfPictureButton *five = f.PanelButton->Button("B_05");
      const QPoint centre = five->mapTo(&f, five->rect().center());
      qint64 fastest = 1000000;
      for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {}, centre);
        fastest = qMin(fastest, t.elapsed());
      }
      QVERIFY2(fastest < 100, qPrintable(QString::number(fastest)));
      QCOMPARE(m_queue->Size(), 6);

      QElapsedTimer t;
      t.start();
      f.MDissconectClick();
      QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
      QVERIFY(!f.IdTCPServer().Active());
      QTRY_VERIFY(phone.dropped);
    }

    // Left alone, a phone that takes nothing is dropped after the send
    // time-out, with a line in the log; the listener goes on.
    f.IdTCPServer().SetSendTimeout(3000);
    f.MInternetConnClick(f.MInternetConn);
    FloodingPhone phone(f.IdTCPServer().BoundPort());
    QVERIFY(phone.connected);
    QTRY_VERIFY_WITH_TIMEOUT(phone.stalled, 60000);
    // Logged from here on only: a log line per request would slow the
    // flood down a great deal.
    LogCommands = true;
    QTRY_VERIFY_WITH_TIMEOUT(phone.dropped, 60000);
    QTRY_VERIFY(!f.IdTCPServer().PhoneConnected());
    QVERIFY(f.IdTCPServer().Active());
    LogCommands = false;
    QFile log(LogFilePath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("The phone took no data for 3 s"));
    f.MDissconectClick();
  }

  void autoconnectWithAnUnreadablePortListEndsInTheErrorHandler() {
    TFormMain &f = *m_form;
    // A directory where the port list file should be cannot be read.
    qputenv("QUORVANE_SERIAL_PORTS", m_dir.Path().toLocal8Bit());
    TCommandQueue queue;
    TDataComPort dataCom(queue, &f.LinkView());
    f.SetDataComPort(&dataCom);
    const qsizetype before = TApplication::HandledErrors().size();
    bool thrown = false;
    QTimer::singleShot(0, &f, [&] {
      try {
        f.MAutoConnection->trigger(); // through the action's signal
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
    QCOMPARE(TApplication::HandledErrors().size(), before + 1);
    QVERIFY2(TApplication::HandledErrors().last().contains(m_dir.Path()),
             qPrintable(TApplication::HandledErrors().last()));
    QVERIFY(f.MAutoConnection->isEnabled()); // still Idle
    f.SetDataComPort(nullptr);
  }

  void aboutBoxesGoWhenClosed() {
    TFormMain &f = *m_form;
    f.MAboutClick();
    f.MAboutClick();
    QList<TFormSplash *> boxes = f.findChildren<TFormSplash *>();
    QCOMPARE(boxes.size(), 2);
    for (TFormSplash *box : boxes) {
      QVERIFY(QTest::qWaitForWindowExposed(box));
      box->close();
    }
    QTRY_VERIFY(f.findChildren<TFormSplash *>().isEmpty());
  }

  void connectButtonOpensThePopUpBelowIt() {
    TFormMain &f = *m_form;
    f.dxfPicButConnectClick();
    QTRY_VERIFY(f.PopMConnection->isVisible());
    const QPoint corner = f.dxfPicButConnect->mapToGlobal(QPoint(0, 0));
    QCOMPARE(f.PopMConnection->pos(),
             QPoint(corner.x(), corner.y() + f.dxfPicButConnect->height() + 4));
    f.PopMConnection->hide();
  }
};

int main(int argc, char **argv) {
  TApplication app(argc, argv);
  TApplication::SetShowErrorBox(false);
  TestMainWindow test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_main_window.moc"
