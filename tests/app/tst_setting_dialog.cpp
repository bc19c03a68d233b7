#include "support/ScriptedMessageBoxes.h"
#include <optional>
// The settings dialog on its own and opened from the main window's Options.
#include "app/AppCore.h"
#include "app/AppException.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "app/SettingsDialog.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "keys/KeyTable.h"
#include "link/CommandQueue.h"
#include "settings/Language.h"
#include "settings/Settings.h"
#include "support/FullFileSystem.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>

class TestSettingDialog : public QObject {
  Q_OBJECT

  std::unique_ptr<ScopedTempDir> m_dir;
  ScriptedMessageBoxes m_messageBoxes;
  std::optional<Paths> m_paths;
  QStringList m_boxes;

  void writeFile(const QString &relative, const QByteArray &bytes) {
    const QString path = m_dir->file(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QByteArray iniText() {
    QFile f(settingsFilePath(*m_paths));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  // Loads the settings from this file, and the language they name.
  void settings(const QByteArray &ini) {
    writeFile("Quorvane.ini", ini);
    loadSettings(*m_paths);
    loadLanguage(*m_paths);
  }
  static QLineEdit *Edit(QSpinBox *spin) {
    return spin->findChild<QLineEdit *>();
  }
  // Runs `inside` once the window's modal dialog is up.
  static void whenDialogOpens(std::function<void(SettingsDialog &)> inside) {
    QTimer::singleShot(0, [inside] {
      auto *dialog =
          qobject_cast<SettingsDialog *>(QApplication::activeModalWidget());
      QVERIFY(dialog);
      inside(*dialog);
    });
  }

private slots:
  void init() {
    m_dir = std::make_unique<ScopedTempDir>();
    m_paths = Paths::forExecutable(m_dir->file("quorvane"));
    EventLog::instance().setFilePath(m_paths->logFile());
    GuardedApplication::instance()->setMessageBoxes(&m_messageBoxes);
    loadKeyTable(*m_paths); // no keys.ini: the 24 built-in keys
    for (const char *language : {"English", "German"})
      writeFile(QStringLiteral("Languages/%1/lang.ini").arg(language),
                "SPageConnection=" + QByteArray(language) + "\r\n");
    writeFile("ports.ini", "\\Device\\Serial0=ttyS0\r\n"
                           "\\Device\\BthModem0=rfcomm0\r\n"
                           "\\Device\\USBSER000=COM3\r\n");
    qputenv("QUORVANE_SERIAL_PORTS", m_dir->file("ports.ini").toLocal8Bit());
    m_boxes.clear();
    m_messageBoxes.onShow = [this](MessageKind, const QString &,
                                   const QString &t) { m_boxes << t; };
    EventLog::instance().setOn(LogSwitch::Commands, false);
    EventLog::instance().setOn(LogSwitch::PacketSize, false);
  }
  void cleanup() {
    qunsetenv("QUORVANE_SERIAL_PORTS");
    m_dir.reset();
  }

  void layoutTreeAndFieldsFromMemory() {
    settings("[Connection]\r\nBlueToothPort=rfcomm7\r\n[Image]\r\n"
             "ImageType=jpeg\r\n[Language]\r\nLanguage=German\r\n");
    SettingsDialog dialog(false, *m_paths, m_messageBoxes);
    dialog.show();
    QCOMPARE(dialog.size(), QSize(553, 398));
    QCOMPARE(dialog.m_saveButton->text(), QString("Save"));
    QVERIFY(dialog.m_saveButton->isDefault());
    QCOMPARE(dialog.pageCaption(0), QString("German")); // from lang.ini

    // Four pages without "-log", five with it.
    QCOMPARE(dialog.m_pageTree->topLevelItemCount(), 4);
    QCOMPARE(SettingsDialog(true, *m_paths, m_messageBoxes)
                 .m_pageTree->topLevelItemCount(),
             5);

    QCOMPARE(dialog.m_languageCombo->currentText(), QString("German"));
    QCOMPARE(dialog.m_languageCombo->itemText(0), QString("default"));
    // "jpeg" is not "JPEG": BMP shows.
    QCOMPARE(dialog.m_imageTypeCombo->currentText(), QString("BMP"));
    // The port lists: sorted without case, the fields keep their texts.
    QCOMPARE(dialog.m_bluetoothPortCombo->currentText(), QString("rfcomm7"));
    QCOMPARE(dialog.m_cablePortCombo->count(), 3);
    QCOMPARE(dialog.m_cablePortCombo->itemText(0), QString("COM3"));
    QCOMPARE(dialog.m_cablePortCombo->itemText(1), QString("rfcomm0"));
    QCOMPARE(dialog.m_cablePortCombo->currentText(), QString("COM4"));

    // Choosing a page shows it under its caption.
    dialog.m_pageTree->setCurrentItem(dialog.m_pageTree->topLevelItem(2));
    QCOMPARE(dialog.m_pageStack->currentWidget(), dialog.m_capturePage);
    QCOMPARE(dialog.lblPageCaption->text(), QString("Capture Settings"));
    dialog.m_pageStack->setCurrentIndex(SettingsDialog::PageKeysIndex);
    QCOMPARE(dialog.m_pageTree->currentItem(),
             dialog.m_pageTree->topLevelItem(1));
    QCOMPARE(dialog.m_keyList->topLevelItemCount(), 24);
  }

  void savingWithoutChangesWritesNothing() {
    const QByteArray ini = "[Connection]\r\nPort=10001\r\nDataPort=COM3\r\n"
                           "[Image]\r\nImageType=jpeg\r\n[Language]\r\n"
                           "Language=German\r\n";
    settings(ini);
    SettingsDialog dialog(false, *m_paths, m_messageBoxes);
    dialog.show();
    // The port typed again with a leading zero is the same number.
    Edit(dialog.m_portEdit)->clear();
    QTest::keyClicks(dialog.m_portEdit, "010001");
    QCOMPARE(dialog.m_portEdit->text(), QString("010001"));
    // The page's own show handler may run again; nothing changes.
    dialog.m_pageStack->setCurrentIndex(SettingsDialog::PageCaptureIndex);
    dialog.btnSaveClick();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(m_boxes.isEmpty());
    // Only the image type changed: "jpeg" became the shown "BMP".
    QByteArray expected = ini;
    expected.replace("ImageType=jpeg", "ImageType=BMP");
    QCOMPARE(iniText(), expected);
    QCOMPARE(AppSettings.imageType, QByteArray("BMP"));

    // Opening and saving again leaves the file byte for byte.
    SettingsDialog again(false, *m_paths, m_messageBoxes);
    again.show();
    again.btnSaveClick();
    QCOMPARE(iniText(), expected);
  }

  void portFieldDropsStopsAndCommas() {
    settings("");
    SettingsDialog dialog(false, *m_paths, m_messageBoxes);
    dialog.show();
    Edit(dialog.m_portEdit)->clear();
    QTest::keyClicks(dialog.m_portEdit, "2.0,0x1");
    QCOMPARE(dialog.m_portEdit->text(), QString("2001"));
  }

  void aMissingLanguageFolderIsKeptUntilAnotherIsPicked() {
    settings("[Language]\r\nLanguage=Klingon\r\n");
    SettingsDialog dialog(false, *m_paths, m_messageBoxes);
    dialog.show();
    QCOMPARE(dialog.m_languageCombo->currentIndex(), -1);
    dialog.btnSaveClick();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(iniText().contains("[Language]\r\nLanguage=Klingon\r\n"));
    QCOMPARE(AppSettings.language, QByteArray("Klingon"));
    SettingsDialog next(false, *m_paths, m_messageBoxes);
    QCOMPARE(next.m_languageCombo->currentIndex(), -1);
    next.m_languageCombo->setCurrentText("German");
    next.btnSaveClick();
    QCOMPARE(AppSettings.language, QByteArray("German"));
  }

  void aFailedSaveKeepsTheDialogOpenAndTheProgramRunning() {
    settings("[Connection]\r\nPort=10001\r\n");
    const QByteArray before = iniText();
    AppCore core(*m_paths);
    CommandQueue &queue = core.queue();
    MainWindow form(core, m_messageBoxes);
    const qsizetype errors =
        GuardedApplication::instance()->handledErrors().size();
    // A read-only program folder and file, as a user meets them.
    QVERIFY(
        QFile::setPermissions(settingsFilePath(*m_paths), QFile::ReadOwner));
    QVERIFY(QFile::setPermissions(m_dir->path(),
                                  QFile::ReadOwner | QFile::ExeOwner));
    ScopedUserPermissions user;
    QVERIFY(user.ok());
    bool openAfterSave = false;
    whenDialogOpens([&](SettingsDialog &d) {
      Edit(d.m_portEdit)->setText("10002");
      d.m_saveButton->click();
      QCoreApplication::processEvents();
      openAfterSave = d.isVisible();
      d.m_cancelButton->click();
    });
    form.showSettings();
    QCoreApplication::processEvents();
    QVERIFY(openAfterSave);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first(),
             "Unable to write to " + settingsFilePath(*m_paths) +
                 ": permission denied. The file keeps what it held before; "
                 "the dialog stays open, so you can save again once the "
                 "cause is mended, or press Cancel.");
    QCOMPARE(GuardedApplication::instance()->handledErrors().size(), errors);
    QCOMPARE(iniText(), before);
    QCOMPARE(AppSettings.port, 10001);
    QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner |
                                             QFile::ExeOwner);
  }

  void refusedValuesWriteNothingAndKeepTheDialogOpen() {
    settings("[Connection]\r\nPort=10001\r\n");
    const QByteArray before = iniText();
    SettingsDialog dialog(false, *m_paths, m_messageBoxes);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.activateWindow();
    dialog.m_cablePortCombo->setEditText("COM9");
    Edit(dialog.m_portEdit)->setText("70000");
    dialog.m_pageStack->setCurrentIndex(SettingsDialog::PageCaptureIndex);
    dialog.btnSaveClick();
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY2(m_boxes.last().contains("listen port"), qPrintable(m_boxes[0]));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    // The field comes forward as it was typed, with the focus.
    QCOMPARE(dialog.m_pageStack->currentWidget(), dialog.m_connectionPage);
    QCOMPARE(dialog.m_portEdit->text(), QString("70000"));
    QTRY_VERIFY(dialog.m_portEdit->hasFocus());
    QCOMPARE(iniText(), before);

    Edit(dialog.m_portEdit)->setText("2000");
    dialog.m_pageTree->setCurrentItem(dialog.m_pageTree->topLevelItem(2));
    Edit(dialog.m_frameRateEdit)->setText("0");
    dialog.m_pageStack->setCurrentIndex(SettingsDialog::PageConnectionIndex);
    dialog.btnSaveClick();
    QCOMPARE(m_boxes.size(), 2);
    QVERIFY(m_boxes.last().contains("frame rate"));
    QCOMPARE(dialog.m_pageStack->currentWidget(), dialog.m_capturePage);
    QCOMPARE(dialog.m_frameRateEdit->text(), QString("0"));
    QTRY_VERIFY(dialog.m_frameRateEdit->hasFocus());
    // A rate typed out of range stays whole and is refused too.
    Edit(dialog.m_frameRateEdit)->clear();
    QTest::keyClicks(dialog.m_frameRateEdit, "25");
    QCOMPARE(dialog.m_frameRateEdit->text(), QString("25"));
    dialog.btnSaveClick();
    QCOMPARE(m_boxes.size(), 3);
    QVERIFY(m_boxes.last().contains("frame rate") &&
            m_boxes.last().contains("25"));
    QCOMPARE(iniText(), before);
    QCOMPARE(AppSettings.port, 10001);
  }

  void knownPhonesAreListedAndRemovedAndTheAddressRefused() {
    settings("[Connection]\r\nPort=10001\r\nListenAddress=::1\r\n"
             "[KnownPhones]\r\n0102030405060708=One\r\n"
             "A1A2A3A4A5A6A7A8=Two\r\n");
    SettingsDialog dialog(false, *m_paths, m_messageBoxes);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.m_listenAddressEdit->text(), QString("::1"));
    QCOMPARE(dialog.m_knownPhonesCombo->count(), 2);
    dialog.m_knownPhonesCombo->setCurrentIndex(0);
    QTest::mouseClick(dialog.m_removePhoneButton, Qt::LeftButton);
    QCOMPARE(dialog.m_knownPhonesCombo->count(), 1);
    QVERIFY(!iniText().contains("0102030405060708"));
    QVERIFY(iniText().contains("A1A2A3A4A5A6A7A8=Two"));

    const QByteArray before = iniText();
    dialog.m_listenAddressEdit->setText("not-an-address");
    dialog.btnSaveClick();
    QVERIFY(m_boxes.last().contains("listen address"));
    QVERIFY(dialog.isVisible());
    QTRY_VERIFY(dialog.m_listenAddressEdit->hasFocus());
    QCOMPARE(iniText(), before);
  }

