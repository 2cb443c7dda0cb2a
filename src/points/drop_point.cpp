#include "points/drop_point.h"

#include "project/point_type.h"
#include "values/archive.h"

namespace {

const QString kClearKey = QStringLiteral("clear");

}  // namespace

CDropPoint::CDropPoint() : CBasePoint(kTypeCode, QStringLiteral("Drop List")) {}

void CDropPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

void CDropPoint::SaveSettings() {
  m_properties.SetVariant(kClearKey, CVariant::FromBool(m_settings.clearable));
}

void CDropPoint::LoadSettings() {
  const CVariant* clear = m_properties.Find(kClearKey);
  m_settings.clearable = clear && clear->Type() == kVtBool && clear->IntegerPayload() != 0;
}

void CDropPoint::ReadFields(CArchive& ar, int version) {
  if (version >= 23) m_settings.multiSelect = ar.ReadInt32();
  m_settings.editable = ar.ReadInt32();
  m_settings.remember = ar.ReadInt32();
  if (version >= 6) m_settings.split = ar.ReadInt32();
  if (version >= 19) {
    m_settings.width = ar.ReadInt32();
    if (version < 21) m_settings.width = WidthFromFifths(m_settings.width);
  }
  const int32_t count = ar.ReadCount();
  m_settings.items.clear();
  for (int32_t i = 0; i < count; ++i) m_settings.items.append(ar.ReadString());
}

void CDropPoint::WriteFields(CArchive& ar) {
  ar.WriteInt32(m_settings.multiSelect);
  ar.WriteInt32(m_settings.editable);
  ar.WriteInt32(m_settings.remember);
  ar.WriteInt32(m_settings.split);
  ar.WriteInt32(m_settings.width);
  ar.WriteCount(static_cast<int32_t>(m_settings.items.size()));
  for (const QString& item : m_settings.items) ar.WriteString(item);
}

// ---- the registered type

namespace {

using S = CDropPoint::Settings;
using Field = CSettingsField<CDropPoint>;

const CPointTypeRegistration kDropListType({
    .typeCode = CDropPoint::kTypeCode,
    .typeName = "Drop List",
    .create = &CreatePointOf<CDropPoint>,
    .fields =
        {
            Field("multiSelect", &S::multiSelect),
            Field("editable", &S::editable),
            Field("remember", &S::remember),
            Field("split", &S::split),
            Field("width", &S::width),
            Field("items", &S::items),
            Field("clearable", &S::clearable),
        },
    .rank = 40,
    .displayName = "Drop List",
    .description = "Scrollable list",
    .icon = 162,
});

}  // namespace
