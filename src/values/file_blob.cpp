#include "values/file_blob.h"

#include <QFile>
#include <QSaveFile>

namespace {

constexpr char kMagic[] = "TWKFFILE";
constexpr int kMagicSize = 8;
constexpr int kHeaderSize = 12;

int32_t NameLength(const QByteArray& bytes) {
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData() + kMagicSize);
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                              (static_cast<uint32_t>(p[2]) << 16) |
                              (static_cast<uint32_t>(p[3]) << 24));
}

// Checks the blob is a file with a non-empty name that fits; gives the name length.
bool NamedBlob(const QByteArray& bytes, int32_t& length) {
  if (!FileBlob::IsFile(bytes)) return false;
  length = NameLength(bytes);
  return length >= 1 && length <= (bytes.size() - kHeaderSize) / 2;
}

}  // namespace

namespace FileBlob {

bool IsFile(const QByteArray& bytes) {
  return bytes.size() >= 13 && bytes.startsWith(QByteArray::fromRawData(kMagic, kMagicSize));
}

bool IsFile(const CVariant& value) { return value.IsByteArray() && IsFile(value.Bytes()); }

bool Name(const QByteArray& bytes, QString& name) {
  int32_t length = 0;
  if (!NamedBlob(bytes, length)) return false;
  name.resize(length);
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData() + kHeaderSize);
  for (int32_t i = 0; i < length; ++i) {
    name[i] = QChar(static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8)));
  }
  return true;
}

QString Name(const CVariant& value) {
  QString name;
  if (value.IsByteArray()) Name(value.Bytes(), name);
  return name;
}

bool Content(const CVariant& value, QByteArray& content) {
  if (!value.IsByteArray()) return false;
  const QByteArray bytes = value.Bytes();
  int32_t length = 0;
  if (!NamedBlob(bytes, length)) return false;
  content = bytes.mid(kHeaderSize + 2 * static_cast<qsizetype>(length));
  return true;
}

CVariant Make(const QString& name, const QByteArray& content) {
  QString shortName = name;
  const qsizetype cut = std::max(name.lastIndexOf('/'), name.lastIndexOf('\\'));
  if (cut >= 0) shortName = name.mid(cut + 1);
  QByteArray bytes(kMagic, kMagicSize);
  const auto length = static_cast<uint32_t>(shortName.size());
  for (int i = 0; i < 4; ++i) bytes.append(static_cast<char>((length >> (8 * i)) & 0xFF));
  for (QChar c : shortName) {
    bytes.append(static_cast<char>(c.unicode() & 0xFF));
    bytes.append(static_cast<char>(c.unicode() >> 8));
  }
  bytes.append(content);
  return CVariant::FromBytes(bytes);
}

CVariant MakeFromFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return CVariant();
  return Make(path, file.readAll());
}

bool Extract(const CVariant& value, const QString& path) {
  QByteArray content;
  if (!Content(value, content)) return false;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(content) != content.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

}  // namespace FileBlob
