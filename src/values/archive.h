// CArchive: the byte-exact little-endian reader and writer behind the project file, the session
// archive form and every archived structure. One archive reads or writes one in-memory buffer;
// a read past the end (or a malformed value) throws CArchiveError, which the code that reads a
// file or message catches at its boundary, so no exception escapes an operation.
// Owned by whoever reads or writes; not thread-safe; used on the UI thread.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <stdexcept>

class CArchiveError : public std::runtime_error {
 public:
  explicit CArchiveError(const char* what) : std::runtime_error(what) {}
};

class CArchive {
 public:
  // A reading archive over the given bytes.
  explicit CArchive(const QByteArray& bytes);
  // A writing archive that appends to an internal buffer.
  CArchive();

  bool IsLoading() const { return m_loading; }
  bool IsStoring() const { return !m_loading; }

  // --- writing
  void WriteByte(uint8_t value);
  void WriteWord(uint16_t value);
  void WriteInt16(int16_t value) { WriteWord(static_cast<uint16_t>(value)); }
  void WriteInt32(int32_t value);
  void WriteUInt32(uint32_t value) { WriteInt32(static_cast<int32_t>(value)); }
  void WriteInt64(int64_t value);
  void WriteDouble(double value);
  void WriteFloat(float value);
  // Count: a word, or 0xFFFF followed by an int32 when the count does not fit below 0xFFFF.
  void WriteCount(int32_t count);
  // String: 0xFF, word 0xFFFE, the length in code units (byte, or 0xFF + word, or 0xFF 0xFFFF +
  // int32), then UTF-16LE code units without terminator.
  void WriteString(const QString& text);
  // Time: seconds since 1970-01-01 00:00:00 UTC as 8 signed bytes.
  void WriteTime(int64_t seconds) { WriteInt64(seconds); }
  void WriteBytes(const char* data, qsizetype size);
  void WriteBytes(const QByteArray& bytes) { WriteBytes(bytes.constData(), bytes.size()); }

  // --- reading (each throws CArchiveError when the bytes run out). The fixed-size reads are
  // inline: a project file is tens of thousands of them.
  uint8_t ReadByte() {
    Require(1);
    return static_cast<uint8_t>(m_bytes.constData()[m_pos++]);
  }
  uint16_t ReadWord() {
    Require(2);
    const auto* p = reinterpret_cast<const uint8_t*>(m_bytes.constData() + m_pos);
    m_pos += 2;
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
  }
  int16_t ReadInt16() { return static_cast<int16_t>(ReadWord()); }
  int32_t ReadInt32() {
    Require(4);
    const auto* p = reinterpret_cast<const uint8_t*>(m_bytes.constData() + m_pos);
    m_pos += 4;
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                (static_cast<uint32_t>(p[2]) << 16) |
                                (static_cast<uint32_t>(p[3]) << 24));
  }
  uint32_t ReadUInt32() { return static_cast<uint32_t>(ReadInt32()); }
  int64_t ReadInt64() {
    const uint64_t low = ReadUInt32();
    const uint64_t high = ReadUInt32();
    return static_cast<int64_t>(low | (high << 32));
  }
  double ReadDouble();
  float ReadFloat();
  // A count; throws when it is negative.
  int32_t ReadCount();
  // A string in either form: UTF-16 after the 0xFF 0xFFFE mark, otherwise 8-bit text (UTF-8 when
  // valid, else Windows-1252: DecodeAnsiText). A length beyond the remaining bytes throws before
  // anything is allocated.
  QString ReadString();
  int64_t ReadTime() { return ReadInt64(); }
  // Exactly `size` bytes; throws (without allocating) when fewer remain.
  QByteArray ReadBytes(qsizetype size);
  // Exactly `size` bytes into `out`, for fixed-size fields that need no byte array of their own.
  void ReadInto(void* out, qsizetype size);

  // Throws unless at least `size` more bytes can be read; lets callers bound allocations by what
  // the input can actually hold.
  void Require(qsizetype size) const {
    if (size < 0 || size > Remaining()) ThrowUnexpectedEnd();
  }
  qsizetype Remaining() const { return m_bytes.size() - m_pos; }
  qsizetype Position() const { return m_pos; }
  bool AtEnd() const { return m_pos >= m_bytes.size(); }

  // The written bytes (storing) or the whole input (loading).
  const QByteArray& Buffer() const { return m_bytes; }

 private:
  [[noreturn]] static void ThrowUnexpectedEnd();

  // Reading never writes through this buffer, so it stays shared with the caller's bytes.
  QByteArray m_bytes;
  qsizetype m_pos = 0;
  bool m_loading;
};
