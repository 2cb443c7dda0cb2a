#include "sessions/session.h"

#include <QtEndian>
#include <cstring>

#include "app/services.h"
#include "sessions/session_database.h"
#include "values/archive.h"

CSession::CSession(const QString& unitId, bool fresh) : m_unitId(unitId) {
  if (fresh) {
    m_guid = NewGuid();
    m_created = CSystemTime::Now();
  }
}

CSessionPtr CSession::Create(const QString& unitId, bool fresh) {
  return CSessionPtr(new CSession(unitId, fresh));
}

uint32_t CSession::AddRef() {
  ref.ref();
  return static_cast<uint32_t>(ref.loadRelaxed());
}

uint32_t CSession::Release() {
  if (!ref.deref()) {
    delete this;
    return 0;
  }
  return static_cast<uint32_t>(ref.loadRelaxed());
}

CSessionPtr CSession::Clone() const {
  CSessionPtr copy = Create(m_unitId, true);
  copy->m_created = m_created;
  copy->m_saved = m_saved;
  // The map lowers the names again as it takes them.
  m_values.ForEach([&copy](const QString& key, const CVariant& value) {
    copy->m_values.SetVariant(key, value);
  });
  return copy;
}

// ---- values

void CSession::SetValueText(const QString& name, const QString& text) {
  m_values.SetText(name, text);
}

void CSession::SetValue(const QString& name, const CVariant& value) {
  m_values.SetVariant(name, value);
}

bool CSession::GetValue(const QString& name, CVariant& value, const QString& defaultText) const {
  const CVariant* stored = m_values.Find(name);
  if (stored && !stored->IsEmpty()) {
    value = *stored;
    return true;
  }
  value = defaultText.isEmpty() ? CVariant() : CVariant::FromString(defaultText);
  return false;
}

bool CSession::GetValue(const QString& name, CVariant& value, const CVariant& defaultValue) const {
  const CVariant* stored = m_values.Find(name);
  if (stored && !stored->IsEmpty()) {
    value = *stored;
    return true;
  }
  value = defaultValue;
  return false;
}

QString CSession::GetValueText(const QString& name) const { return m_values.GetText(name); }

bool CSession::CopyValues(const CVariantMap& from) {
  m_values.AssignFrom(from);
  return m_values.Count() > 0;
}

bool CSession::SetFlags(uint32_t flags) {
  m_flags = flags;
  if (m_new) return true;
  if (!m_database) return false;
  return m_database->SetSessionFlags(m_guid, flags);
}

// ---- archive form

void CSession::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    Write(ar);
  } else {
    Read(ar);
  }
}

void CSession::Write(CArchive& ar) const {
  ar.WriteInt32(kArchiveVersion);
  ar.WriteBytes(GuidBytes(m_guid));
  ar.WriteInt32(0);
  ar.WriteString(m_unitId);
  m_created.Write(ar);
  m_saved.Write(ar);
  m_values.Serialize(ar, false);
}

void CSession::Read(CArchive& ar) {
  const int32_t version = ar.ReadInt32();
  if (version < 1 || version > 5) throw CArchiveError("unsupported session archive version");
  QUuid guid;
  QString unitId = m_unitId;
  if (version >= 2) {
    const QByteArray bytes = ar.ReadBytes(16);
    guid = GuidFromBytes(bytes.constData(), bytes.size());
  }
  if (version == 4) ar.ReadInt32();  // a word of earlier writers without meaning here
  if (version >= 3) unitId = ar.ReadString();
  const CSystemTime created = CSystemTime::Read(ar);
  const CSystemTime saved = CSystemTime::Read(ar);
  CVariantMap values;
  if (version >= 4) {
    values.Deserialize(ar, false);
  } else {
    // The old form: name / value text pairs.
    const int32_t count = ar.ReadCount();
    for (int32_t i = 0; i < count; ++i) {
      const QString name = ar.ReadString();
      const QString text = ar.ReadString();
      values.SetText(name, text);
    }
  }
  // Everything read: only now does the session change, so a damaged archive leaves it as it was.
  m_guid = guid.isNull() ? NewGuid() : guid;
  m_unitId = unitId;
  m_created = created;
  m_saved = saved;
  m_values = std::move(values);
  m_flags = 0;
  m_state = 0;
  m_stateTime = 0;
  m_new = true;
}

bool CSession::ReadArchive(const QByteArray& bytes) {
  try {
    CArchive ar(bytes);
    Read(ar);
    return true;
  } catch (const CArchiveError&) {
    return false;
  }
}

QByteArray CSession::WriteArchive() const {
  CArchive ar;
  Write(ar);
  return ar.Buffer();
}

// ---- identity helpers

QUuid CSession::NewGuid() {
  QByteArray bytes = CServices::Instance().RandomBytes(16);
  bytes.resize(16);
  // A version 4 (random) GUID in the RFC 4122 byte order.
  bytes[6] = static_cast<char>((bytes[6] & 0x0F) | 0x40);
  bytes[8] = static_cast<char>((bytes[8] & 0x3F) | 0x80);
  QUuid guid = QUuid::fromRfc4122(bytes);
  if (guid.isNull()) guid = QUuid::createUuid();
  return guid;
}

QString CSession::GuidText(const QUuid& guid) {
  // Written digit by digit: the query and the export format one per row.
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  QString text(36, Qt::Uninitialized);
  QChar* out = text.data();
  auto put = [&out](uint64_t value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
      *out++ = kDigits[(value >> shift) & 0xF];
  };
  put(guid.data1, 8);
  *out++ = u'-';
  put(guid.data2, 4);
  *out++ = u'-';
  put(guid.data3, 4);
  *out++ = u'-';
  put(guid.data4[0], 2);
  put(guid.data4[1], 2);
  *out++ = u'-';
  for (int i = 2; i < 8; ++i) put(guid.data4[i], 2);
  return text;
}

QByteArray CSession::GuidBytes(const QUuid& guid) {
  QByteArray bytes(16, '\0');
  char* out = bytes.data();
  qToLittleEndian<uint32_t>(guid.data1, out);
  qToLittleEndian<uint16_t>(guid.data2, out + 4);
  qToLittleEndian<uint16_t>(guid.data3, out + 6);
  std::memcpy(out + 8, guid.data4, 8);
  return bytes;
}

QUuid CSession::GuidFromBytes(const void* bytes, qsizetype size) {
  if (!bytes || size < 16) return QUuid();
  const auto* in = static_cast<const uchar*>(bytes);
  return QUuid(qFromLittleEndian<uint32_t>(in), qFromLittleEndian<uint16_t>(in + 4),
               qFromLittleEndian<uint16_t>(in + 6), in[8], in[9], in[10], in[11], in[12], in[13],
               in[14], in[15]);
}

QUuid CSession::GuidFromText(const QString& text) {
  const QString trimmed = text.trimmed();
  return QUuid::fromString(trimmed);
}
