#include "settings/TextCatalogue.h"

#include "settings/Language.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QtDebug>
#include <cstring>

TextCatalogue::TextCatalogue(QObject *parent) : QTranslator(parent) {}

TextCatalogue &TextCatalogue::of(QCoreApplication &app) {
  auto *catalogue =
      app.findChild<TextCatalogue *>(QString(), Qt::FindDirectChildrenOnly);
  if (!catalogue) {
    catalogue = new TextCatalogue(&app);
    QCoreApplication::installTranslator(catalogue);
  }
  return *catalogue;
}

void TextCatalogue::load(const QStringList &dirs, const QByteArray &language) {
  QStringList lines;
  const QString path = languageFilePath(dirs, language);
  if (path.isEmpty()) {
    qWarning().noquote() << "Language" << QString::fromLocal8Bit(language)
                         << "is not a folder name under Languages; the "
                            "built-in texts are used.";
  } else if (QFileInfo::exists(path)) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
      const QByteArray bytes = file.readAll();
      if (file.error() == QFileDevice::NoError)
        lines = splitLanguageLines(decodeLanguageText(bytes));
    }
    if (file.error() != QFileDevice::NoError)
      qWarning().noquote() << "Could not read" << path << ":"
                           << file.errorString()
                           << "- the built-in texts are used.";
  }
  const QMutexLocker lock(&m_mutex);
  m_lines = std::move(lines);
  m_language = language;
}

void TextCatalogue::change(const QStringList &dirs,
                           const QByteArray &language) {
  load(dirs, language);
  // Installing sends QEvent::LanguageChange to the application object,
  // which posts one to every window; removing first keeps the catalogue
  // listed once.
  QCoreApplication::removeTranslator(this);
  QCoreApplication::installTranslator(this);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
}

QByteArray TextCatalogue::language() const {
  const QMutexLocker lock(&m_mutex);
  return m_language;
}

QStringList TextCatalogue::lines() const {
  const QMutexLocker lock(&m_mutex);
  return m_lines;
}

QString TextCatalogue::text(const char *key) const {
  const LangKey *k = findLangKey(key);
  if (!k)
    return QString();
  QString text = langText(lines(), QString::fromLatin1(k->key),
                          QString::fromUtf8(k->builtIn));
  // An empty text stays empty: a null one would let Qt fall back to the
  // English source.
  if (text.isNull())
    text = QString(0, QChar());
  return text;
}

QString TextCatalogue::translate(const char *context, const char *,
                                 const char *disambiguation, int) const {
  if (!context || !disambiguation || std::strcmp(context, kContext) != 0)
    return QString();
  return text(disambiguation);
}
