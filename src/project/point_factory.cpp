#include "project/point_factory.h"

#include <QFile>

#include "points/boolean_point.h"
#include "points/custom_point.h"
#include "points/drop_point.h"
#include "points/edit_point.h"
#include "points/file_point.h"
#include "points/layout_point.h"
#include "points/link_point.h"
#include "points/list_point.h"
#include "points/logic_point.h"
#include "points/math_point.h"
#include "points/outlook_point.h"
#include "points/sketch_point.h"
#include "points/telegram_point.h"
#include "points/time_point.h"
#include "project/display_scale.h"

const QUuid CPointFactory::kLegacyDateTimeClass(0x0A8400F0, 0x1851, 0x4FCE, 0x83, 0xDC, 0x6C, 0xB0,
                                                0x63, 0xEF, 0xAE, 0x42);
const QUuid CPointFactory::kExcludedClass(0x13A28FDA, 0x5535, 0x48B0, 0xB4, 0x53, 0x39, 0x08, 0xA6,
                                          0xF5, 0x0D, 0x9F);
const QUuid CPointFactory::kCustomPointCategory(0x00EDF7BC, 0x0AD0, 0x42C8, 0x8C, 0xB4, 0x28, 0x7A,
                                                0xD8, 0x28, 0xEE, 0x12);
const QUuid CPointFactory::kApplicationClass(0x30D64577, 0x4EAB, 0x4321, 0xBC, 0xD7, 0x46, 0xA8,
                                             0xCF, 0x47, 0xB5, 0x7D);

