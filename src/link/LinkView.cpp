#include "link/LinkView.h"

#include <cstdint>

QByteArray modelCodeOf(const unsigned char *idBytes) {
  const uint32_t v = uint32_t(idBytes[0]) | uint32_t(idBytes[1]) << 8 |
                     uint32_t(idBytes[2]) << 16 | uint32_t(idBytes[3]) << 24;
  return QByteArray::number(v, 16).toUpper().rightJustified(8, '0');
}
