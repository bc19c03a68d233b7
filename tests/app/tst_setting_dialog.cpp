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
#include "support/WindowDriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

class TestSettingDialog : public QObject {
  Q_OBJECT

  std::unique_ptr<ScopedTempDir> m_dir;
  ScriptedMessageBoxes m_messageBoxes;
  std::optional<Paths> m_paths;
  std::unique_ptr<Settings> m_settings;
  KeyTable m_keys;
  QStringList m_boxes;

  // A part of the dialog, found by its object name.
  template <typename T> static T *part(QWidget &dialog, const char *name) {
    T *found = dialog.findChild<T *>(QLatin1String(name));
    if (!found)
      qFatal("the dialog has no %s", name);
    return found;
  }

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
    m_settings = std::make_unique<Settings>(*m_paths);
    m_settings->load();
    loadLanguage(*m_paths, *m_settings);
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
    m_keys.load(*m_paths); // no keys.ini: the 24 built-in keys
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
    SettingsDialog dialog(*m_settings, m_keys, false, *m_paths, m_messageBoxes);
    dialog.show();
    QCOMPARE(dialog.size(), QSize(553, 398));
    QCOMPARE(part<QPushButton>(dialog, "saveButton")->text(), QString("Save"));
    QVERIFY(part<QPushButton>(dialog, "saveButton")->isDefault());
    QCOMPARE(dialog.pageCaption(0), QString("German")); // from lang.ini

    // Four pages without "-log", five with it.
    QCOMPARE(part<QTreeWidget>(dialog, "pageTree")->topLevelItemCount(), 4);
    SettingsDialog withLog(*m_settings, m_keys, true, *m_paths, m_messageBoxes);
    QCOMPARE(part<QTreeWidget>(withLog, "pageTree")->topLevelItemCount(), 5);

    QCOMPARE(part<QComboBox>(dialog, "languageCombo")->currentText(),
             QString("German"));
    QCOMPARE(part<QComboBox>(dialog, "languageCombo")->itemText(0),
             QString("default"));
    // "jpeg" is not "JPEG": BMP shows.
    QCOMPARE(part<QComboBox>(dialog, "imageTypeCombo")->currentText(),
             QString("BMP"));
    // The port lists: sorted without case, the fields keep their texts.
    QCOMPARE(part<QComboBox>(dialog, "bluetoothPortCombo")->currentText(),
             QString("rfcomm7"));
    QCOMPARE(part<QComboBox>(dialog, "cablePortCombo")->count(), 3);
    QCOMPARE(part<QComboBox>(dialog, "cablePortCombo")->itemText(0),
             QString("COM3"));
    QCOMPARE(part<QComboBox>(dialog, "cablePortCombo")->itemText(1),
             QString("rfcomm0"));
    QCOMPARE(part<QComboBox>(dialog, "cablePortCombo")->currentText(),
             QString("COM4"));

