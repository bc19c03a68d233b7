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
#include <functional>

// One text of the program: its key in lang.ini and its built-in text.
struct LangKey {
  const char *key;
  const char *builtIn;
};

// The main window's keys and the five shared texts, in the order they are
// applied.
const QList<LangKey> &mainLanguageKeys();
// The settings dialog's keys, in the order they are applied.
const QList<LangKey> &dialogLanguageKeys();

// Messages, tooltips and status texts (MessageTexts.def), in table order.
const QList<LangKey> &messageLanguageKeys();
// The text of a key in the language in use, or its English text: the one
// way every window reads its texts. key must be one of messageLanguageKeys(),
// mainLanguageKeys() or dialogLanguageKeys().
QString uiText(const char *key);

// The lines of the language file in use (empty: built-in texts).
extern QStringList LangList;
// The language whose file LangList holds, or would hold if it existed.
extern QByteArray LoadedLanguage;

// Shared texts, set by applyLanguage; empty before the first one.
extern QString MesAtention;    // caption of the Bluetooth port message
extern QString MesAtenMessage; // its text
extern QString SLDefault;      // the language list's entry for no language
extern QString SCaption;       // the settings dialog's caption

// The key's text in the lines, or builtIn when no line defines it; line
// breaks written as "#13" and "#10" are made real in either case.
QString langText(const QStringList &lines, const QString &key,
                 const QString &builtIn);

// Calls set(key, text) for every key of the table, in table order.
void applyTexts(
    const QStringList &lines, const QList<LangKey> &keys,
    const std::function<void(const QString &key, const QString &text)> &set);

// The window that shows the main texts: texts(key, text) is called for each
// key of mainLanguageKeys after the shared texts are set, then done() once.
// An empty texts function removes it.
void setLanguageWindow(
    std::function<void(const QString &key, const QString &text)> texts,
    std::function<void()> done);

// Sets the shared texts and the window's texts from the lines.
void applyLanguage(const QStringList &lines);

// Empties LangList, fills it from the file of AppSettings.Language when there
// is one, applies it and sets LoadedLanguage. A file that cannot be read
// counts as missing and is reported on the debug output. A language name
// holding a path separator or ".." counts as missing too.
void loadLanguage();

// The file of a language: "<exeDir>Languages/<name>/lang.ini", and
// "<exeDir>Languages/lang.ini" for the empty name. Empty when the name is
// not a plain folder name.
QString languageFilePath(const QByteArray &language);

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
