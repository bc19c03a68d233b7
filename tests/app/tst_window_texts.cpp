// With German chosen, no window shows a text in its built-in English where
// German has its own: each window is walked for what a user reads.
#include "app/AllowPhoneDialog.h"
#include "app/AppCore.h"
#include "app/MainWindow.h"
#include "app/SettingsDialog.h"
#include "aviconvert/ConvertWindow.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "keys/HotKeyEditor.h"
#include "keys/KeyTable.h"
#include "link/CommandQueue.h"
#include "settings/Language.h"
#include "settings/Settings.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"

#include "support/WindowDriver.h"
#include <QAbstractButton>
#include <QGroupBox>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <QTreeWidget>

class TestWindowTexts : public QObject {
  Q_OBJECT

  ScopedTempDir m_dir;
  ScriptedMessageBoxes m_messageBoxes;
  const Paths m_paths = Paths::forExecutable(m_dir.file("quorvane"));
  std::unique_ptr<Settings> m_settings;
  KeyTable m_keys;
  QList<QRegularExpression> m_english;

  // Where a catalogue text is whole in a window, or with its placeholders
  // filled in.
  void collectEnglish() {
    QList<LangKey> keys = mainLanguageKeys();
    keys += dialogLanguageKeys();
    keys += messageLanguageKeys();
    for (const LangKey &k : keys) {
      const QString key = QString::fromLatin1(k.key);
      const QString english = langText({}, key, QString::fromUtf8(k.builtIn));
      if (uiText(k.key) == english)
        continue;
      QString pattern = QRegularExpression::escape(english);
      pattern.replace(QRegularExpression(QStringLiteral("%[1-9]")),
                      QStringLiteral(".*"));
      m_english << QRegularExpression(
          QRegularExpression::anchoredPattern(pattern));
    }
  }

  // The texts of the window that are still English, one a line.
  QStringList englishLines(QWidget *window) const {
    QStringList seen{window->windowTitle()};
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    widgets << window;
    for (QWidget *w : widgets) {
      seen << w->toolTip();
      if (auto *l = qobject_cast<QLabel *>(w))
        seen << l->text();
      if (auto *b = qobject_cast<QAbstractButton *>(w))
        seen << b->text();
      if (auto *g = qobject_cast<QGroupBox *>(w))
        seen << g->title();
      if (auto *e = qobject_cast<QLineEdit *>(w))
        seen << e->placeholderText() << e->text();
      if (auto *t = qobject_cast<QTreeWidget *>(w)) {
        for (int c = 0; c < t->columnCount(); ++c)
          seen << t->headerItem()->text(c);
        for (int i = 0; i < t->topLevelItemCount(); ++i)
          seen << t->topLevelItem(i)->text(0);
      } else if (auto *v = qobject_cast<QTreeView *>(w); v && v->model()) {
        // The key list's names are the key table's own ("Menu", "Left").
        for (int c = 0; c < v->model()->columnCount(); ++c)
          seen << v->model()->headerData(c, Qt::Horizontal).toString();
      }
    }
    for (QAction *a : window->findChildren<QAction *>())
      seen << a->text().section('\t', 0, 0) << a->toolTip();
    QStringList english;
    for (const QString &text : seen)
      for (const QString &line : text.split('\n'))
        for (const QRegularExpression &e : m_english)
          if (!line.isEmpty() && e.match(line).hasMatch())
            english << line;
    english.removeDuplicates();
    return english;
  }
  void verifyTranslated(QWidget *window) const {
    const QStringList english = englishLines(window);
    QVERIFY2(english.isEmpty(), qPrintable(english.join(" | ")));
  }

private slots:
  void initTestCase() {
    EventLog::instance().setFilePath(m_paths.logFile());
    QVERIFY(QDir().mkpath(m_dir.file("Languages/German")));
    QVERIFY(QFile::copy(QV_SOURCE_DIR "/data/Languages/German/lang.ini",
                        m_dir.file("Languages/German/lang.ini")));
    QFile ini(settingsFilePath(m_paths));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Language]\r\nLanguage=German\r\n");
    ini.close();
    m_settings = std::make_unique<Settings>(m_paths);
    m_settings->load();
    loadLanguage(m_paths, *m_settings);
    m_keys.load(m_paths);
    collectEnglish();
    QVERIFY(m_english.size() > 100);
  }

  void mainWindow() {
    AppCore core(m_paths);
    MainWindow form(core, m_messageBoxes);
    verifyTranslated(&form);
  }

  void settingsDialog() {
    SettingsDialog dialog(*m_settings, m_keys, true, m_paths, m_messageBoxes);
    verifyTranslated(&dialog);
  }

  void allowPhonePrompt() {
    AllowPhoneDialog prompt(1, QString(), "0042", QString(),
                            "0123456789ABCDEF");
    prompt.setAttribute(Qt::WA_DeleteOnClose, false);
    verifyTranslated(&prompt);
  }

  void hotKeyEditor() {
    HotKeyEditor editor(m_keys);
    editor.captureKey(13); // Enter, shown by its name
    verifyTranslated(&editor);
  }

  // Windows open during a change of language take the new texts through
  // QEvent::LanguageChange, and go back with the language.
  void openWindowsFollowAChangeOfLanguage() {
    AllowPhoneDialog prompt(1, QString(), "0042", QString(),
                            "0123456789ABCDEF");
    prompt.setAttribute(Qt::WA_DeleteOnClose, false);
    HotKeyEditor editor(m_keys);
    const QString german =
        driver::find<QPushButton>(prompt, "refuseButton")->text();
    // German again for the tests that follow, whatever fails here.
    const auto backToGerman = qScopeGuard([this] {
      m_settings->setLanguage("German");
      loadLanguage(m_paths, *m_settings);
    });

    m_settings->setLanguage("English"); // no file here: the built-in texts
    loadLanguage(m_paths, *m_settings);
    QCOMPARE(loadedLanguage(), QByteArray("English"));
    QVERIFY(uiText("UiRefusePhone") != german);
    QCOMPARE(driver::find<QPushButton>(prompt, "refuseButton")->text(),
             uiText("UiRefusePhone"));
    QCOMPARE(driver::find<QPushButton>(editor, "okButton")->text(),
             uiText("KeyEditOk"));

    m_settings->setLanguage("German");
    loadLanguage(m_paths, *m_settings);
    QCOMPARE(driver::find<QPushButton>(prompt, "refuseButton")->text(), german);
    verifyTranslated(&prompt);
    verifyTranslated(&editor);
  }

  void converterWindow() {
    // No frame list here: the window ends on its failure texts.
    aviconvert::ConvertWindow window(m_dir.path());
    verifyTranslated(&window);
    window.start();
    verifyTranslated(&window);
  }
};

QTEST_MAIN(TestWindowTexts)
#include "tst_window_texts.moc"
