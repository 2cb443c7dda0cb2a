#include "points/math_point.h"

#include "values/archive.h"

namespace {

const QString kRoundingKey = QStringLiteral("rounding");

}  // namespace

CMathPoint::CMathPoint() : CBasePoint(kTypeCode, QStringLiteral("Math")) {}

void CMathPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

void CMathPoint::SaveSettings() { m_properties.SetInteger(kRoundingKey, m_settings.rounding); }

void CMathPoint::LoadSettings() { m_settings.rounding = m_properties.GetInteger(kRoundingKey, 0); }

void CMathPoint::ReadFields(CArchive& ar, int version) {
  m_settings.expression = ar.ReadString();
  m_settings.locked = ar.ReadInt32();
  m_settings.width = ar.ReadInt32();
  m_settings.decimals = version >= 13 ? ar.ReadInt32() : -1;
  // Older files count the width in fifths of today's unit.
  if (version < 21) m_settings.width = WidthFromFifths(m_settings.width);
  // Files from before the rounding setting keep the plain formatting they were made with.
  if (version < 100) m_settings.rounding = 0;
}

void CMathPoint::WriteFields(CArchive& ar) {
  ar.WriteString(m_settings.expression);
  ar.WriteInt32(m_settings.locked);
  ar.WriteInt32(m_settings.width);
  ar.WriteInt32(m_settings.decimals);
}
