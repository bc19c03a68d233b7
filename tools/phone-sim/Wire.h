#pragma once
// The phone's side of the two link formats. Requests are built here and the
// PC's replies are cut out of the received byte stream, without any I/O, so
// the same code serves real sockets, serial devices and tests.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace phonesim {

// Replies larger than this are treated as a broken peer: the announced size
// is never allocated.
constexpr qint32 kMaxReplyPayload = 1 << 20;

// The request and reply codes shared by both links.
enum Code : qint32 {
  CodeNop = 11,
  CodeAuth = 12,
  CodeCommand = 13,
  CodeScreen = 14,
  CodeDiscon = 15,
};

void appendInt32(QByteArray &out, qint32 value);
qint32 readInt32(const char *p);

// The 8 identification bytes the phone sends when it introduces itself.
// Bytes 0-3 are the model code, bytes 4-7 scramble the key entries.
struct IdBlock {
  std::array<quint8, 8> bytes{0x41, 0x56, 0x4F, 0x4E, 0x5A, 0xC3, 0x19, 0xE7};

  // Parses 16 hexadecimal digits, byte 0 first. False on any other text.
  static bool fromHex(const QString &text, IdBlock &out);
  QString toHex() const;
  // Bytes 0-3 as a little-endian number in 8 upper-case hex digits.
  QString modelCode() const;
};

// Turns the 2-byte key entries of command replies back into key codes.
// A reply with an odd length leaves its last byte waiting for the next one.
class KeyDescrambler {
public:
  explicit KeyDescrambler(const IdBlock &id = IdBlock()) : m_id(id) {}
  void setId(const IdBlock &id) { m_id = id; }
  std::vector<int> feed(const QByteArray &payload);
  static int decode(const IdBlock &id, quint8 b0, quint8 b1);
  // Inverse of Decode, for peers in tests.
  static std::array<quint8, 2> encode(const IdBlock &id, int code);

private:
  IdBlock m_id;
  int m_pending = -1;
};

struct Reply {
  enum class Kind { Nop, Commands, Discon };
  Kind kind = Kind::Nop;
  QByteArray payload;
};

// Base of both link formats: builds requests and cuts replies out of the
// bytes fed in, in whatever pieces they arrive.
class Wire {
public:
  enum class Status { NeedMore, Reply, Error };

  virtual ~Wire() = default;
  virtual bool isSerial() const = 0;
  virtual QByteArray authRequest(const IdBlock &id) const = 0;
  // The regular poll for commands.
  virtual QByteArray pollRequest() const = 0;
  // A keep-alive. Over TCP the trailing value of a NOP goes out only after
  // the reply has been read: it is returned separately by nopTrailer().
  virtual QByteArray nopRequest() const = 0;
  virtual QByteArray nopTrailer() const = 0;
  virtual QByteArray screenRequest(int x, int y,
                                   const QByteArray &tile) const = 0;
  // Empty when the link has no disconnect request.
  virtual QByteArray disconRequest() const = 0;

  void feed(const char *data, qsizetype size);
  void feed(const QByteArray &data) { feed(data.constData(), data.size()); }
  // Takes the next complete reply off the front of the received bytes.
  // After an error the parser stays in error until Reset().
  Status next(Reply &out);
  QString errorText() const { return m_error; }
  qsizetype buffered() const { return m_buffer.size() - m_offset; }
  void reset();

protected:
  virtual bool hasTerminator() const = 0;
  virtual bool kindAllowed(qint32 kind) const = 0;

private:
  Status fail(const QString &text);

  QByteArray m_buffer;
  qsizetype m_offset = 0;
  QString m_error;
};

// Over TCP: requests are code plus fields, replies are (11, 0) or
// (13, n, n bytes) with nothing after them.
class WireTcp : public Wire {
public:
  bool isSerial() const override { return false; }
  QByteArray authRequest(const IdBlock &id) const override;
  QByteArray pollRequest() const override;
  QByteArray nopRequest() const override;
  QByteArray nopTrailer() const override;
  QByteArray screenRequest(int x, int y, const QByteArray &tile) const override;
  QByteArray disconRequest() const override;

protected:
  bool hasTerminator() const override { return false; }
  bool kindAllowed(qint32 kind) const override;
};

// Over a serial line: ComAuth, ComNOP and ComGetScreen packets; every reply
// of the PC ends with '^', and (15, 0, '^') announces that the PC closes.
class WireSerial : public Wire {
public:
  bool isSerial() const override { return true; }
  QByteArray authRequest(const IdBlock &id) const override;
  QByteArray pollRequest() const override;
  QByteArray nopRequest() const override;
  QByteArray nopTrailer() const override;
  QByteArray screenRequest(int x, int y, const QByteArray &tile) const override;
  QByteArray disconRequest() const override;

protected:
  bool hasTerminator() const override { return true; }
  bool kindAllowed(qint32 kind) const override;
};

} // namespace phonesim
