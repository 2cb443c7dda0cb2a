#include "points/outlook_point.h"

#include "values/archive.h"

COutlookPoint::COutlookPoint() : CBasePoint(kTypeCode, QStringLiteral("Outlook")) {}

void COutlookPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

void COutlookPoint::ReadFields(CArchive& ar, int) { m_settings.option = ar.ReadInt32(); }

void COutlookPoint::WriteFields(CArchive& ar) { ar.WriteInt32(m_settings.option); }