  void anUnreadablePortListLeavesTheListsEmpty() {
    settings("");
    // A directory where the port list file should be cannot be read.
    qputenv("QUORVANE_SERIAL_PORTS", m_dir->path().toLocal8Bit());
    SettingsDialog dialog(false, *m_paths, m_messageBoxes);
    dialog.show();
    QCOMPARE(dialog.m_bluetoothPortCombo->count(), 0);
    QCOMPARE(dialog.m_cablePortCombo->count(), 0);
    QCOMPARE(dialog.m_bluetoothPortCombo->currentText(), QString("COM7"));
    QVERIFY(dialog.isVisible());
  }

  void logSwitchesActAtOnceAndSurviveCancel() {
    settings("");
    {
      SettingsDialog dialog(true, *m_paths, m_messageBoxes);
      dialog.show();
      dialog.m_pageTree->setCurrentItem(dialog.m_pageTree->topLevelItem(4));
      QCOMPARE(dialog.m_pageStack->currentWidget(), dialog.m_logPage);
      QTest::mouseClick(dialog.m_logCommandsCheck, Qt::LeftButton);
      QVERIFY(EventLog::instance().isOn(LogSwitch::Commands));
      QVERIFY(!EventLog::instance().isOn(LogSwitch::PacketSize));
      dialog.m_cancelButton->click();
      QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
    QVERIFY(EventLog::instance().isOn(LogSwitch::Commands));
    // Both boxes start unticked, whatever the switches hold.
    SettingsDialog next(true, *m_paths, m_messageBoxes);
    QVERIFY(!next.m_logCommandsCheck->isChecked());
    QVERIFY(iniText().isEmpty());
  }

  void optionsReloadsTheLanguageOnlyWhenItChanged() {
    settings("[Language]\r\nLanguage=English\r\n");
    AppCore core(*m_paths);
    CommandQueue &queue = core.queue();
    MainWindow form(core, m_messageBoxes);
    QCOMPARE(form.m_connectionAction->text(), QString("Connection"));
    // A text changed by hand shows whether the language was applied again.
    form.m_exitAction->setText("marker");

    whenDialogOpens([](SettingsDialog &d) {
      QCOMPARE(d.windowTitle(), uiText("SCaption"));
      d.m_languageCombo->setCurrentText("German");
      d.m_cancelButton->click();
    });
    form.showSettings();
    QCOMPARE(form.m_exitAction->text(), QString("marker"));
    QCOMPARE(AppSettings.language, QByteArray("English"));

    whenDialogOpens([](SettingsDialog &d) { d.m_saveButton->click(); });
    form.showSettings();
    QCOMPARE(form.m_exitAction->text(), QString("marker"));

    whenDialogOpens([](SettingsDialog &d) {
      d.m_languageCombo->setCurrentIndex(0); // default: Languages/lang.ini
      d.m_saveButton->click();
    });
    form.showSettings();
    QCOMPARE(AppSettings.language, QByteArray());
    QCOMPARE(loadedLanguage(), QByteArray());
    QVERIFY(form.m_exitAction->text().startsWith("Exit"));
    QVERIFY(m_boxes.isEmpty());
  }
};

int main(int argc, char **argv) {
  GuardedApplication app(argc, argv);
  app.setShowErrorBox(false);
  TestSettingDialog test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_setting_dialog.moc"
