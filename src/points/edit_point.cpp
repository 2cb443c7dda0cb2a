#include "points/edit_point.h"

#include "values/archive.h"

namespace {

const QString kReadOnlyKey = QStringLiteral("readonly");

}  // namespace

CEditPoint::CEditPoint() : CBasePoint(kTypeCode, QStringLiteral("Edit")) {}

void CEditPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

void CEditPoint::SaveSettings() {
  m_properties.SetVariant(kReadOnlyKey, CVariant::FromBool(m_settings.readOnly));
}

void CEditPoint::LoadSettings() {
  const CVariant* readOnly = m_properties.Find(kReadOnlyKey);
  m_settings.readOnly = readOnly && readOnly->Type() == kVtBool && readOnly->IntegerPayload() != 0;
}

void CEditPoint::ReadFields(CArchive& ar, int version) {
  Settings& s = m_settings;
  s.numeric = ar.ReadInt32();
  if (version >= 44) s.password = ar.ReadInt32();
  s.rangeCheck = ar.ReadInt32();
  s.minimum = ar.ReadInt32();
  s.maximum = ar.ReadInt32();
  s.arrows = ar.ReadInt32();
  if (version >= 10) {
    s.lines = ar.ReadInt32();
  } else if (version >= 5) {
    ar.ReadInt32();
    const int32_t beside = ar.ReadInt32();
    s.lines = beside != 0 && s.numeric != 0 ? 0 : 1;
  } else {
    s.lines = s.numeric != 0 ? 0 : 1;
  }
  // A one-line box beside the caption had a fixed width before version 21.
  if (version < 21 && s.lines == 0) s.lines = -4;
  if (version >= 25) s.maxLength = ar.ReadInt32();
  if (version >= 30) s.padWidth = ar.ReadInt32();
}

void CEditPoint::WriteFields(CArchive& ar) {
  const Settings& s = m_settings;
  ar.WriteInt32(s.numeric);
  ar.WriteInt32(s.password);
  ar.WriteInt32(s.rangeCheck);
  ar.WriteInt32(s.minimum);
  ar.WriteInt32(s.maximum);
  ar.WriteInt32(s.arrows);
  ar.WriteInt32(s.lines);
  ar.WriteInt32(s.maxLength);
  ar.WriteInt32(s.padWidth);
}
