// Language files as TextCatalogue::load reads them: bytes decoded as UTF-8 or
// Windows-1252, cut into lines, every key of both tables looked up. A
// definition put first always wins, whatever follows; no line keeps a line
// break; no text keeps an unreplaced "#13" or "#10".

#include "FuzzSupport.h"
#include "settings/Language.h"

#include <QStringEncoder>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

  const QString text = decodeLanguageText(bytes);
  QStringDecoder strict(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString asUtf8 = strict(bytes);
  if (strict.hasError()) // Windows-1252: one character per byte
    FUZZ_CHECK(text.size() == bytes.size());
  else
    FUZZ_CHECK(text == asUtf8);

  const QStringList lines = splitLanguageLines(text);
  FUZZ_CHECK(lines.size() <=
             text.count(QLatin1Char('\r')) + text.count(QLatin1Char('\n')) + 1);
  for (const QString &line : lines)
    FUZZ_CHECK(!line.contains(QLatin1Char('\r')) &&
               !line.contains(QLatin1Char('\n')));

  // The same file with a definition of its own in front.
  const QByteArray first = "mmexit=Fuzz #13exit\r\n";
  const QStringList withFirst =
      splitLanguageLines(decodeLanguageText(first + bytes));
  auto check = [&](const QStringList &in, bool defined) {
    for (const QList<LangKey> *table :
         {&mainLanguageKeys(), &dialogLanguageKeys()})
      for (const LangKey &k : *table) {
        const QString key = QString::fromLatin1(k.key);
        const QString value = langText(in, key, QString::fromUtf8(k.builtIn));
        FUZZ_CHECK(!value.contains(QLatin1String("#13")) &&
                   !value.contains(QLatin1String("#10")));
        if (defined && key == QLatin1String("MMExit"))
          FUZZ_CHECK(value == QLatin1String("Fuzz \rexit"));
      }
  };
  check(lines, false);
  check(withFirst, true);
  return 0;
}
