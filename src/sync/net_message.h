// CNetMessage: one message of the server protocol: a command code and a payload written and read
// field by field (little-endian integers, raw runs, wire strings). A value object; UI thread.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>

class CNetMessage {
 public:
  // A wire string longer than this many UTF-16 code units is refused by the reader.
  static constexpr uint32_t kMaxStringLength = 0x400000;

  explicit CNetMessage(uint32_t code = 0) : m_code(code) {}
  CNetMessage(uint32_t code, QByteArray payload) : m_code(code), m_payload(std::move(payload)) {}

  uint32_t Code() const { return m_code; }
  const QByteArray& Payload() const { return m_payload; }

  void WriteU8(uint8_t value);
  void WriteU16(uint16_t value);
  void WriteU32(uint32_t value);
  void WriteBytes(QByteArrayView bytes);
  // Length (one byte below 255; else 255 and 16 bits up to 65534; else 255, 65535 and 32 bits),
  // then the UTF-16LE code units without terminator.
  void WriteString(const QString& text);

  // Reading starts at the front again.
  void Rewind() {
    m_pos = 0;
    m_failed = false;
  }
  // Each read past the end (or a refused string length) fails and leaves the message failed, so
  // a handler may read every field and check once.
  bool ReadU8(uint8_t& value);
  bool ReadU16(uint16_t& value);
  bool ReadU32(uint32_t& value);
  bool ReadBytes(qsizetype count, QByteArray& bytes);
  bool Skip(qsizetype count);
  bool ReadString(QString& text);
  // The unread rest of the payload.
  QByteArray ReadRest();
  qsizetype Remaining() const { return m_payload.size() - m_pos; }
  bool Failed() const { return m_failed; }

 private:
  bool Take(qsizetype count, const char*& data);
  void Grow(qsizetype extra);

  uint32_t m_code;
  QByteArray m_payload;
  qsizetype m_pos = 0;
  bool m_failed = false;
};
