#include "points/custom_point.h"

#include "project/point_factory.h"
#include "project/point_type.h"
#include "values/archive.h"

namespace {

constexpr int kClassIdSize = 16;

}  // namespace

CCustomPoint::CCustomPoint() : CBasePoint(kTypeCode, QStringLiteral("Custom")) {}

void CCustomPoint::SetClassId(const QUuid& classId) {
  if (classId == m_classId) return;
  m_classId = classId;
  MarkChanged();
}

void CCustomPoint::SetUserTypeName(const QString& name) {
  if (name == m_userTypeName) return;
  m_userTypeName = name;
  MarkChanged();
}

QByteArray CCustomPoint::ClassIdBytes(const QUuid& classId) {
  QByteArray bytes;
  bytes.reserve(kClassIdSize);
  for (int i = 0; i < 4; ++i) bytes.append(static_cast<char>((classId.data1 >> (8 * i)) & 0xFF));
  for (int i = 0; i < 2; ++i) bytes.append(static_cast<char>((classId.data2 >> (8 * i)) & 0xFF));
  for (int i = 0; i < 2; ++i) bytes.append(static_cast<char>((classId.data3 >> (8 * i)) & 0xFF));
  for (uchar b : classId.data4) bytes.append(static_cast<char>(b));
  return bytes;
}

QUuid CCustomPoint::ClassIdFromBytes(const QByteArray& bytes) {
  if (bytes.size() != kClassIdSize) return QUuid();
  const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
  const uint data1 = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint>(p[3]) << 24);
  const ushort data2 = static_cast<ushort>(p[4] | (p[5] << 8));
  const ushort data3 = static_cast<ushort>(p[6] | (p[7] << 8));
  return QUuid(data1, data2, data3, p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]);
}

void CCustomPoint::ReadFields(CArchive& ar, int) {
  ar.ReadCount();  // always 0; kept for the file layout
  char classId[kClassIdSize];
  ar.ReadInto(classId, kClassIdSize);
  m_classId = ClassIdFromBytes(QByteArray::fromRawData(classId, kClassIdSize));
  m_userTypeName = ar.ReadString();
  m_bag.Deserialize(ar, false);
}

void CCustomPoint::WriteFields(CArchive& ar) {
  ar.WriteCount(0);
  ar.WriteBytes(ClassIdBytes(m_classId));
  ar.WriteString(m_userTypeName);
  m_bag.Serialize(ar, false);
}

// ---- the registered type

namespace {

static_assert(CCustomPoint::kTypeCode == CPointFactory::kCustomTypeCode);

// A custom point's settings are its class and its control's property bag, which tools read
// through the class registry; its registry entries are the control classes.
const CPointTypeRegistration kCustomType({
    .typeCode = CCustomPoint::kTypeCode,
    .typeName = "Custom",
    .create = &CreatePointOf<CCustomPoint>,
});

}  // namespace
