#include "settings/Language.h"

#include "common/Paths.h"
#include "common/Windows1252.h"
#include "settings/Settings.h"
#include "settings/TextCatalogue.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringDecoder>
#include <algorithm>
#include <cstring>

namespace {

QString replaceLineBreaks(QString text) {
  text.replace(QLatin1String("#13"), QLatin1String("\r"));
  text.replace(QLatin1String("#10"), QLatin1String("\n"));
  return text;
}

bool isPlainFolderName(const QByteArray &name) {
  return !name.contains('/') && !name.contains('\\') && !name.contains("..");
}

} // namespace

const QList<LangKey> &mainLanguageKeys() {
  static const QList<LangKey> keys = {
      {"MesAtention", "Attention"},
      {"MesAtenMessage", "Try Selet Another ComPort in options"},
      {"SLDefault", "default"},
      {"SCaption", "Options"},
      {"FCaptEditKey", "Edit button"},
      {"MMConnection", "Connection"},
      {"MMAutoConnection", "Autoconnect"},
      {"MMBlueToothConnect", "Connect via Bluetooth"},
      {"MMDataCableConn", "Connect via Cable"},
      {"MMInternetConn", "Connect via GPRS"},
      {"MMDissconect", "Disconnect"},
      {"MMExit", "Exit"},
      {"MMTools", "Tools"},
      {"MMVideoCapturing", "Video Capturing"},
      {"MMRecordPause", "Record/Pause"},
      {"MMStop", "Stop"},
      {"MMSaveScreenshot", "Save Screenshot"},
      {"MMOptions", "Options"},
      {"MMHelp", "Help"},
      {"MMAbout", "About"},
      {"MMManual", "Manual"},
      {"MLabQuickTextEnable", "Enabled"},
      {"MLabZoom", "Zoom"},
      {"MLabQuickText", "QuickText"},
      {"MBtnSend", "Send"},
      {"PMRestore", "Restore"},
      {"PMMinimize", "Minimaze"},
      {"PMExit", "Exit"},
  };
  return keys;
}

const QList<LangKey> &dialogLanguageKeys() {
  static const QList<LangKey> keys = {
      {"SPageConnection", "Connection Settings"},
      {"SPageKeys", "Key Settings"},
      {"SPageCapture", "Capture Settings"},
      {"SPageLogFile", "Log File Settings"},
      {"SPageLocalization", "Languages"},
      {"SGPRSBox", "GPRS Connection"},
      {"SBlueToothBox", "Bluetooth Connection"},
      {"SDataCableBox", "Data Connection"},
      {"SLabGPRS", "Listen Port:"},
      {"SLabBlueTooth", "COM Port:"},
      {"SLabDataCable", "COM Port:"},
      {"SBtnKeyEdit", "Edit"},
      {"SBoxVideo", "Video"},
      {"SBoxImage", "Image"},
      {"SLabAVIFileName", "AVI File name:"},
      {"SLabFramePerSec", "Frames per second (1 - 20):"},
      {"SLabImageForm", "Image Format:"},
      {"SLabDefDirect", "Default Directory:"},
      {"SLabLanguage", "Select Language please:"},
      {"SBtnSave", "Save"},
      {"SBtnCancel", "Cancel"},
      {"SListName", "Name"},
      {"SListCode", "Code"},
      {"SListShortcut", "Shortcut"},
  };
  return keys;
}

QString langText(const QStringList &lines, const QString &key,
                 const QString &builtIn) {
  for (const QString &line : lines) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0 || eq != key.size())
      continue;
    if (QStringView(line).left(eq).compare(key, Qt::CaseInsensitive) == 0)
      return replaceLineBreaks(line.mid(eq + 1));
  }
  return replaceLineBreaks(builtIn);
}

const QList<LangKey> &messageLanguageKeys() {
  static const QList<LangKey> keys = {
#define QV_MESSAGE(key, english) {#key, english},
#include "settings/MessageTexts.def"
#undef QV_MESSAGE
  };
  return keys;
}

const LangKey *findLangKey(const char *key) {
  for (const QList<LangKey> *table :
       {&messageLanguageKeys(), &mainLanguageKeys(), &dialogLanguageKeys()})
    for (const LangKey &k : *table)
      if (std::strcmp(k.key, key) == 0)
        return &k;
  return nullptr;
}

QString uiText(const char *key) {
  const LangKey *k = findLangKey(key);
  Q_ASSERT_X(k, "uiText", key);
  if (!k)
    return QString::fromLatin1(key);
  // The catalogue's texts have their line breaks made real already; making
  // them real twice changes nothing, and the English source needs it where
  // no catalogue is installed.
  return replaceLineBreaks(
      QCoreApplication::translate(TextCatalogue::kContext, k->builtIn, k->key));
}

void loadLanguage(const Paths &paths, const Settings &settings) {
  QCoreApplication *app = QCoreApplication::instance();
  if (!app) {
    qWarning("loadLanguage: no application object to install the texts in");
    return;
  }
  TextCatalogue::of(*app).change(paths.languageDirs(), settings.language());
}

QByteArray loadedLanguage() {
  const QCoreApplication *app = QCoreApplication::instance();
  const auto *catalogue = app ? app->findChild<TextCatalogue *>(
                                    QString(), Qt::FindDirectChildrenOnly)
                              : nullptr;
  return catalogue ? catalogue->language() : QByteArray();
}

QString languageFilePath(const QStringList &dirs, const QByteArray &language) {
  if (!isPlainFolderName(language) || dirs.isEmpty())
    return QString();
  if (language.isEmpty())
    return dirs.first() + QStringLiteral("lang.ini");
  // A folder the user added is read before a shipped one of the same name.
  const QString file =
      QString::fromLocal8Bit(language) + QStringLiteral("/lang.ini");
  for (auto dir = dirs.crbegin(); dir != dirs.crend(); ++dir)
    if (QFileInfo::exists(*dir + file))
      return *dir + file;
  return dirs.first() + file;
}

QString decodeLanguageText(const QByteArray &bytes) {
  // A leading byte order mark is dropped by the decoder.
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8(bytes);
  if (!utf8.hasError())
    return text;
  text.clear();
  text.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    text.append(b >= 0x80 && b < 0xA0 ? QChar(kWindows1252High[b - 0x80])
                                      : QChar(b));
  }
  return text;
}

QStringList splitLanguageLines(const QString &text) {
  QStringList lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
      continue;
    lines.append(text.mid(start, i - start));
    if (c == QLatin1Char('\r') && i + 1 < text.size() &&
        text.at(i + 1) == QLatin1Char('\n'))
      ++i;
    start = i + 1;
  }
  if (start < text.size())
    lines.append(text.mid(start));
  return lines;
}

QString listLanguageFolders(const QString &folder, const QString &firstEntry) {
  return listLanguageFolders(QStringList{folder}, firstEntry);
}

QString listLanguageFolders(const QStringList &folders,
                            const QString &firstEntry) {
  QStringList names;
  for (const QString &folder : folders)
    for (const QString &name : QDir(folder).entryList(
             QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort))
      if (!names.contains(name))
        names << name;
  std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
  });
  QString result = firstEntry;
  for (const QString &name : names)
    result += QStringLiteral("\r\n") + name;
  return result;
}
