
#include "common/Paths.h"
#include "settings/Language.h"
#include "settings/Settings.h"
#include "settings/TextCatalogue.h"
#include "support/TempDir.h"
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

QString builtIn(const char *key) {
  for (const QList<LangKey> *table :
       {&mainLanguageKeys(), &dialogLanguageKeys()})
    for (const LangKey &k : *table)
      if (QByteArray(k.key) == key)
        return QString::fromLatin1(k.builtIn);
  return QString();
}

class LanguageTest : public ::testing::Test {
protected:
  void writeFile(const QString &relative, const QByteArray &bytes) {
    const QString path = dir.file(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  void load(const QByteArray &language) {
    texts.load(paths.languageDirs(), language);
  }
  QString shown(const char *key) const { return texts.text(key); }

  ScopedTempDir dir;
  const Paths paths = Paths::forExecutable(dir.file("quorvane"));
  TextCatalogue texts;
};

} // namespace

TEST(langText, KeysMatchWithoutCaseAndBlanksBelongToWhatTheyTouch) {
  const QString exit = QStringLiteral("Exit");
  EXPECT_EQ(langText({"mmexit=Quit"}, "MMExit", exit), "Quit");
  // The first definition wins.
  EXPECT_EQ(langText({"MMExit=Quit", "MMEXIT=Leave"}, "MMExit", exit), "Quit");
  // A blank before "=" is part of the key, one after it part of the text.
  EXPECT_EQ(langText({"MMExit = Quit"}, "MMExit", exit), exit);
  EXPECT_EQ(langText({"MMExit = Quit"}, "MMExit ", exit), " Quit");
  EXPECT_EQ(langText({"MMExit= Quit"}, "MMExit", exit), " Quit");
  // The first "=" splits; an empty text stays empty.
  EXPECT_EQ(langText({"MMExit=a=b"}, "MMExit", exit), "a=b");
  EXPECT_EQ(langText({"MMExit="}, "MMExit", exit), "");
  // Lines without "=" define nothing, whatever they hold.
  EXPECT_EQ(langText({"[MMExit]", "MMExit", ""}, "MMExit", exit), exit);
}

TEST(langText, LineBreaksAreMadeRealInFileAndBuiltInTexts) {
  EXPECT_EQ(langText({"MesAtenMessage=One.#13#10Two."}, "MesAtenMessage", ""),
            "One.\r\nTwo.");
  EXPECT_EQ(langText({}, "X", "a#10b#13"), "a\nb\r");
  // "#13" goes first: "#1" followed by "#10" is not read as "#13".
  EXPECT_EQ(langText({"X=#1#10"}, "X", ""), "#1\n");
}

TEST(LanguageFile, LinesEndAtCrLfOrCrLf) {
  EXPECT_EQ(splitLanguageLines("a=1\rb=2\nc=3\r\nd=4"),
            QStringList({"a=1", "b=2", "c=3", "d=4"}));
  EXPECT_EQ(splitLanguageLines("\r\n\n\rx"), QStringList({"", "", "", "x"}));
  EXPECT_EQ(splitLanguageLines("a\r\n"), QStringList({"a"}));
}

TEST(LanguageFile, Utf8AndWindows1252AreBothReadRight) {
  const QString zoom = QString::fromUtf8("Vergr\xc3\xb6\xc3\x9f"
                                         "ert \xe2\x82\xac");
  EXPECT_EQ(decodeLanguageText("Vergr\xc3\xb6\xc3\x9f"
                               "ert \xe2\x82\xac"),
            zoom);
  EXPECT_EQ(decodeLanguageText("Vergr\xf6\xdf"
                               "ert \x80"),
            zoom);
  // A byte order mark is not part of the first key.
  EXPECT_EQ(decodeLanguageText("\xef\xbb\xbfMMExit=x"), "MMExit=x");
  // Windows-1252 quotes and dashes, which Latin-1 lacks.
  EXPECT_EQ(decodeLanguageText("\x93x\x94 \x96"),
            QString::fromUtf8("\xe2\x80\x9cx\xe2\x80\x9d \xe2\x80\x93"));
}

TEST_F(LanguageTest, TheFileOverTheBuiltInTextsOfEveryTable) {
  writeFile("Languages/German/lang.ini",
            "MesAtention=Achtung\r\nmmexit=Beenden\r\nSCaption=Optionen\r\n"
            "SBtnSave=\r\nUiTipStop=Halt#13#10jetzt\r\n");
  load("German");
  EXPECT_EQ(texts.lines().size(), 5);
  EXPECT_EQ(texts.language(), "German");
  EXPECT_EQ(shown("MesAtention"), "Achtung");
  EXPECT_EQ(shown("SCaption"), "Optionen");
  EXPECT_EQ(shown("SLDefault"), "default");
  EXPECT_EQ(shown("MMExit"), "Beenden");
  EXPECT_EQ(shown("PMMinimize"), builtIn("PMMinimize"));
  EXPECT_EQ(shown("UiTipStop"), "Halt\r\njetzt");
  // An empty text stays empty, not null: Qt would show the English source
  // for a null one.
  EXPECT_TRUE(shown("SBtnSave").isEmpty());
  EXPECT_FALSE(shown("SBtnSave").isNull());
  // Only keys of the tables, and only in the program's own context.
  EXPECT_TRUE(texts.text("NoSuchKey").isNull());
  EXPECT_TRUE(texts.translate("QGuiApplication", "x", "MMExit").isNull());
  EXPECT_EQ(texts.translate(TextCatalogue::kContext, "x", "MMExit"), "Beenden");
}

TEST_F(LanguageTest, EmptyLanguageReadsTheFileDirectlyInLanguages) {
  writeFile("Languages/lang.ini", "MMExit=Top\r\n");
  load("");
  EXPECT_EQ(shown("MMExit"), "Top");
  EXPECT_EQ(texts.language(), "");
  QFile::remove(dir.file("Languages/lang.ini"));
  load("");
  EXPECT_EQ(shown("MMExit"), "Exit");
}

TEST_F(LanguageTest, MissingOrUnreadableFilesGiveTheBuiltInTexts) {
  writeFile("Languages/German/lang.ini", "MMExit=Beenden\r\n");
  load("German");
  ASSERT_EQ(shown("MMExit"), "Beenden");

  // A folder without lang.ini turns every text back to English.
  QDir().mkpath(dir.file("Languages/Empty"));
  load("Empty");
  EXPECT_TRUE(texts.lines().isEmpty());
  EXPECT_EQ(shown("MMExit"), "Exit");
  EXPECT_EQ(texts.language(), "Empty");

  // A lang.ini that exists but cannot be read counts as missing.
  load("German");
  QDir().mkpath(dir.file("Languages/Broken/lang.ini"));
  load("Broken");
  EXPECT_TRUE(texts.lines().isEmpty());
  EXPECT_EQ(shown("MMExit"), "Exit");
  EXPECT_EQ(texts.language(), "Broken");
}

TEST_F(LanguageTest, ALanguageThatIsNotAFolderNameReadsNothing) {
  // Files that such names would reach outside "Languages".
  writeFile("x/lang.ini", "MMExit=Outside\r\n");
  writeFile("Languages/a/lang.ini", "MMExit=Nested\r\n");
  for (const QByteArray &name :
       {QByteArray("../x"), QByteArray("..\\x"), QByteArray(".."),
        QByteArray("a/"), dir.file("x").toLocal8Bit()}) {
    load(name);
    EXPECT_TRUE(texts.lines().isEmpty()) << name.constData();
    EXPECT_EQ(shown("MMExit"), "Exit") << name.constData();
    EXPECT_TRUE(languageFilePath(paths.languageDirs(), name).isEmpty())
        << name.constData();
  }
}

TEST_F(LanguageTest, FoldersAreListedAfterTheFirstEntrySortedWithoutCase) {
  for (const char *name : {"polish", "German", "english", "Zulu"})
    QDir().mkpath(dir.file(QStringLiteral("Languages/") + name));
  writeFile("Languages/readme.txt", "not a language");
  EXPECT_EQ(listLanguageFolders(dir.file("Languages"), "default"),
            "default\r\nenglish\r\nGerman\r\npolish\r\nZulu");
  EXPECT_EQ(listLanguageFolders(dir.file("missing"), "default"), "default");
}

// Every language shipped with the program defines every text, as valid
// UTF-8, and keeps the line breaks and "%s" that the English text carries.
TEST(ShippedLanguages, EveryFileDefinesEveryKeyAndKeepsBreaksAndPlaceholders) {
  const QDir languages(QStringLiteral(QV_SOURCE_DIR "/data/Languages"));
  const QStringList folders =
      languages.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  for (const char *expected :
       {"English", "German", "French", "Spanish", "Russian", "Polish"})
    EXPECT_TRUE(folders.contains(expected)) << expected;

  QList<LangKey> keys = mainLanguageKeys();
  keys += dialogLanguageKeys();
  keys += messageLanguageKeys();
  const QRegularExpression placeholder(QStringLiteral("%s|%[1-9]"));
  for (const QString &folder : folders) {
    QFile f(languages.filePath(folder + "/lang.ini"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(folder);
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(decodeLanguageText(bytes), QString::fromUtf8(bytes))
        << qPrintable(folder) << " is not valid UTF-8";
    const QStringList lines = splitLanguageLines(decodeLanguageText(bytes));

    QStringList defined;
    for (const QString &line : lines)
      if (line.contains('='))
        defined << line.section('=', 0, 0).toLower();
    for (const LangKey &k : keys) {
      const QString key = QString::fromLatin1(k.key);
      const QString english = langText({}, key, QString::fromUtf8(k.builtIn));
      EXPECT_EQ(defined.count(key.toLower()), 1)
          << qPrintable(folder) << ": " << k.key;
      const QString text = langText(lines, key, QString());
      EXPECT_FALSE(text.trimmed().isEmpty())
          << qPrintable(folder) << ": " << k.key;
      EXPECT_EQ(text.count(placeholder), english.count(placeholder))
          << qPrintable(folder) << ": " << k.key;
      if (english.contains('\n')) {
        EXPECT_TRUE(text.contains('\n')) << qPrintable(folder) << ": " << k.key;
      }
      if (folder == "English") {
        EXPECT_EQ(text, english) << k.key;
      }
    }
    // A misspelt key would silently leave its English text in place.
    EXPECT_EQ(defined.size(), keys.size()) << qPrintable(folder);
  }
}
