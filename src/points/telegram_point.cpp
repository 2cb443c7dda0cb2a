#include "points/telegram_point.h"

#include "project/point_type.h"
#include "values/archive.h"

CTelegramPoint::CTelegramPoint() : CBasePoint(kTypeCode, QStringLiteral("Telegram")) {}

void CTelegramPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

void CTelegramPoint::ReadFields(CArchive& ar, int) {
  Settings& s = m_settings;
  s.telegramName = ar.ReadString();
  s.showAlerts = ar.ReadInt32();
  s.send = ar.ReadInt32();
  s.receive = ar.ReadInt32();
  s.matchKey = ar.ReadString();
  const int32_t count = ar.ReadCount();
  s.fields.clear();
  for (int32_t i = 0; i < count; ++i) s.fields.append(ar.ReadString());
}

void CTelegramPoint::WriteFields(CArchive& ar) {
  const Settings& s = m_settings;
  ar.WriteString(s.telegramName);
  ar.WriteInt32(s.showAlerts);
  ar.WriteInt32(s.send);
  ar.WriteInt32(s.receive);
  ar.WriteString(s.matchKey);
  ar.WriteCount(static_cast<int32_t>(s.fields.size()));
  for (const QString& field : s.fields) ar.WriteString(field);
}

// ---- the registered type

namespace {

using S = CTelegramPoint::Settings;
using Field = CSettingsField<CTelegramPoint>;

const CPointTypeRegistration kTelegramType({
    .typeCode = CTelegramPoint::kTypeCode,
    .typeName = "Telegram",
    .create = &CreatePointOf<CTelegramPoint>,
    .fields =
        {
            Field("telegramName", &S::telegramName),
            Field("showAlerts", &S::showAlerts),
            Field("send", &S::send),
            Field("receive", &S::receive),
            Field("matchKey", &S::matchKey),
            Field("fields", &S::fields),
        },
    .rank = 250,
    .displayName = "Telegram",
    .description = "Interact with the server",
    .icon = 204,
});

}  // namespace
