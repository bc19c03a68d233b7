#pragma once
// Byte-string helpers for the wire tests.

#include <QByteArray>
#include <initializer_list>

inline QByteArray bytes(std::initializer_list<int> values) {
  QByteArray out;
  for (int v : values)
    out.append(static_cast<char>(v));
  return out;
}

inline QByteArray le32(qint32 v) {
  QByteArray out;
  const auto u = static_cast<quint32>(v);
  for (int i = 0; i < 4; ++i)
    out.append(static_cast<char>((u >> (8 * i)) & 0xFF));
  return out;
}

inline qint32 readLe32(const QByteArray &data, qsizetype offset) {
  quint32 v = 0;
  for (int i = 3; i >= 0; --i)
    v = (v << 8) | static_cast<quint8>(data[offset + i]);
  return static_cast<qint32>(v);
}
