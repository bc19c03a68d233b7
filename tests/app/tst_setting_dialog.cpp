// The settings dialog on its own and opened from the main window's Options.
#include "app/AppException.h"
#include "app/MessageBoxes.h"
#include "app/USetting.h"
#include "app/UnitMain.h"
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
  QStringList m_boxes;

  void WriteFile(const QString &relative, const QByteArray &bytes) {
    const QString path = m_dir->File(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QByteArray Ini() {
    QFile f(SettingsFilePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  // Loads the settings from this file, and the language they name.
  void Settings(const QByteArray &ini) {
    WriteFile("Quorvane.ini", ini);
    LoadSettings();
    LoadLanguage();
  }
  static QLineEdit *Edit(QSpinBox *spin) {
    return spin->findChild<QLineEdit *>();
  }
  // Runs `inside` once the window's modal dialog is up.
  static void WhenDialogOpens(std::function<void(TFrmSetting &)> inside) {
    QTimer::singleShot(0, [inside] {
      auto *dialog =
          qobject_cast<TFrmSetting *>(QApplication::activeModalWidget());
      QVERIFY(dialog);
      inside(*dialog);
    });
  }

private slots:
  void init() {
    m_dir = std::make_unique<ScopedTempDir>();
    SetExePath(m_dir->File("quorvane"));
    LoadKeyTable(); // no keys.ini: the 24 built-in keys
    for (const char *language : {"English", "German"})
      WriteFile(QStringLiteral("Languages/%1/lang.ini").arg(language),
                "SPageConnection=" + QByteArray(language) + "\r\n");
    WriteFile("ports.ini", "\\Device\\Serial0=ttyS0\r\n"
                           "\\Device\\BthModem0=rfcomm0\r\n"
                           "\\Device\\USBSER000=COM3\r\n");
    qputenv("QUORVANE_SERIAL_PORTS", m_dir->File("ports.ini").toLocal8Bit());
    m_boxes.clear();
    SetMessageBoxHook([this](TMessageKind, const QString &, const QString &t) {
      m_boxes << t;
    });
    LogCommands = false;
    LogPacketSize = false;
  }
  void cleanup() {
    qunsetenv("QUORVANE_SERIAL_PORTS");
    m_dir.reset();
  }

  void layoutTreeAndFieldsFromMemory() {
    Settings("[Connection]\r\nBlueToothPort=rfcomm7\r\n[Image]\r\n"
             "ImageType=jpeg\r\n[Language]\r\nLanguage=German\r\n");
    TFrmSetting dialog(false);
    dialog.show();
    QCOMPARE(dialog.size(), QSize(553, 398));
    QCOMPARE(dialog.BtnSave->text(), QString("Save"));
    QVERIFY(dialog.BtnSave->isDefault());
    QCOMPARE(dialog.PageCaption(0), QString("German")); // from lang.ini

    // Four pages without "-log", five with it.
    QCOMPARE(dialog.TreeViewCont->topLevelItemCount(), 4);
    QCOMPARE(TFrmSetting(true).TreeViewCont->topLevelItemCount(), 5);

    QCOMPARE(dialog.ComboLanguage->currentText(), QString("German"));
    QCOMPARE(dialog.ComboLanguage->itemText(0), QString("default"));
    // "jpeg" is not "JPEG": BMP shows.
    QCOMPARE(dialog.ComBoxImageType->currentText(), QString("BMP"));
    // The port lists: sorted without case, the fields keep their texts.
    QCOMPARE(dialog.ComboBoxBl->currentText(), QString("rfcomm7"));
    QCOMPARE(dialog.ComboBoxDt->count(), 3);
    QCOMPARE(dialog.ComboBoxDt->itemText(0), QString("COM3"));
    QCOMPARE(dialog.ComboBoxDt->itemText(1), QString("rfcomm0"));
    QCOMPARE(dialog.ComboBoxDt->currentText(), QString("COM4"));

    // Choosing a page shows it under its caption.
    dialog.TreeViewCont->setCurrentItem(dialog.TreeViewCont->topLevelItem(2));
    QCOMPARE(dialog.PageCont->currentWidget(), dialog.PageCapture);
    QCOMPARE(dialog.lblPageCaption->text(), QString("Capture Settings"));
    dialog.PageCont->setCurrentIndex(TFrmSetting::PageKeysIndex);
    QCOMPARE(dialog.TreeViewCont->currentItem(),
             dialog.TreeViewCont->topLevelItem(1));
    QCOMPARE(dialog.ListViewKeys->topLevelItemCount(), 24);
  }

  void savingWithoutChangesWritesNothing() {
    const QByteArray ini = "[Connection]\r\nPort=10001\r\nDataPort=COM3\r\n"
                           "[Image]\r\nImageType=jpeg\r\n[Language]\r\n"
                           "Language=German\r\n";
    Settings(ini);
    TFrmSetting dialog(false);
    dialog.show();
    // The port typed again with a leading zero is the same number.
    Edit(dialog.EditPort)->clear();
    QTest::keyClicks(dialog.EditPort, "010001");
    QCOMPARE(dialog.EditPort->text(), QString("010001"));
    // The page's own show handler may run again; nothing changes.
    dialog.PageCont->setCurrentIndex(TFrmSetting::PageCaptureIndex);
    dialog.BtnSaveClick();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(m_boxes.isEmpty());
    // Only the image type changed: "jpeg" became the shown "BMP".
    QByteArray expected = ini;
    expected.replace("ImageType=jpeg", "ImageType=BMP");
    QCOMPARE(Ini(), expected);
    QCOMPARE(AppSettings.ImageType, QByteArray("BMP"));

    // Opening and saving again leaves the file byte for byte.
    TFrmSetting again(false);
    again.show();
    again.BtnSaveClick();
    QCOMPARE(Ini(), expected);
  }

  void portFieldDropsStopsAndCommas() {
    Settings("");
    TFrmSetting dialog(false);
    dialog.show();
    Edit(dialog.EditPort)->clear();
    QTest::keyClicks(dialog.EditPort, "2.0,0x1");
    QCOMPARE(dialog.EditPort->text(), QString("2001"));
  }

  void aMissingLanguageFolderIsKeptUntilAnotherIsPicked() {
    Settings("[Language]\r\nLanguage=Klingon\r\n");
    TFrmSetting dialog(false);
    dialog.show();
    QCOMPARE(dialog.ComboLanguage->currentIndex(), -1);
    dialog.BtnSaveClick();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(Ini().contains("[Language]\r\nLanguage=Klingon\r\n"));
    QCOMPARE(AppSettings.Language, QByteArray("Klingon"));
    TFrmSetting next(false);
    QCOMPARE(next.ComboLanguage->currentIndex(), -1);
    next.ComboLanguage->setCurrentText("German");
    next.BtnSaveClick();
    QCOMPARE(AppSettings.Language, QByteArray("German"));
  }

  void aFailedSaveKeepsTheDialogOpenAndTheProgramRunning() {
    Settings("[Connection]\r\nPort=10001\r\n");
    const QByteArray before = Ini();
    TCommandQueue queue;
    TFormMain form(queue);
    const qsizetype errors = TApplication::HandledErrors().size();
    // A read-only program folder and file, as a user meets them.
    QVERIFY(QFile::setPermissions(SettingsFilePath(), QFile::ReadOwner));
    QVERIFY(QFile::setPermissions(m_dir->Path(),
                                  QFile::ReadOwner | QFile::ExeOwner));
    ScopedUserPermissions user;
    QVERIFY(user.Ok());
    bool openAfterSave = false;
    WhenDialogOpens([&](TFrmSetting &d) {
      Edit(d.EditPort)->setText("10002");
      d.BtnSave->click();
      QCoreApplication::processEvents();
      openAfterSave = d.isVisible();
      d.BtnCancel->click();
    });
    form.MOptionsClick();
    QCoreApplication::processEvents();
    QVERIFY(openAfterSave);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first(),
             "Unable to write to " + SettingsFilePath() +
                 ": permission denied. The file keeps what it held before; "
                 "the dialog stays open, so you can save again once the "
                 "cause is mended, or press Cancel.");
    QCOMPARE(TApplication::HandledErrors().size(), errors);
    QCOMPARE(Ini(), before);
    QCOMPARE(AppSettings.Port, 10001);
    QFile::setPermissions(m_dir->Path(), QFile::ReadOwner | QFile::WriteOwner |
                                             QFile::ExeOwner);
  }

  void refusedValuesWriteNothingAndKeepTheDialogOpen() {
    Settings("[Connection]\r\nPort=10001\r\n");
    const QByteArray before = Ini();
    TFrmSetting dialog(false);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.activateWindow();
    dialog.ComboBoxDt->setEditText("COM9");
    Edit(dialog.EditPort)->setText("70000");
    dialog.PageCont->setCurrentIndex(TFrmSetting::PageCaptureIndex);
    dialog.BtnSaveClick();
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY2(m_boxes.last().contains("listen port"), qPrintable(m_boxes[0]));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    // The field comes forward as it was typed, with the focus.
    QCOMPARE(dialog.PageCont->currentWidget(), dialog.PageConnection);
    QCOMPARE(dialog.EditPort->text(), QString("70000"));
    QTRY_VERIFY(dialog.EditPort->hasFocus());
    QCOMPARE(Ini(), before);

    Edit(dialog.EditPort)->setText("2000");
    dialog.TreeViewCont->setCurrentItem(dialog.TreeViewCont->topLevelItem(2));
    Edit(dialog.EditFPS)->setText("0");
    dialog.PageCont->setCurrentIndex(TFrmSetting::PageConnectionIndex);
    dialog.BtnSaveClick();
    QCOMPARE(m_boxes.size(), 2);
    QVERIFY(m_boxes.last().contains("frame rate"));
    QCOMPARE(dialog.PageCont->currentWidget(), dialog.PageCapture);
    QCOMPARE(dialog.EditFPS->text(), QString("0"));
    QTRY_VERIFY(dialog.EditFPS->hasFocus());
    // A rate typed out of range stays whole and is refused too.
    Edit(dialog.EditFPS)->clear();
    QTest::keyClicks(dialog.EditFPS, "25");
    QCOMPARE(dialog.EditFPS->text(), QString("25"));
    dialog.BtnSaveClick();
    QCOMPARE(m_boxes.size(), 3);
    QVERIFY(m_boxes.last().contains("frame rate") &&
            m_boxes.last().contains("25"));
    QCOMPARE(Ini(), before);
    QCOMPARE(AppSettings.Port, 10001);
  }

  void knownPhonesAreListedAndRemovedAndTheAddressRefused() {
    Settings("[Connection]\r\nPort=10001\r\nListenAddress=::1\r\n"
             "[KnownPhones]\r\n0102030405060708=One\r\n"
             "A1A2A3A4A5A6A7A8=Two\r\n");
    TFrmSetting dialog(false);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.EditListenAddress->text(), QString("::1"));
    QCOMPARE(dialog.ComboKnownPhones->count(), 2);
    dialog.ComboKnownPhones->setCurrentIndex(0);
    QTest::mouseClick(dialog.BtnRemovePhone, Qt::LeftButton);
    QCOMPARE(dialog.ComboKnownPhones->count(), 1);
    QVERIFY(!Ini().contains("0102030405060708"));
    QVERIFY(Ini().contains("A1A2A3A4A5A6A7A8=Two"));

    const QByteArray before = Ini();
    dialog.EditListenAddress->setText("not-an-address");
    dialog.BtnSaveClick();
    QVERIFY(m_boxes.last().contains("listen address"));
    QVERIFY(dialog.isVisible());
    QTRY_VERIFY(dialog.EditListenAddress->hasFocus());
    QCOMPARE(Ini(), before);
  }

  void anUnreadablePortListLeavesTheListsEmpty() {
    Settings("");
    // A directory where the port list file should be cannot be read.
    qputenv("QUORVANE_SERIAL_PORTS", m_dir->Path().toLocal8Bit());
    TFrmSetting dialog(false);
    dialog.show();
    QCOMPARE(dialog.ComboBoxBl->count(), 0);
    QCOMPARE(dialog.ComboBoxDt->count(), 0);
    QCOMPARE(dialog.ComboBoxBl->currentText(), QString("COM7"));
    QVERIFY(dialog.isVisible());
  }

  void logSwitchesActAtOnceAndSurviveCancel() {
    Settings("");
    {
      TFrmSetting dialog(true);
      dialog.show();
      dialog.TreeViewCont->setCurrentItem(dialog.TreeViewCont->topLevelItem(4));
      QCOMPARE(dialog.PageCont->currentWidget(), dialog.PageLogFile);
      QTest::mouseClick(dialog.JvXPCheckboxComand, Qt::LeftButton);
      QVERIFY(LogCommands);
      QVERIFY(!LogPacketSize);
      dialog.BtnCancel->click();
      QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
    QVERIFY(LogCommands);
    // Both boxes start unticked, whatever the switches hold.
    TFrmSetting next(true);
    QVERIFY(!next.JvXPCheckboxComand->isChecked());
    QVERIFY(Ini().isEmpty());
  }

  void optionsReloadsTheLanguageOnlyWhenItChanged() {
    Settings("[Language]\r\nLanguage=English\r\n");
    TCommandQueue queue;
    TFormMain form(queue);
    QCOMPARE(form.MConnection->text(), QString("Connection"));
    // A text changed by hand shows whether the language was applied again.
    form.MExit->setText("marker");

    WhenDialogOpens([](TFrmSetting &d) {
      QCOMPARE(d.windowTitle(), SCaption);
      d.ComboLanguage->setCurrentText("German");
      d.BtnCancel->click();
    });
    form.MOptionsClick();
    QCOMPARE(form.MExit->text(), QString("marker"));
    QCOMPARE(AppSettings.Language, QByteArray("English"));

    WhenDialogOpens([](TFrmSetting &d) { d.BtnSave->click(); });
    form.MOptionsClick();
    QCOMPARE(form.MExit->text(), QString("marker"));

    WhenDialogOpens([](TFrmSetting &d) {
      d.ComboLanguage->setCurrentIndex(0); // default: Languages/lang.ini
      d.BtnSave->click();
    });
    form.MOptionsClick();
    QCOMPARE(AppSettings.Language, QByteArray());
    QCOMPARE(LoadedLanguage, QByteArray());
    QVERIFY(form.MExit->text().startsWith("Exit"));
    QVERIFY(m_boxes.isEmpty());
  }
};

int main(int argc, char **argv) {
  TApplication app(argc, argv);
  TApplication::SetShowErrorBox(false);
  TestSettingDialog test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_setting_dialog.moc"
