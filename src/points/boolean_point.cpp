#include "points/boolean_point.h"

#include "project/point_type.h"
#include "values/archive.h"

CBooleanPoint::CBooleanPoint() : CBasePoint(kTypeCode, QStringLiteral("Boolean")) {}

void CBooleanPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

void CBooleanPoint::ApplyLegacyStyle(int32_t legacyStyle, Settings& settings) {
  struct Legacy {
    const char* trueText;
    const char* falseText;
    const char* naText;
    int32_t style;
  };
  static constexpr Legacy kLegacy[] = {
      {"Yes", "No", "NA", 2},     {"True", "False", "NA", 2},  {"Yes", "No", "NA", 1},
      {"True", "False", "NA", 1}, {"Safe", "Unsafe", "NA", 2}, {"1", "0", "99", 2},
  };
  if (legacyStyle < 0 || legacyStyle >= static_cast<int32_t>(std::size(kLegacy))) return;
  const Legacy& legacy = kLegacy[legacyStyle];
  settings.trueText = QString::fromLatin1(legacy.trueText);
  settings.falseText = QString::fromLatin1(legacy.falseText);
  settings.naText = QString::fromLatin1(legacy.naText);
  settings.style = legacy.style;
}

void CBooleanPoint::ReadFields(CArchive& ar, int version) {
  if (version < 7) {
    ApplyLegacyStyle(ar.ReadInt32(), m_settings);
    return;
  }
  m_settings.trueText = ar.ReadString();
  m_settings.falseText = ar.ReadString();
  m_settings.naText = ar.ReadString();
  // Stored one below the style.
  m_settings.style = static_cast<int32_t>(static_cast<uint32_t>(ar.ReadInt32()) + 1u);
}

void CBooleanPoint::WriteFields(CArchive& ar) {
  ar.WriteString(m_settings.trueText);
  ar.WriteString(m_settings.falseText);
  ar.WriteString(m_settings.naText);
  ar.WriteInt32(static_cast<int32_t>(static_cast<uint32_t>(m_settings.style) - 1u));
}

// ---- the registered type

namespace {

using S = CBooleanPoint::Settings;
using Field = CSettingsField<CBooleanPoint>;

const CPointTypeRegistration kBooleanType({
    .typeCode = CBooleanPoint::kTypeCode,
    .typeName = "Boolean",
    .create = &CreatePointOf<CBooleanPoint>,
    .fields =
        {
            Field("trueText", &S::trueText),
            Field("falseText", &S::falseText),
            Field("naText", &S::naText),
            Field("style", &S::style),
        },
    .rank = 10,
    .displayName = "Boolean",
    .description = "Yes, no, undefined",
    .icon = 143,
});

}  // namespace
