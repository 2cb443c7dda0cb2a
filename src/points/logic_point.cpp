#include "points/logic_point.h"

#include "values/archive.h"

CLogicPoint::CLogicPoint() : CBasePoint(kTypeCode, QStringLiteral("Logic")) {
  // A logic point only steers other points; its own value is not a result of the session.
  m_results = 0;
}

void CLogicPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

void CLogicPoint::ReadFields(CArchive& ar, int version) {
  m_settings.firstName = ar.ReadString();
  m_settings.firstComparison = ar.ReadInt32();
  m_settings.firstValue = ar.ReadString();
  if (version >= 35) {
    m_settings.join = ar.ReadInt32();
    m_settings.secondName = ar.ReadString();
    m_settings.secondComparison = ar.ReadInt32();
    m_settings.secondValue = ar.ReadString();
  }
  if (version >= 29) m_settings.undeterminedText = ar.ReadString();
  if (version >= 28) {
    m_settings.falseText = ar.ReadString();
    m_settings.trueText = ar.ReadString();
  }
  const int32_t count = ar.ReadCount();
  ar.Require(static_cast<qsizetype>(count) * 4);
  m_settings.targets.clear();
  m_settings.targets.reserve(count);
  for (int32_t i = 0; i < count; ++i) m_settings.targets.append(ar.ReadUInt32());
  // Logic points of older files were always visible.
  if (version < 18) m_visible = 1;
}

void CLogicPoint::WriteFields(CArchive& ar) {
  ar.WriteString(m_settings.firstName);
  ar.WriteInt32(m_settings.firstComparison);
  ar.WriteString(m_settings.firstValue);
  ar.WriteInt32(m_settings.join);
  ar.WriteString(m_settings.secondName);
  ar.WriteInt32(m_settings.secondComparison);
  ar.WriteString(m_settings.secondValue);
  ar.WriteString(m_settings.undeterminedText);
  ar.WriteString(m_settings.falseText);
  ar.WriteString(m_settings.trueText);
  ar.WriteCount(static_cast<int32_t>(m_settings.targets.size()));
  for (uint32_t target : m_settings.targets) ar.WriteUInt32(target);
}
