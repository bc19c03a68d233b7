#include "common/Paths.h"
#include "settings/Language.h"
#include "settings/Settings.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

QString BuiltIn(const char *key) {
  for (const QList<TLangKey> *table :
       {&MainLanguageKeys(), &DialogLanguageKeys()})
    for (const TLangKey &k : *table)
      if (QByteArray(k.Key) == key)
        return QString::fromLatin1(k.BuiltIn);
  return QString();
}

class LanguageTest : public ::testing::Test {
protected:
  void SetUp() override {
    SetExePath(dir.File("quorvane"));
    AppSettings = TAppSettings();
    SetLanguageWindow(
        [this](const QString &key, const QString &text) { shown[key] = text; },
        [this] { ++done; });
  }
  void TearDown() override { SetLanguageWindow({}, {}); }

  void WriteFile(const QString &relative, const QByteArray &bytes) {
    const QString path = dir.File(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  void Load(const QByteArray &language) {
    AppSettings.Language = language;
    LoadLanguage();
  }

  ScopedTempDir dir;
  QHash<QString, QString> shown;
  int done = 0;
};

} // namespace

TEST(LangText, KeysMatchWithoutCaseAndBlanksBelongToWhatTheyTouch) {
  const QString exit = QStringLiteral("Exit");
  EXPECT_EQ(LangText({"mmexit=Quit"}, "MMExit", exit), "Quit");
  // The first definition wins.
  EXPECT_EQ(LangText({"MMExit=Quit", "MMEXIT=Leave"}, "MMExit", exit), "Quit");
  // A blank before "=" is part of the key, one after it part of the text.
  EXPECT_EQ(LangText({"MMExit = Quit"}, "MMExit", exit), exit);
  EXPECT_EQ(LangText({"MMExit = Quit"}, "MMExit ", exit), " Quit");
  EXPECT_EQ(LangText({"MMExit= Quit"}, "MMExit", exit), " Quit");
  // The first "=" splits; an empty text stays empty.
  EXPECT_EQ(LangText({"MMExit=a=b"}, "MMExit", exit), "a=b");
  EXPECT_EQ(LangText({"MMExit="}, "MMExit", exit), "");
  // Lines without "=" define nothing, whatever they hold.
  EXPECT_EQ(LangText({"[MMExit]", "MMExit", ""}, "MMExit", exit), exit);
}

TEST(LangText, LineBreaksAreMadeRealInFileAndBuiltInTexts) {
  EXPECT_EQ(LangText({"MesAtenMessage=One.#13#10Two."}, "MesAtenMessage", ""),
            "One.\r\nTwo.");
  EXPECT_EQ(LangText({}, "X", "a#10b#13"), "a\nb\r");
  // "#13" goes first: "#1" followed by "#10" is not read as "#13".
  EXPECT_EQ(LangText({"X=#1#10"}, "X", ""), "#1\n");
}

TEST(LanguageFile, LinesEndAtCrLfOrCrLf) {
  EXPECT_EQ(SplitLanguageLines("a=1\rb=2\nc=3\r\nd=4"),
            QStringList({"a=1", "b=2", "c=3", "d=4"}));
  EXPECT_EQ(SplitLanguageLines("\r\n\n\rx"), QStringList({"", "", "", "x"}));
  EXPECT_EQ(SplitLanguageLines("a\r\n"), QStringList({"a"}));
}

TEST(LanguageFile, Utf8AndWindows1252AreBothReadRight) {
  const QString zoom = QString::fromUtf8("Vergr\xc3\xb6\xc3\x9f"
                                         "ert \xe2\x82\xac");
  EXPECT_EQ(DecodeLanguageText("Vergr\xc3\xb6\xc3\x9f"
                               "ert \xe2\x82\xac"),
            zoom);
  EXPECT_EQ(DecodeLanguageText("Vergr\xf6\xdf"
                               "ert \x80"),
            zoom);
  // A byte order mark is not part of the first key.
  EXPECT_EQ(DecodeLanguageText("\xef\xbb\xbfMMExit=x"), "MMExit=x");
  // Windows-1252 quotes and dashes, which Latin-1 lacks.
  EXPECT_EQ(DecodeLanguageText("\x93x\x94 \x96"),
            QString::fromUtf8("\xe2\x80\x9cx\xe2\x80\x9d \xe2\x80\x93"));
}

TEST_F(LanguageTest, SharedTextsFirstThenTheWindowInTableOrder) {
  WriteFile("Languages/German/lang.ini",
            "MesAtention=Achtung\r\nmmexit=Beenden\r\nSCaption=Optionen\r\n");
  Load("German");
  EXPECT_EQ(LangList.size(), 3);
  EXPECT_EQ(LoadedLanguage, "German");
  EXPECT_EQ(MesAtention, "Achtung");
  EXPECT_EQ(SCaption, "Optionen");
  EXPECT_EQ(SLDefault, "default");
  EXPECT_EQ(shown["MMExit"], "Beenden");
  EXPECT_EQ(shown["PMMinimize"], BuiltIn("PMMinimize"));
  EXPECT_EQ(shown.size(), MainLanguageKeys().size());
  EXPECT_EQ(done, 1);

  QStringList order;
  ApplyTexts({}, MainLanguageKeys(),
             [&order](const QString &key, const QString &) { order << key; });
  EXPECT_EQ(order.first(), "MesAtention");
  EXPECT_EQ(order.indexOf("FCaptEditKey"), 4);
  EXPECT_EQ(order.last(), "PMExit");
}

TEST_F(LanguageTest, EmptyLanguageReadsTheFileDirectlyInLanguages) {
  WriteFile("Languages/lang.ini", "MMExit=Top\r\n");
  Load("");
  EXPECT_EQ(shown["MMExit"], "Top");
  EXPECT_EQ(LoadedLanguage, "");
  QFile::remove(dir.File("Languages/lang.ini"));
  Load("");
  EXPECT_EQ(shown["MMExit"], "Exit");
}

TEST_F(LanguageTest, MissingOrUnreadableFilesGiveTheBuiltInTexts) {
  WriteFile("Languages/German/lang.ini", "MMExit=Beenden\r\n");
  Load("German");
  ASSERT_EQ(shown["MMExit"], "Beenden");

  // A folder without lang.ini turns every text back to English.
  QDir().mkpath(dir.File("Languages/Empty"));
  Load("Empty");
  EXPECT_TRUE(LangList.isEmpty());
  EXPECT_EQ(shown["MMExit"], "Exit");
  EXPECT_EQ(LoadedLanguage, "Empty");

  // A lang.ini that exists but cannot be read counts as missing.
  Load("German");
  QDir().mkpath(dir.File("Languages/Broken/lang.ini"));
  Load("Broken");
  EXPECT_TRUE(LangList.isEmpty());
  EXPECT_EQ(shown["MMExit"], "Exit");
  EXPECT_EQ(LoadedLanguage, "Broken");
}

TEST_F(LanguageTest, ALanguageThatIsNotAFolderNameReadsNothing) {
  // Files that such names would reach outside "Languages".
  WriteFile("x/lang.ini", "MMExit=Outside\r\n");
  WriteFile("Languages/a/lang.ini", "MMExit=Nested\r\n");
  for (const QByteArray &name :
       {QByteArray("../x"), QByteArray("..\\x"), QByteArray(".."),
        QByteArray("a/"), dir.File("x").toLocal8Bit()}) {
    Load(name);
    EXPECT_TRUE(LangList.isEmpty()) << name.constData();
    EXPECT_EQ(shown["MMExit"], "Exit") << name.constData();
    EXPECT_TRUE(LanguageFilePath(name).isEmpty()) << name.constData();
  }
}

TEST_F(LanguageTest, FoldersAreListedAfterTheFirstEntrySortedWithoutCase) {
  for (const char *name : {"polish", "German", "english", "Zulu"})
    QDir().mkpath(dir.File(QStringLiteral("Languages/") + name));
  WriteFile("Languages/readme.txt", "not a language");
  EXPECT_EQ(ListLanguageFolders(dir.File("Languages"), "default"),
            "default\r\nenglish\r\nGerman\r\npolish\r\nZulu");
  EXPECT_EQ(ListLanguageFolders(dir.File("missing"), "default"), "default");
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

  QList<TLangKey> keys = MainLanguageKeys();
  keys += DialogLanguageKeys();
  keys += MessageLanguageKeys();
  const QRegularExpression placeholder(QStringLiteral("%s|%[1-9]"));
  for (const QString &folder : folders) {
    QFile f(languages.filePath(folder + "/lang.ini"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(folder);
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(DecodeLanguageText(bytes), QString::fromUtf8(bytes))
        << qPrintable(folder) << " is not valid UTF-8";
    const QStringList lines = SplitLanguageLines(DecodeLanguageText(bytes));

    QStringList defined;
    for (const QString &line : lines)
      if (line.contains('='))
        defined << line.section('=', 0, 0).toLower();
    for (const TLangKey &k : keys) {
      const QString key = QString::fromLatin1(k.Key);
      const QString english = LangText({}, key, QString::fromUtf8(k.BuiltIn));
      EXPECT_EQ(defined.count(key.toLower()), 1)
          << qPrintable(folder) << ": " << k.Key;
      const QString text = LangText(lines, key, QString());
      EXPECT_FALSE(text.trimmed().isEmpty())
          << qPrintable(folder) << ": " << k.Key;
      EXPECT_EQ(text.count(placeholder), english.count(placeholder))
          << qPrintable(folder) << ": " << k.Key;
      if (english.contains('\n')) {
        EXPECT_TRUE(text.contains('\n')) << qPrintable(folder) << ": " << k.Key;
      }
      if (folder == "English") {
        EXPECT_EQ(text, english) << k.Key;
      }
    }
    // A misspelt key would silently leave its English text in place.
    EXPECT_EQ(defined.size(), keys.size()) << qPrintable(folder);
  }
}
