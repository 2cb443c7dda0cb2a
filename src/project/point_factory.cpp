#include "project/point_factory.h"

#include <QFile>
#include <algorithm>

#include "project/base_point.h"
#include "project/display_scale.h"
#include "project/point_type.h"

const QUuid CPointFactory::kLegacyDateTimeClass(0x0A8400F0, 0x1851, 0x4FCE, 0x83, 0xDC, 0x6C, 0xB0,
                                                0x63, 0xEF, 0xAE, 0x42);
const QUuid CPointFactory::kExcludedClass(0x13A28FDA, 0x5535, 0x48B0, 0xB4, 0x53, 0x39, 0x08, 0xA6,
                                          0xF5, 0x0D, 0x9F);
const QUuid CPointFactory::kCustomPointCategory(0x00EDF7BC, 0x0AD0, 0x42C8, 0x8C, 0xB4, 0x28, 0x7A,
                                                0xD8, 0x28, 0xEE, 0x12);
const QUuid CPointFactory::kApplicationClass(0x30D64577, 0x4EAB, 0x4321, 0xBC, 0xD7, 0x46, 0xA8,
                                             0xCF, 0x47, 0xB5, 0x7D);

namespace {

// The icon of a resource number, when the resources carry it.
QImage LoadIcon(int resource, int size) {
  const QString path = QStringLiteral(":/icons/point_%1.png").arg(resource);
  if (!QFile::exists(path)) return QImage();
  const QImage image(path);
  if (image.isNull()) return QImage();
  return image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

CPointFactory::CPointFactory() {
  std::vector<const CPointType*> types;
  for (const CPointType* type : CPointType::Registered()) {
    if (type->displayName) types.push_back(type);
  }
  std::stable_sort(types.begin(), types.end(),
                   [](const CPointType* a, const CPointType* b) { return a->rank < b->rank; });
  for (const CPointType* type : types) {
    Entry entry;
    entry.typeCode = type->typeCode;
    if (type->classId) {
      entry.classId = QUuid::fromString(QLatin1String(type->classId));
      entry.progId = QString::fromLatin1(type->progId);
      entry.builtIn = true;
    }
    entry.displayName = QString::fromLatin1(type->displayName);
    entry.description = QString::fromLatin1(type->description);
    entry.iconResource = type->icon;
    entry.flags = type->flags;
    entry.largeIcon = LoadIcon(type->icon, 32);
    entry.smallIcon = LoadIcon(type->icon, 16);
    Register(std::move(entry));
  }
}

CPointFactory& CPointFactory::Instance() {
  static CPointFactory factory;
  return factory;
}

void CPointFactory::Register(Entry entry) {
  const QImage& icon = CDisplayScale::IsDoubled() ? entry.largeIcon : entry.smallIcon;
  if (!icon.isNull()) {
    entry.imageIndex = static_cast<int>(m_images.size());
    m_images.append(icon);
  }
  m_entries.append(std::move(entry));
}

const CPointFactory::Entry* CPointFactory::Find(int32_t typeCode, const QUuid& classId) const {
  for (const Entry& entry : m_entries) {
    if (entry.typeCode != typeCode) continue;
    if (typeCode == kCustomTypeCode && entry.classId != classId) continue;
    return &entry;
  }
  return nullptr;
}

const CPointFactory::Entry* CPointFactory::FindByProgId(const QString& progId) const {
  for (const Entry& entry : m_entries) {
    if (!entry.progId.isEmpty() && entry.progId.compare(progId, Qt::CaseInsensitive) == 0) {
      return &entry;
    }
  }
  return nullptr;
}

const CPointFactory::Entry* CPointFactory::AddExternalClass(const QUuid& classId,
                                                            const QString& userTypeName,
                                                            const QImage& largeIcon,
                                                            const QImage& smallIcon) {
  if (classId.isNull() || classId == kLegacyDateTimeClass || classId == kExcludedClass) {
    return nullptr;
  }
  if (Find(kCustomTypeCode, classId)) return nullptr;
  Entry entry;
  entry.typeCode = kCustomTypeCode;
  entry.classId = classId;
  QString name = userTypeName.isEmpty() ? QStringLiteral("Custom Point") : userTypeName;
  if (name.startsWith(QStringLiteral("TWKF."))) name.remove(0, 5);
  entry.displayName = name;
  entry.description = QStringLiteral("Custom Point");
  entry.largeIcon = largeIcon;
  entry.smallIcon = smallIcon;
  entry.flags = 15;
  Register(std::move(entry));
  return &m_entries.back();
}

const CPointType* CPointFactory::PointType(int32_t typeCode) {
  for (const CPointType* type : CPointType::Registered()) {
    if (type->typeCode == typeCode && type->create) return type;
  }
  return nullptr;
}

std::vector<const CPointType*> CPointFactory::PointTypes() {
  std::vector<const CPointType*> types;
  for (const CPointType* type : CPointType::Registered()) {
    if (type->create) types.push_back(type);
  }
  std::stable_sort(types.begin(), types.end(), [](const CPointType* a, const CPointType* b) {
    return a->typeCode < b->typeCode;
  });
  return types;
}

std::unique_ptr<CBasePoint> CPointFactory::CreatePoint(int32_t typeCode) {
  const CPointType* type = PointType(typeCode);
  return type ? type->create() : nullptr;
}

std::unique_ptr<CBasePoint> CPointFactory::ConvertLegacyPoint(const CBasePoint& point) {
  for (const CPointType* type : CPointType::Registered()) {
    if (!type->replaceLoaded) continue;
    if (std::unique_ptr<CBasePoint> replacement = type->replaceLoaded(point)) return replacement;
  }
  return nullptr;
}
