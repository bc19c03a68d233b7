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

  const TExplodedString fields = Explode(line, separator);
  for (const QByteArray &field : fields)
    FUZZ_CHECK(!field.contains('\r') && !field.contains('\n'));
  const TKey key = ParseKeyLine(fields);
  if (fields.size() != 4) {
    FUZZ_CHECK(key.Code == 0 && key.Modifiers == 0 && key.VirtualKey == 0 &&
               key.Name.isEmpty());
    return 0;
  }
  FUZZ_CHECK(key.Name == fields[0]);

  // What the hot-key editor writes back reads as the same key, as long as
  // the name holds no field or line separator.
  if (key.Name.contains('\t'))
    return 0;
  const TKey again = ParseKeyLine(Explode(FormatKeyLine(key)));
  FUZZ_CHECK(again.Name == key.Name && again.Code == key.Code &&
             again.Modifiers == key.Modifiers &&
             again.VirtualKey == key.VirtualKey);

  // The table's own lines survive a load: split into lines and joined.
  const QList<QByteArray> lines = SplitLines(line);
  for (const QByteArray &l : lines)
    FUZZ_CHECK(!l.contains('\r') && !l.contains('\n'));
  (void)ShortcutText(key);
  return 0;
}
