#include "points/outlook_point.h"

#include "project/point_type.h"
#include "values/archive.h"

COutlookPoint::COutlookPoint() : CBasePoint(kTypeCode, QStringLiteral("Outlook")) {}

void COutlookPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

void COutlookPoint::ReadFields(CArchive& ar, int) { m_settings.option = ar.ReadInt32(); }

void COutlookPoint::WriteFields(CArchive& ar) { ar.WriteInt32(m_settings.option); }

// ---- the registered type

namespace {

using S = COutlookPoint::Settings;
using Field = CSettingsField<COutlookPoint>;

const CPointTypeRegistration kOutlookType({
    .typeCode = COutlookPoint::kTypeCode,
    .typeName = "Outlook",
    .create = &CreatePointOf<COutlookPoint>,
    .fields =
        {
            Field("option", &S::option),
        },
    .rank = 190,
    .displayName = "Contacts",
    .description = "Import address book",
    .icon = 168,
});

}  // namespace
