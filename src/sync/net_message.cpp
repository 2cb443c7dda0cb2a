#include "sync/net_message.h"

#include <QtEndian>

void CNetMessage::Grow(qsizetype extra) {
  // Payloads grow in steps of 1024 bytes, like the buffers they travel through.
  const qsizetype needed = m_payload.size() + extra;
  if (needed > m_payload.capacity()) m_payload.reserve((needed + 1023) / 1024 * 1024);
}

void CNetMessage::WriteU8(uint8_t value) {
  Grow(1);
  m_payload.append(static_cast<char>(value));
}

void CNetMessage::WriteU16(uint16_t value) {
  char bytes[2];
  qToLittleEndian(value, bytes);
  WriteBytes(QByteArrayView(bytes, 2));
}

void CNetMessage::WriteU32(uint32_t value) {
  char bytes[4];
  qToLittleEndian(value, bytes);
  WriteBytes(QByteArrayView(bytes, 4));
}

void CNetMessage::WriteBytes(QByteArrayView bytes) {
  Grow(bytes.size());
  m_payload.append(bytes.data(), bytes.size());
}

void CNetMessage::WriteString(const QString& text) {
  const auto length = static_cast<uint32_t>(text.size());
  if (length < 255) {
    WriteU8(static_cast<uint8_t>(length));
  } else {
    WriteU8(255);
    if (length <= 65534) {
      WriteU16(static_cast<uint16_t>(length));
    } else {
      WriteU16(65535);
      WriteU32(length);
    }
  }
  Grow(text.size() * 2);
  for (const QChar c : text) WriteU16(c.unicode());
}

bool CNetMessage::Take(qsizetype count, const char*& data) {
  if (m_failed || count < 0 || count > Remaining()) {
    m_failed = true;
    return false;
  }
  data = m_payload.constData() + m_pos;
  m_pos += count;
  return true;
}

bool CNetMessage::ReadU8(uint8_t& value) {
  const char* data = nullptr;
  if (!Take(1, data)) return false;
  value = static_cast<uint8_t>(*data);
  return true;
}

bool CNetMessage::ReadU16(uint16_t& value) {
  const char* data = nullptr;
  if (!Take(2, data)) return false;
  value = qFromLittleEndian<uint16_t>(data);
  return true;
}

bool CNetMessage::ReadU32(uint32_t& value) {
  const char* data = nullptr;
  if (!Take(4, data)) return false;
  value = qFromLittleEndian<uint32_t>(data);
  return true;
}

bool CNetMessage::ReadBytes(qsizetype count, QByteArray& bytes) {
  const char* data = nullptr;
  if (!Take(count, data)) return false;
  bytes = QByteArray(data, count);
  return true;
}

bool CNetMessage::Skip(qsizetype count) {
  const char* data = nullptr;
  return Take(count, data);
}

bool CNetMessage::ReadString(QString& text) {
  uint8_t shortLength = 0;
  if (!ReadU8(shortLength)) return false;
  uint32_t length = shortLength;
  if (shortLength == 255) {
    uint16_t mid = 0;
    if (!ReadU16(mid)) return false;
    length = mid;
    if (mid == 65535 && !ReadU32(length)) return false;
  }
  // The length is checked against what the payload holds before anything is allocated.
  const char* data = nullptr;
  if (length > kMaxStringLength || !Take(static_cast<qsizetype>(length) * 2, data)) {
    m_failed = true;
    return false;
  }
  text.resize(length);
  for (uint32_t i = 0; i < length; ++i) text[i] = QChar(qFromLittleEndian<uint16_t>(data + 2 * i));
  return true;
}

QByteArray CNetMessage::ReadRest() {
  QByteArray rest = m_payload.mid(m_pos);
  m_pos = m_payload.size();
  return rest;
}
