// The main window with the languages shipped beside the program: started
// with Language=German it shows German menus, tray menu and dialog; French
// chosen in the settings dialog shows at once.
#include "app/AppCore.h"
#include "app/AppException.h"
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

#include <QDir>
#include <QDirIterator>
#include <QFile>
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
  static QString menuButton(MainWindow &form, const char *entry) {
    auto *b = form.m_menuStrip->findChild<QToolButton *>(
        QStringLiteral("ToolButton_") + entry);
    return b ? b->text() : QString();
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
    form.showSettings();
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
    CommandQueue &queue = core.queue();
    MainWindow form(core, messages);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QCOMPARE(menuButton(form, "MConnection"), QString("Verbindung"));
    QCOMPARE(menuButton(form, "MHelp"), QString("Hilfe"));
    QCOMPARE(caption(form.m_internetAction),
             QString::fromUtf8("Über GPRS verbinden"));
    QCOMPARE(form.m_exitAction->text(), QString("Beenden\tAlt+F4"));
    QCOMPARE(caption(form.m_popupInternetAction),
             caption(form.m_internetAction));
    QCOMPARE(caption(form.m_restoreAction), QString("Wiederherstellen"));
    QCOMPARE(caption(form.m_minimizeAction), QString("Minimieren"));
    QCOMPARE(form.m_quickTextLabel->text(), QString("Schnelltext"));
    QCOMPARE(form.m_sendButton->text(), QString("Senden"));
    QCOMPARE(uiText("FCaptEditKey"), QString("Taste bearbeiten"));

    // The Bluetooth message speaks German, in two lines.
    static_cast<ConnectionView &>(form).showSerialOpenError(
        LinkKind::Bluetooth);
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].first, QString("Achtung"));
    QCOMPARE(boxes[0].second.count("\r\n"), 1);

    options(form, [](SettingsDialog &d) {
      QCOMPARE(d.windowTitle(), QString("Optionen"));
      QCOMPARE(d.m_saveButton->text(), QString("Speichern"));
      QCOMPARE(d.m_languageCombo->currentText(), QString("German"));
      QCOMPARE(d.m_languageCombo->itemText(0), QString("Standard"));
      d.m_languageCombo->setCurrentText("French");
      QCOMPARE(d.m_languageCombo->currentText(), QString("French"));
      d.m_saveButton->click();
    });

    // At once, without another start.
    QCOMPARE(menuButton(form, "MConnection"), QString("Connexion"));
    QCOMPARE(menuButton(form, "MTools"), QString("Outils"));
    QCOMPARE(caption(form.m_exitAction), QString("Quitter"));
    QCOMPARE(caption(form.m_popupBluetoothAction),
             QString("Se connecter par Bluetooth"));
    QCOMPARE(caption(form.m_restoreAction), QString("Restaurer"));
    QCOMPARE(form.m_zoomLabel->text(), QString("Zoom"));
    QCOMPARE(form.m_sendButton->text(), QString("Envoyer"));

    options(form, [](SettingsDialog &d) {
      QCOMPARE(d.windowTitle(), QString("Options"));
      QCOMPARE(d.m_cancelButton->text(), QString("Annuler"));
      QCOMPARE(d.pageCaption(SettingsDialog::PageKeysIndex),
               QString("Raccourcis clavier"));
      d.m_cancelButton->click();
    });
    loadSettings(paths);
    QCOMPARE(AppSettings.language, QByteArray("French"));
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
