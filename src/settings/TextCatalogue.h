#pragma once
// The program's texts in the language in use: the lines of one lang.ini
// over the built-in English of every key (settings/Language.h). One
// catalogue, owned by the application object and installed as its
// translator, serves every uiText call through QCoreApplication::translate;
// loading another language re-installs it, and Qt then sends
// QEvent::LanguageChange to every window, which sets its texts again in
// changeEvent.

#include <QByteArray>
#include <QMutex>
#include <QStringList>
#include <QTranslator>

class QCoreApplication;

class TextCatalogue : public QTranslator {
  Q_OBJECT
public:
  // The one context uiText asks for; other contexts are left to Qt.
  static constexpr char kContext[] = "Quorvane";

  explicit TextCatalogue(QObject *parent = nullptr);

  // The application's catalogue, made as a child of app and installed the
  // first time.
  static TextCatalogue &of(QCoreApplication &app);

  // Reads the file of the language from the language folders dirs; a
  // missing or unreadable file, or a name that is not a plain folder name,
  // leaves the built-in texts (and says so on the debug output). Sends no
  // event.
  void load(const QStringList &dirs, const QByteArray &language);
  // load, then installs the catalogue again so that Qt sends
  // QEvent::LanguageChange, delivered to every window before it returns.
  void change(const QStringList &dirs, const QByteArray &language);

  QByteArray language() const;
  // The lines of the file in use; empty: built-in texts.
  QStringList lines() const;
  // The text of the key, the file's or the built-in one; null for a key
  // that is in none of the tables.
  QString text(const char *key) const;

  // The text of the key given as disambiguation, in kContext only.
  QString translate(const char *context, const char *sourceText,
                    const char *disambiguation = nullptr,
                    int n = -1) const override;
  bool isEmpty() const override { return false; }

private:
  // uiText may be called off the GUI thread while a language loads.
  mutable QMutex m_mutex;
  QByteArray m_language;
  QStringList m_lines;
};