    // Choosing a page shows it under its caption.
    part<QTreeWidget>(dialog, "pageTree")
        ->setCurrentItem(
            part<QTreeWidget>(dialog, "pageTree")->topLevelItem(2));
    QCOMPARE(part<QStackedWidget>(dialog, "pageStack")->currentWidget(),
             dialog.page(SettingsDialog::PageCaptureIndex));
    QCOMPARE(part<QLabel>(dialog, "pageCaption")->text(),
             QString("Capture Settings"));
    part<QStackedWidget>(dialog, "pageStack")
        ->setCurrentIndex(SettingsDialog::PageKeysIndex);
    QCOMPARE(part<QTreeWidget>(dialog, "pageTree")->currentItem(),
             part<QTreeWidget>(dialog, "pageTree")->topLevelItem(1));
    // The key list shows the table with its first row selected, and keeps
    // the row selected when the page comes back.
    auto *keys = part<QTreeView>(dialog, "keyList");
    QCOMPARE(keys->model()->rowCount(), 24);
    QCOMPARE(keys->selectionModel()->selectedRows().value(0).row(), 0);
    keys->setCurrentIndex(keys->model()->index(5, 0));
    part<QStackedWidget>(dialog, "pageStack")
        ->setCurrentIndex(SettingsDialog::PageCaptureIndex);
    part<QStackedWidget>(dialog, "pageStack")
        ->setCurrentIndex(SettingsDialog::PageKeysIndex);
    QCOMPARE(keys->selectionModel()->selectedRows().value(0).row(), 5);
  }

  void savingWithoutChangesWritesNothing() {
    const QByteArray ini = "[Connection]\r\nPort=10001\r\nDataPort=COM3\r\n"
                           "[Image]\r\nImageType=jpeg\r\n[Language]\r\n"
                           "Language=German\r\n";
    settings(ini);
    SettingsDialog dialog(*m_settings, m_keys, false, *m_paths, m_messageBoxes);
    dialog.show();
    // The port typed again with a leading zero is the same number.
    Edit(part<QSpinBox>(dialog, "portEdit"))->clear();
    QTest::keyClicks(part<QSpinBox>(dialog, "portEdit"), "010001");
    QCOMPARE(part<QSpinBox>(dialog, "portEdit")->text(), QString("010001"));
    // The page's own show handler may run again; nothing changes.
    part<QStackedWidget>(dialog, "pageStack")
        ->setCurrentIndex(SettingsDialog::PageCaptureIndex);
    dialog.saveAndClose();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(m_boxes.isEmpty());
    // Only the image type changed: "jpeg" became the shown "BMP".
    QByteArray expected = ini;
    expected.replace("ImageType=jpeg", "ImageType=BMP");
    QCOMPARE(iniText(), expected);
    QCOMPARE(m_settings->imageType(), QByteArray("BMP"));

    // Opening and saving again leaves the file byte for byte.
    SettingsDialog again(*m_settings, m_keys, false, *m_paths, m_messageBoxes);
    again.show();
    again.saveAndClose();
    QCOMPARE(iniText(), expected);
  }

  void pngAndTheVideoScaleAreOfferedAndSaved() {
    // A scale the converter does not know reads as 1.
    settings("[AVI]\r\nScale=7\r\n[Image]\r\nImageType=PNG\r\n");
    SettingsDialog dialog(*m_settings, m_keys, false, *m_paths, m_messageBoxes);
    dialog.show();
    auto *type = part<QComboBox>(dialog, "imageTypeCombo");
    QCOMPARE(type->count(), 3);
    QCOMPARE(type->currentText(), QString("PNG"));
    auto *scale = part<QComboBox>(dialog, "scaleCombo");
    QCOMPARE(scale->currentData().toInt(), 1);
    scale->setCurrentIndex(scale->findData(2));
    dialog.saveAndClose();
    QCOMPARE(m_settings->scale(), 2);
    QCOMPARE(iniText(), QByteArray("[AVI]\r\nScale=2\r\n[Image]\r\n"
                                   "ImageType=PNG\r\n"));
  }

  void portFieldDropsStopsAndCommas() {
    settings("");
    SettingsDialog dialog(*m_settings, m_keys, false, *m_paths, m_messageBoxes);
    dialog.show();
    Edit(part<QSpinBox>(dialog, "portEdit"))->clear();
    QTest::keyClicks(part<QSpinBox>(dialog, "portEdit"), "2.0,0x1");
    QCOMPARE(part<QSpinBox>(dialog, "portEdit")->text(), QString("2001"));
  }

  void aMissingLanguageFolderIsKeptUntilAnotherIsPicked() {
    settings("[Language]\r\nLanguage=Klingon\r\n");
    SettingsDialog dialog(*m_settings, m_keys, false, *m_paths, m_messageBoxes);
    dialog.show();
    QCOMPARE(part<QComboBox>(dialog, "languageCombo")->currentIndex(), -1);
    dialog.saveAndClose();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(iniText().contains("[Language]\r\nLanguage=Klingon\r\n"));
    QCOMPARE(m_settings->language(), QByteArray("Klingon"));
    SettingsDialog next(*m_settings, m_keys, false, *m_paths, m_messageBoxes);
    QCOMPARE(part<QComboBox>(next, "languageCombo")->currentIndex(), -1);
    part<QComboBox>(next, "languageCombo")->setCurrentText("German");
    next.saveAndClose();
    QCOMPARE(m_settings->language(), QByteArray("German"));
  }

  void aFailedSaveKeepsTheDialogOpenAndTheProgramRunning() {
    settings("[Connection]\r\nPort=10001\r\n");
    const QByteArray before = iniText();
    AppCore core(*m_paths);
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
      Edit(part<QSpinBox>(d, "portEdit"))->setText("10002");
      part<QPushButton>(d, "saveButton")->click();
      QCoreApplication::processEvents();
      openAfterSave = d.isVisible();
      part<QPushButton>(d, "cancelButton")->click();
    });
    driver::trigger(form, "settingsAction");
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
    QCOMPARE(core.settings().port(), 10001);
    QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner |
                                             QFile::ExeOwner);
  }

  void refusedValuesWriteNothingAndKeepTheDialogOpen() {
    settings("[Connection]\r\nPort=10001\r\n");
    const QByteArray before = iniText();
    SettingsDialog dialog(*m_settings, m_keys, false, *m_paths, m_messageBoxes);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.activateWindow();
    part<QComboBox>(dialog, "cablePortCombo")->setEditText("COM9");
    Edit(part<QSpinBox>(dialog, "portEdit"))->setText("70000");
    part<QStackedWidget>(dialog, "pageStack")
        ->setCurrentIndex(SettingsDialog::PageCaptureIndex);
    dialog.saveAndClose();
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY2(m_boxes.last().contains("listen port"), qPrintable(m_boxes[0]));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    // The field comes forward as it was typed, with the focus.
    QCOMPARE(part<QStackedWidget>(dialog, "pageStack")->currentWidget(),
             dialog.page(SettingsDialog::PageConnectionIndex));
    QCOMPARE(part<QSpinBox>(dialog, "portEdit")->text(), QString("70000"));
    QTRY_VERIFY(part<QSpinBox>(dialog, "portEdit")->hasFocus());
    QCOMPARE(iniText(), before);

    Edit(part<QSpinBox>(dialog, "portEdit"))->setText("2000");
    part<QTreeWidget>(dialog, "pageTree")
        ->setCurrentItem(
            part<QTreeWidget>(dialog, "pageTree")->topLevelItem(2));
    Edit(part<QSpinBox>(dialog, "frameRateEdit"))->setText("0");
    part<QStackedWidget>(dialog, "pageStack")
        ->setCurrentIndex(SettingsDialog::PageConnectionIndex);
    dialog.saveAndClose();
    QCOMPARE(m_boxes.size(), 2);
    QVERIFY(m_boxes.last().contains("frame rate"));
    QCOMPARE(part<QStackedWidget>(dialog, "pageStack")->currentWidget(),
             dialog.page(SettingsDialog::PageCaptureIndex));
    QCOMPARE(part<QSpinBox>(dialog, "frameRateEdit")->text(), QString("0"));
    QTRY_VERIFY(part<QSpinBox>(dialog, "frameRateEdit")->hasFocus());
    // A rate typed out of range stays whole and is refused too.
    Edit(part<QSpinBox>(dialog, "frameRateEdit"))->clear();
    QTest::keyClicks(part<QSpinBox>(dialog, "frameRateEdit"), "25");
    QCOMPARE(part<QSpinBox>(dialog, "frameRateEdit")->text(), QString("25"));
    dialog.saveAndClose();
    QCOMPARE(m_boxes.size(), 3);
    QVERIFY(m_boxes.last().contains("frame rate") &&
            m_boxes.last().contains("25"));
    QCOMPARE(iniText(), before);
    QCOMPARE(m_settings->port(), 10001);
  }

  void knownPhonesAreListedAndRemovedAndTheAddressRefused() {
    settings("[Connection]\r\nPort=10001\r\nListenAddress=::1\r\n"
             "[KnownPhones]\r\n0102030405060708=One\r\n"
             "A1A2A3A4A5A6A7A8=Two\r\n");
    SettingsDialog dialog(*m_settings, m_keys, false, *m_paths, m_messageBoxes);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(part<QLineEdit>(dialog, "listenAddressEdit")->text(),
             QString("::1"));
    QCOMPARE(part<QComboBox>(dialog, "knownPhonesCombo")->count(), 2);
    part<QComboBox>(dialog, "knownPhonesCombo")->setCurrentIndex(0);
    QTest::mouseClick(part<QPushButton>(dialog, "removePhoneButton"),
                      Qt::LeftButton);
    QCOMPARE(part<QComboBox>(dialog, "knownPhonesCombo")->count(), 1);
    QVERIFY(!iniText().contains("0102030405060708"));
    QVERIFY(iniText().contains("A1A2A3A4A5A6A7A8=Two"));

    const QByteArray before = iniText();
    part<QLineEdit>(dialog, "listenAddressEdit")->setText("not-an-address");
    dialog.saveAndClose();
    QVERIFY(m_boxes.last().contains("listen address"));
    QVERIFY(dialog.isVisible());
    QTRY_VERIFY(part<QLineEdit>(dialog, "listenAddressEdit")->hasFocus());
    QCOMPARE(iniText(), before);
  }

  void anUnreadablePortListLeavesTheListsEmpty() {
    settings("");
    // A directory where the port list file should be cannot be read.
    qputenv("QUORVANE_SERIAL_PORTS", m_dir->path().toLocal8Bit());
    SettingsDialog dialog(*m_settings, m_keys, false, *m_paths, m_messageBoxes);
    dialog.show();
    QCOMPARE(part<QComboBox>(dialog, "bluetoothPortCombo")->count(), 0);
    QCOMPARE(part<QComboBox>(dialog, "cablePortCombo")->count(), 0);
    QCOMPARE(part<QComboBox>(dialog, "bluetoothPortCombo")->currentText(),
             QString("COM7"));
    QVERIFY(dialog.isVisible());
  }

  void logSwitchesActAtOnceAndSurviveCancel() {
    settings("");
    {
      SettingsDialog dialog(*m_settings, m_keys, true, *m_paths,
                            m_messageBoxes);
      dialog.show();
      part<QTreeWidget>(dialog, "pageTree")
          ->setCurrentItem(
              part<QTreeWidget>(dialog, "pageTree")->topLevelItem(4));
      QCOMPARE(part<QStackedWidget>(dialog, "pageStack")->currentWidget(),
               dialog.page(SettingsDialog::PageLogFileIndex));
      QTest::mouseClick(part<QCheckBox>(dialog, "logCommandsCheck"),
                        Qt::LeftButton);
      QVERIFY(EventLog::instance().isOn(LogSwitch::Commands));
      QVERIFY(!EventLog::instance().isOn(LogSwitch::PacketSize));
      part<QPushButton>(dialog, "cancelButton")->click();
      QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
    QVERIFY(EventLog::instance().isOn(LogSwitch::Commands));
    // Both boxes start unticked, whatever the switches hold.
    SettingsDialog next(*m_settings, m_keys, true, *m_paths, m_messageBoxes);
    QVERIFY(!part<QCheckBox>(next, "logCommandsCheck")->isChecked());
    QVERIFY(iniText().isEmpty());
  }

  void optionsReloadsTheLanguageOnlyWhenItChanged() {
    settings("[Language]\r\nLanguage=English\r\n");
    AppCore core(*m_paths);
    MainWindow form(core, m_messageBoxes);
    QCOMPARE(driver::find<QAction>(form, "connectionMenuAction")->text(),
             QString("Connection"));
    // A text changed by hand shows whether the language was applied again.
    driver::find<QAction>(form, "exitAction")->setText("marker");

    whenDialogOpens([](SettingsDialog &d) {
      QCOMPARE(d.windowTitle(), uiText("SCaption"));
      part<QComboBox>(d, "languageCombo")->setCurrentText("German");
      part<QPushButton>(d, "cancelButton")->click();
    });
    driver::trigger(form, "settingsAction");
    QCOMPARE(driver::find<QAction>(form, "exitAction")->text(),
             QString("marker"));
    QCOMPARE(core.settings().language(), QByteArray("English"));

    whenDialogOpens(
        [](SettingsDialog &d) { part<QPushButton>(d, "saveButton")->click(); });
    driver::trigger(form, "settingsAction");
    QCOMPARE(driver::find<QAction>(form, "exitAction")->text(),
             QString("marker"));

    whenDialogOpens([](SettingsDialog &d) {
      part<QComboBox>(d, "languageCombo")
          ->setCurrentIndex(0); // default: Languages/lang.ini
      part<QPushButton>(d, "saveButton")->click();
    });
    driver::trigger(form, "settingsAction");
    QCOMPARE(core.settings().language(), QByteArray());
    QCOMPARE(loadedLanguage(), QByteArray());
    QVERIFY(
        driver::find<QAction>(form, "exitAction")->text().startsWith("Exit"));
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
