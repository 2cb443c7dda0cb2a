#include "values/archive.h"

#include <bit>
#include <cstring>

#include "values/ansi_text.h"

namespace {

template <typename T>
void AppendLittleEndian(QByteArray& out, T value) {
  char bytes[sizeof(T)];
  for (size_t i = 0; i < sizeof(T); ++i) {
    bytes[i] = static_cast<char>((static_cast<uint64_t>(value) >> (8 * i)) & 0xFF);
  }
  out.append(bytes, sizeof(T));
}

}  // namespace

CArchive::CArchive(const QByteArray& bytes) : m_bytes(bytes), m_loading(true) {}

CArchive::CArchive() : m_loading(false) {}

void CArchive::WriteByte(uint8_t value) { m_bytes.append(static_cast<char>(value)); }

void CArchive::WriteWord(uint16_t value) { AppendLittleEndian(m_bytes, value); }

void CArchive::WriteInt32(int32_t value) {
  AppendLittleEndian(m_bytes, static_cast<uint32_t>(value));
}

void CArchive::WriteInt64(int64_t value) {
  AppendLittleEndian(m_bytes, static_cast<uint64_t>(value));
}

void CArchive::WriteDouble(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  AppendLittleEndian(m_bytes, bits);
}

void CArchive::WriteFloat(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  AppendLittleEndian(m_bytes, bits);
}

void CArchive::WriteCount(int32_t count) {
  if (count >= 0 && count < 0xFFFF) {
    WriteWord(static_cast<uint16_t>(count));
  } else {
    WriteWord(0xFFFF);
    WriteInt32(count);
  }
}

void CArchive::WriteString(const QString& text) {
  const qsizetype length = text.size();
  WriteByte(0xFF);
  WriteWord(0xFFFE);
  if (length < 0xFF) {
    WriteByte(static_cast<uint8_t>(length));
  } else {
    WriteByte(0xFF);
    if (length < 0xFFFE) {
      WriteWord(static_cast<uint16_t>(length));
    } else {
      WriteWord(0xFFFF);
      WriteInt32(static_cast<int32_t>(length));
    }
  }
  if constexpr (std::endian::native == std::endian::little) {
    m_bytes.append(reinterpret_cast<const char*>(text.constData()), length * 2);
  } else {
    for (QChar c : text) WriteWord(c.unicode());
  }
}

void CArchive::WriteBytes(const char* data, qsizetype size) { m_bytes.append(data, size); }

void CArchive::ThrowUnexpectedEnd() { throw CArchiveError("unexpected end of archive"); }

double CArchive::ReadDouble() {
  const uint64_t bits = static_cast<uint64_t>(ReadInt64());
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

float CArchive::ReadFloat() {
  const uint32_t bits = ReadUInt32();
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

int32_t CArchive::ReadCount() {
  const uint16_t word = ReadWord();
  if (word != 0xFFFF) return word;
  const int32_t count = ReadInt32();
  if (count < 0) throw CArchiveError("negative count");
  return count;
}

QString CArchive::ReadString() {
  bool unicode = false;
  qint64 length = ReadByte();
  if (length == 0xFF) {
    length = ReadWord();
    if (length == 0xFFFE) {
      unicode = true;
      length = ReadByte();
      if (length == 0xFF) length = ReadWord();
    }
    if (length == 0xFFFF) {
      length = ReadInt32();
      if (length < 0) throw CArchiveError("negative string length");
    }
  }
  if (unicode) {
    Require(length * 2);
    // An empty text stays Qt's shared empty string: most fields of a file are empty.
    if (length == 0) return QString(0, Qt::Uninitialized);
    const char* source = m_bytes.constData() + m_pos;
    m_pos += length * 2;
    if constexpr (std::endian::native == std::endian::little) {
      QString text(static_cast<qsizetype>(length), Qt::Uninitialized);
      std::memcpy(text.data(), source, static_cast<size_t>(length) * 2);
      return text;
    } else {
      QString text(static_cast<qsizetype>(length), Qt::Uninitialized);
      const auto* p = reinterpret_cast<const uint8_t*>(source);
      for (qsizetype i = 0; i < length; ++i) {
        text[i] = QChar(static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8)));
      }
      return text;
    }
  }
  Require(length);
  const QByteArrayView bytes(m_bytes.constData() + m_pos, static_cast<qsizetype>(length));
  m_pos += length;
  return DecodeAnsiText(bytes);
}

QByteArray CArchive::ReadBytes(qsizetype size) {
  Require(size);
  QByteArray bytes(m_bytes.constData() + m_pos, size);
  m_pos += size;
  return bytes;
}

void CArchive::ReadInto(void* out, qsizetype size) {
  Require(size);
  if (size > 0) std::memcpy(out, m_bytes.constData() + m_pos, static_cast<size_t>(size));
  m_pos += size;
}