namespace {

struct Registration {
  int32_t typeCode;
  const char* classId;  // nullptr for the built-in point types
  const char* progId;
  const char* displayName;
  const char* description;
  int icon;
  int32_t flags;
};

// Registration order is the order of the point-type lists of the designer and the client.
constexpr Registration kRegistrations[] = {
    {1, nullptr, nullptr, "Boolean", "Yes, no, undefined", 143, 15},
    {3, nullptr, nullptr, "Edit", "Enter text or numbers", 145, 15},
    {2, nullptr, nullptr, "Selection", "List of options", 144, 15},
    {4, nullptr, nullptr, "Drop List", "Scrollable list", 162, 15},
    {6, nullptr, nullptr, "Date/Time", "Record a date or time", 164, 15},
    {7, nullptr, nullptr, "Layout", "Static image or text", 167, 15},
    {5, nullptr, nullptr, "Link", "Open URL or page", 163, 15},
    {12, "{6741DDA0-05C6-41BE-8451-67A7B447DFF6}", "TWKF.UltraDrop", "Ultra Drop",
     "More powerful lists", 215, 15},
    {10, nullptr, nullptr, "Logic", "Show and hide points conditionally", 171, 15},
    {9, nullptr, nullptr, "Math", "Calculate expressions", 169, 15},
    {12, "{BF1519FA-332E-4E3A-B6C1-6412F559D1CA}", "TWKF.Formatter", "Formatter", "Format strings",
     236, 15},
    {13, nullptr, nullptr, "File", "Attach files", 192, 15},
    {11, nullptr, nullptr, "Sketch", "Sketch onto an image", 176, 15},
    {12, "{6722D125-9222-40E2-AEE2-B0A5B86A4EC6}", "TWKF.Camera", "Camera", "Take photos", 224, 15},
    {12, "{CA2C599F-2B4F-4F0B-B4B2-17F359F8A067}", "TWKF.Barcode", "Barcode", "Scan barcodes", 147,
     3},
    {12, "{828EDD96-892C-4D7E-B6FE-D2F4F527A870}", "TWKF.GPS", "GPS", "Capture GPS position", 223,
     15},
    {12, "{4087CCCB-F036-408C-86C0-B032163F3795}", "TWKF.Numpad", "Numpad",
     "Enter numbers with digit buttons", 225, 15},
    {12, "{AB10ECCA-675D-4628-B5CE-7E1D780B130E}", "TWKF.Incrementor", "Incrementor",
     "Assign unique values", 237, 15},
    {8, nullptr, nullptr, "Contacts", "Import address book", 168, 15},
    {12, "{DE28C520-D05E-44BA-B5C8-1021384A7ACA}", "TWKF.Print", "Print",
     "Print from mobile device", 232, 15},
    {12, "{410FD546-0087-4B67-92B7-2A05A325B794}", "TWKF.Slider", "Slider",
     "Select a value along a line", 239, 15},
    {12, "{E1C74250-7D5C-4E82-B483-B485B216A786}", "TWKF.Stopwatch", "Stopwatch",
     "Measure a time period", 233, 15},
    {12, "{072BA26D-7E2F-471A-B60F-8C26C90DF9A6}", "TWKF.Voice", "Voice", "Record voice or sound",
     231, 7},
    {12, "{AD194798-DB31-4EE4-B9EA-C18801054C8F}", "TWKF.Cross", "Crossdata",
     "Fetch data from another session", 253, 7},
    {14, nullptr, nullptr, "Telegram", "Interact with the server", 204, 15},
};

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
  for (const Registration& registration : kRegistrations) {
    Entry entry;
    entry.typeCode = registration.typeCode;
    if (registration.classId) {
      entry.classId = QUuid::fromString(QLatin1String(registration.classId));
      entry.progId = QString::fromLatin1(registration.progId);
      entry.builtIn = true;
    }
    entry.displayName = QString::fromLatin1(registration.displayName);
    entry.description = QString::fromLatin1(registration.description);
    entry.iconResource = registration.icon;
    entry.flags = registration.flags;
    entry.largeIcon = LoadIcon(registration.icon, 32);
    entry.smallIcon = LoadIcon(registration.icon, 16);
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
    if (typeCode == CCustomPoint::kTypeCode && entry.classId != classId) continue;
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
  if (Find(CCustomPoint::kTypeCode, classId)) return nullptr;
  Entry entry;
  entry.typeCode = CCustomPoint::kTypeCode;
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

std::unique_ptr<CBasePoint> CPointFactory::CreatePoint(int32_t typeCode) {
  switch (typeCode) {
    case CBooleanPoint::kTypeCode:
      return std::make_unique<CBooleanPoint>();
    case CListPoint::kTypeCode:
      return std::make_unique<CListPoint>();
    case CEditPoint::kTypeCode:
      return std::make_unique<CEditPoint>();
    case CDropPoint::kTypeCode:
      return std::make_unique<CDropPoint>();
    case CLinkPoint::kTypeCode:
      return std::make_unique<CLinkPoint>();
    case CTimePoint::kTypeCode:
      return std::make_unique<CTimePoint>();
    case CLayoutPoint::kTypeCode:
      return std::make_unique<CLayoutPoint>();
    case COutlookPoint::kTypeCode:
      return std::make_unique<COutlookPoint>();
    case CMathPoint::kTypeCode:
      return std::make_unique<CMathPoint>();
    case CLogicPoint::kTypeCode:
      return std::make_unique<CLogicPoint>();
    case CSketchPoint::kTypeCode:
      return std::make_unique<CSketchPoint>();
    case CCustomPoint::kTypeCode:
      return std::make_unique<CCustomPoint>();
    case CFilePoint::kTypeCode:
      return std::make_unique<CFilePoint>();
    case CTelegramPoint::kTypeCode:
      return std::make_unique<CTelegramPoint>();
    default:
      return nullptr;
  }
}

std::unique_ptr<CBasePoint> CPointFactory::ConvertLegacyPoint(const CBasePoint& point) {
  if (point.TypeCode() != CCustomPoint::kTypeCode) return nullptr;
  const auto& custom = static_cast<const CCustomPoint&>(point);
  if (custom.ClassId() != kLegacyDateTimeClass) return nullptr;
  return CTimePoint::FromLegacyCustomPoint(custom);
}
