#include "points/telegram_point.h"

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
