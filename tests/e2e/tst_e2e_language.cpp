// The main window with the languages shipped beside the program: started
// with Language=German it shows German menus, tray menu and dialog; French
// chosen in the settings dialog shows at once.
#include "app/AppException.h"
#include "app/MessageBoxes.h"
#include "app/USetting.h"
#include "app/UnitMain.h"
#include "common/Paths.h"
#include "keys/UnitHotKey.h"
#include "link/CommandQueue.h"
#include "link/LinkView.h"
#include "settings/Settings.h"
#include "support/TempDir.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QToolButton>

class TestEndToEndLanguage : public QObject {
  Q_OBJECT

  static bool CopyTree(const QString &from, const QString &to) {
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
  static QString Caption(const QAction *entry) {
    return entry->text().section('\t', 0, 0);
  }
  static QString MenuButton(TFormMain &form, const char *entry) {
    auto *b = form.ToolBar1->findChild<QToolButton *>(
        QStringLiteral("ToolButton_") + entry);
    return b ? b->text() : QString();
  }

  // Opens Options, runs `inside` with the dialog up, and waits for it to
  // close.
  static void Options(TFormMain &form,
                      std::function<void(TFrmSetting &)> inside) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      auto *dialog =
          qobject_cast<TFrmSetting *>(QApplication::activeModalWidget());
      if (!dialog)
        return;
      ran = true;
      inside(*dialog);
    });
    form.MOptionsClick();
    QVERIFY(ran);
  }

private slots:
  void germanAtStartThenFrenchFromTheDialog() {
    ScopedTempDir dir;
    SetExePath(dir.File("quorvane"));
    QVERIFY(CopyTree(QV_PROGRAM_DIR "/Languages", dir.File("Languages/")));
    {
      QFile ini(dir.File("Quorvane.ini"));
      QVERIFY(ini.open(QIODevice::WriteOnly));
      ini.write("[Language]\r\nLanguage=German\r\n");
    }
    QList<QPair<QString, QString>> boxes;
    SetMessageBoxHook(
        [&boxes](TMessageKind, const QString &caption, const QString &text) {
          boxes.append({caption, text});
        });

    TCommandQueue queue;
    TFormMain form(queue);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QCOMPARE(MenuButton(form, "MConnection"), QString("Verbindung"));
    QCOMPARE(MenuButton(form, "MHelp"), QString("Hilfe"));
    QCOMPARE(Caption(form.MInternetConn),
             QString::fromUtf8("Über GPRS verbinden"));
    QCOMPARE(form.MExit->text(), QString("Beenden\tAlt+F4"));
    QCOMPARE(Caption(form.PMInternetConn), Caption(form.MInternetConn));
    QCOMPARE(Caption(form.PMRestore), QString("Wiederherstellen"));
    QCOMPARE(Caption(form.PMMinimize), QString("Minimieren"));
    QCOMPARE(form.LabQuickText->text(), QString("Schnelltext"));
    QCOMPARE(form.BtnSend->text(), QString("Senden"));
    QCOMPARE(FCaptEditKey, QString("Taste bearbeiten"));

    // The Bluetooth message speaks German, in two lines.
    static_cast<IConnectionWindow &>(form).ShowSerialOpenError(
        TLinkKind::Bluetooth);
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].first, QString("Achtung"));
    QCOMPARE(boxes[0].second.count("\r\n"), 1);

    Options(form, [](TFrmSetting &d) {
      QCOMPARE(d.windowTitle(), QString("Optionen"));
      QCOMPARE(d.BtnSave->text(), QString("Speichern"));
      QCOMPARE(d.ComboLanguage->currentText(), QString("German"));
      QCOMPARE(d.ComboLanguage->itemText(0), QString("Standard"));
      d.ComboLanguage->setCurrentText("French");
      QCOMPARE(d.ComboLanguage->currentText(), QString("French"));
      d.BtnSave->click();
    });

    // At once, without another start.
    QCOMPARE(MenuButton(form, "MConnection"), QString("Connexion"));
    QCOMPARE(MenuButton(form, "MTools"), QString("Outils"));
    QCOMPARE(Caption(form.MExit), QString("Quitter"));
    QCOMPARE(Caption(form.PMBlueToothConnect),
             QString("Se connecter par Bluetooth"));
    QCOMPARE(Caption(form.PMRestore), QString("Restaurer"));
    QCOMPARE(form.LabZoom->text(), QString("Zoom"));
    QCOMPARE(form.BtnSend->text(), QString("Envoyer"));

    Options(form, [](TFrmSetting &d) {
      QCOMPARE(d.windowTitle(), QString("Options"));
      QCOMPARE(d.BtnCancel->text(), QString("Annuler"));
      QCOMPARE(d.PageCaption(TFrmSetting::PageKeysIndex),
               QString("Raccourcis clavier"));
      d.BtnCancel->click();
    });
    LoadSettings();
    QCOMPARE(AppSettings.Language, QByteArray("French"));
    QCOMPARE(boxes.size(), 1);
  }
};

int main(int argc, char **argv) {
  TApplication app(argc, argv);
  TApplication::SetShowErrorBox(false);
  TestEndToEndLanguage test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_language.moc"
