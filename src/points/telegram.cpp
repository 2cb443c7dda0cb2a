#include "points/telegram.h"

#include "project/base_point.h"
#include "project/project.h"
#include "values/archive.h"

void CTelegram::Serialize(CArchive& ar) const {
  ar.WriteString(m_unitId);
  m_values.Serialize(ar, false);
}

void CTelegram::Deserialize(CArchive& ar) {
  m_unitId = ar.ReadString();
  m_values.Deserialize(ar, false);
}

QByteArray CTelegram::WriteArchive() const {
  CArchive ar;
  Serialize(ar);
  return ar.Buffer();
}

bool CTelegram::ReadArchive(const QByteArray& bytes) {
  try {
    CArchive ar(bytes);
    Deserialize(ar);
    return true;
  } catch (const CArchiveError&) {
  }
  m_unitId.clear();
  m_values.Clear();
  return false;
}

void CTelegram::Dispatch() {
  if (!m_project) return;
  m_project->ForEachPoint([this](CBasePoint* point) { point->OnTelegram(this); });
}
