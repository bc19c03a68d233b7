// A line of keys.ini split into fields and parsed. The separator comes from
// the input too. A key formatted again and parsed back must not change.

#include "FuzzSupport.h"
#include "keys/KeyTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0)
    return 0;
  // The first byte picks the separator: the table's TAB, or any other.
  const char separator = data[0] & 1 ? '\t' : char(data[1 % size]);
  const QByteArray line(reinterpret_cast<const char *>(data) + 1,
                        qsizetype(size - 1));

  const ExplodedString fields = explode(line, separator);
  for (const QByteArray &field : fields)
    FUZZ_CHECK(!field.contains('\r') && !field.contains('\n'));
  const Key key = parseKeyLine(fields);
  if (fields.size() != 4) {
    FUZZ_CHECK(key.code == 0 && key.modifiers == 0 && key.virtualKey == 0 &&
               key.name.isEmpty());
    return 0;
  }
  FUZZ_CHECK(key.name == fields[0]);

  // What the hot-key editor writes back reads as the same key, as long as
  // the name holds no field or line separator.
  if (key.name.contains('\t'))
    return 0;
  const Key again = parseKeyLine(explode(formatKeyLine(key)));
  FUZZ_CHECK(again.name == key.name && again.code == key.code &&
             again.modifiers == key.modifiers &&
             again.virtualKey == key.virtualKey);

  // The table's own lines survive a load: split into lines and joined.
  const QList<QByteArray> lines = splitLines(line);
  for (const QByteArray &l : lines)
    FUZZ_CHECK(!l.contains('\r') && !l.contains('\n'));
  (void)shortcutText(key);
  return 0;
}
