// The main window with the languages shipped beside the program: started
// with Language=German it shows German menus, tray menu and dialog; French
// chosen in the settings dialog shows at once.
#include "app/AppCore.h"
#include "app/AppException.h"
#include "app/ConnectionCommands.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "app/SettingsDialog.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "keys/HotKeyEditor.h"
#include "link/CommandQueue.h"
#include "link/LinkView.h"
#include "settings/Language.h"
#include "settings/Settings.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"
#include "support/WindowDriver.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

class TestEndToEndLanguage : public QObject {
  Q_OBJECT

  static bool copyTree(const QString &from, const QString &to) {
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString file = it.next();
      const QString target = to + QDir(from).relativeFilePath(file);
      if (!QDir().mkpath(QFileInfo(target).absolutePath()) ||
          !QFile::copy(file, target))
        return false;
    }
    return true;
  }
  static QString caption(const QAction *entry) {
    return entry->text().section('\t', 0, 0);
  }
  static QString menuButton(MainWindow &form, const char *name) {
    return driver::find<QToolButton>(form, name)->text();
  }

  // Opens Options, runs `inside` with the dialog up, and waits for it to
  // close.
  static void options(MainWindow &form,
                      std::function<void(SettingsDialog &)> inside) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      auto *dialog =
          qobject_cast<SettingsDialog *>(QApplication::activeModalWidget());
      if (!dialog)
        return;
      ran = true;
      inside(*dialog);
    });
    driver::trigger(form, "settingsAction");
    QVERIFY(ran);
  }

private slots:
  void germanAtStartThenFrenchFromTheDialog() {
    ScopedTempDir dir;
    ScriptedMessageBoxes messages;
    const Paths paths = Paths::forExecutable(dir.file("quorvane"));
    EventLog::instance().setFilePath(paths.logFile());
    QVERIFY(copyTree(QV_PROGRAM_DIR "/Languages", dir.file("Languages/")));
    {
      QFile ini(dir.file("Quorvane.ini"));
      QVERIFY(ini.open(QIODevice::WriteOnly));
      ini.write("[Language]\r\nLanguage=German\r\n");
    }
    QList<QPair<QString, QString>> boxes;
    messages.onShow = [&boxes](MessageKind, const QString &caption,
                               const QString &text) {
      boxes.append({caption, text});
    };

    AppCore core(paths);
    MainWindow form(core, messages);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QCOMPARE(menuButton(form, "connectionMenuButton"), QString("Verbindung"));
    QCOMPARE(menuButton(form, "helpMenuButton"), QString("Hilfe"));
    QCOMPARE(caption(driver::find<QAction>(form, "connectInternetAction")),
             QString::fromUtf8("Über GPRS verbinden"));
    QCOMPARE(driver::find<QAction>(form, "exitAction")->text(),
             QString("Beenden\tAlt+F4"));
    QCOMPARE(caption(driver::find<QAction>(form, "popupInternetAction")),
             caption(driver::find<QAction>(form, "connectInternetAction")));
    QCOMPARE(caption(driver::find<QAction>(form, "restoreAction")),
             QString("Wiederherstellen"));
    QCOMPARE(caption(driver::find<QAction>(form, "minimizeAction")),
             QString("Minimieren"));
    QCOMPARE(driver::find<QLabel>(form, "quickTextLabel")->text(),
             QString("Schnelltext"));
    QCOMPARE(driver::find<QPushButton>(form, "sendButton")->text(),
             QString("Senden"));
    QCOMPARE(uiText("FCaptEditKey"), QString("Taste bearbeiten"));

    // The Bluetooth message speaks German, in two lines.
    ConnectionView &view =
        *driver::find<ConnectionCommands>(form, "connectionCommands");
    view.showSerialOpenError(LinkKind::Bluetooth);
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].first, QString("Achtung"));
    QCOMPARE(boxes[0].second.count("\r\n"), 1);

    options(form, [](SettingsDialog &d) {
      QCOMPARE(d.windowTitle(), QString("Optionen"));
      QCOMPARE(d.findChild<QPushButton *>("saveButton")->text(),
               QString("Speichern"));
      QCOMPARE(d.findChild<QComboBox *>("languageCombo")->currentText(),
               QString("German"));
      QCOMPARE(d.findChild<QComboBox *>("languageCombo")->itemText(0),
               QString("Standard"));
      d.findChild<QComboBox *>("languageCombo")->setCurrentText("French");
      QCOMPARE(d.findChild<QComboBox *>("languageCombo")->currentText(),
               QString("French"));
      d.findChild<QPushButton *>("saveButton")->click();
    });

    // At once, without another start.
    QCOMPARE(menuButton(form, "connectionMenuButton"), QString("Connexion"));
    QCOMPARE(menuButton(form, "toolsMenuButton"), QString("Outils"));
    QCOMPARE(caption(driver::find<QAction>(form, "exitAction")),
             QString("Quitter"));
    QCOMPARE(caption(driver::find<QAction>(form, "popupBluetoothAction")),
             QString("Se connecter par Bluetooth"));
    QCOMPARE(caption(driver::find<QAction>(form, "restoreAction")),
             QString("Restaurer"));
    QCOMPARE(driver::find<QLabel>(form, "zoomLabel")->text(), QString("Zoom"));
    QCOMPARE(driver::find<QPushButton>(form, "sendButton")->text(),
             QString("Envoyer"));

    options(form, [](SettingsDialog &d) {
      QCOMPARE(d.windowTitle(), QString("Options"));
      QCOMPARE(d.findChild<QPushButton *>("cancelButton")->text(),
               QString("Annuler"));
      QCOMPARE(d.pageCaption(SettingsDialog::PageKeysIndex),
               QString("Raccourcis clavier"));
      d.findChild<QPushButton *>("cancelButton")->click();
    });
    Settings reread(paths);
    reread.load();
    QCOMPARE(reread.language(), QByteArray("French"));
    QCOMPARE(boxes.size(), 1);
  }
};

int main(int argc, char **argv) {
  GuardedApplication app(argc, argv);
  app.setShowErrorBox(false);
  TestEndToEndLanguage test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_language.moc"
