#pragma once
// Interface languages: one folder per language under "Languages" in the
// program directory, each holding a "lang.ini" of key=text lines. A key the
// file does not define, or a missing file, gives the built-in English text,
// so the program is complete without any language file.
//
// File rules: a line defines the key before its first "=" and the text
// after it, blanks included; lines without "=" define nothing; keys are
// matched without case and the first definition wins; "#13" and then "#10"
// in a text become line breaks; an empty text stays empty. A file that is
// valid UTF-8 is read as UTF-8, any other as Windows-1252.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class Paths;

// One text of the program: its key in lang.ini and its built-in text.
struct LangKey {
  const char *key;
  const char *builtIn;
};

// The main window's keys and the shared texts (Bluetooth port message,
// the language list's entry for no language, the settings dialog's caption,
// the hot-key editor's caption).
const QList<LangKey> &mainLanguageKeys();
// The settings dialog's keys.
const QList<LangKey> &dialogLanguageKeys();

// Messages, tooltips and status texts (MessageTexts.def), in table order.
const QList<LangKey> &messageLanguageKeys();
// The key of any of the three tables, or nullptr.
const LangKey *findLangKey(const char *key);

// The text of a key in the language in use, or its English text: the one
// way every window reads its texts. It asks QCoreApplication::translate in
// the context TextCatalogue::kContext, with the English text as the source
// and the key as the disambiguation, so it gives the English text too where
// no catalogue is installed. key must be one of messageLanguageKeys(),
// mainLanguageKeys() or dialogLanguageKeys().
QString uiText(const char *key);

// The key's text in the lines, or builtIn when no line defines it; line
// breaks written as "#13" and "#10" are made real in either case.
QString langText(const QStringList &lines, const QString &key,
                 const QString &builtIn);

class Settings;

// Loads the language that settings.language() names, from the language
// folders of paths, into the application's text catalogue (made and
// installed on first use) and has Qt send QEvent::LanguageChange to every
// window, delivered before it returns.
void loadLanguage(const Paths &paths, const Settings &settings);
// The language the application's catalogue holds; empty before loadLanguage.
QByteArray loadedLanguage();

// The file of a language among the language folders dirs (Paths::
// languageDirs): "<dir><name>/lang.ini" in the last folder that has it, else
// in the first, and "<first dir>lang.ini" for the empty name. Empty when the
// name is not a plain folder name.
QString languageFilePath(const QStringList &dirs, const QByteArray &language);

// Text of a language file: UTF-8 when valid, else Windows-1252.
QString decodeLanguageText(const QByteArray &bytes);
// Lines of a language file; a CR, an LF or CR LF each end a line.
QStringList splitLanguageLines(const QString &text);

// firstEntry, then CR LF and the name of each sub-folder of folder, sorted
// without regard to case.
QString listLanguageFolders(const QString &folder, const QString &firstEntry);
// The same over several folders; a name found twice is listed once.
QString listLanguageFolders(const QStringList &folders,
                            const QString &firstEntry);
