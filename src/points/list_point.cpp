#include "points/list_point.h"

#include "project/point_type.h"
#include "values/archive.h"

CListPoint::CListPoint() : CBasePoint(kTypeCode, QStringLiteral("Selection")) {}

void CListPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

void CListPoint::ReadFields(CArchive& ar, int version) {
  m_settings.singleSelect = ar.ReadInt32();
  if (version >= 7) m_settings.split = ar.ReadInt32();
  const int32_t count = ar.ReadCount();
  m_settings.items.clear();
  for (int32_t i = 0; i < count; ++i) m_settings.items.append(ar.ReadString());
}

void CListPoint::WriteFields(CArchive& ar) {
  ar.WriteInt32(m_settings.singleSelect);
  ar.WriteInt32(m_settings.split);
  ar.WriteCount(static_cast<int32_t>(m_settings.items.size()));
  for (const QString& item : m_settings.items) ar.WriteString(item);
}

// ---- the registered type

namespace {

using S = CListPoint::Settings;
using Field = CSettingsField<CListPoint>;

const CPointTypeRegistration kSelectionType({
    .typeCode = CListPoint::kTypeCode,
    .typeName = "Selection",
    .create = &CreatePointOf<CListPoint>,
    .fields =
        {
            Field("singleSelect", &S::singleSelect),
            Field("split", &S::split),
            Field("items", &S::items),
        },
    .rank = 30,
    .displayName = "Selection",
    .description = "List of options",
    .icon = 144,
});

}  // namespace
