// CSession: one filled-in record of a project: its identity, times, flags, state, the unit that
// made it and the values of its points by (lower-cased) point name, with its archive form.
// Sessions are reference-counted (they are automation objects): whoever creates one holds the
// first reference, usually through a CSessionPtr. A stored session refers to the database it was
// read from or saved in, without owning it. UI thread only.
#pragma once

#include <QByteArray>
#include <QExplicitlySharedDataPointer>
#include <QSharedData>
#include <QString>
#include <QUuid>
#include <cstdint>

#include "sessions/system_time.h"
#include "values/variant.h"
#include "values/variant_map.h"

class CArchive;
class CSession;
class CSessionDatabase;

using CSessionPtr = QExplicitlySharedDataPointer<CSession>;

class CSession : public QSharedData {
 public:
  // Flag bits.
  static constexpr uint32_t kFlagReceived = 1;  // pushed by the server, not opened since
  static constexpr uint32_t kFlagMarked = 2;    // marked for sending
  // States.
  static constexpr uint32_t kStateActive = 0;
  static constexpr uint32_t kStateSent = 1;
  static constexpr uint32_t kStateDeleted = 2;
  // The version the archive form is written in, and the range it is read in.
  static constexpr int32_t kArchiveVersion = 4;

  // With `fresh`, a newly generated GUID and created = now; without, both all zero (a session
  // about to be filled from the database or an archive). Either way the session is new, has the
  // given unit ID (the current one, for a session made now) and nothing else.
  CSession(const QString& unitId, bool fresh);
  CSession(const CSession&) = delete;
  CSession& operator=(const CSession&) = delete;

  // A new reference-counted session.
  static CSessionPtr Create(const QString& unitId, bool fresh);

  // Automation-style reference counting; Release deletes the session with its last reference.
  uint32_t AddRef();
  uint32_t Release();

  // A fresh session with the unit ID, times and values of this one; flags, state and state time
  // are 0, and it is stored nowhere yet.
  CSessionPtr Clone() const;

  // ---- values
  void SetValueText(const QString& name, const QString& text);
  void SetValue(const QString& name, const CVariant& value);
  // True with the value when the session holds a non-empty value under the name; otherwise false
  // and `value` is the default (the text only when it is not empty, else an empty value).
  bool GetValue(const QString& name, CVariant& value, const QString& defaultText) const;
  bool GetValue(const QString& name, CVariant& value, const CVariant& defaultValue) const;
  // The value's text form ("(Binary)" for arrays, empty when missing).
  QString GetValueText(const QString& name) const;
  // Replaces every value by a copy of the map's; true when the session then holds a value.
  bool CopyValues(const CVariantMap& from);
  const CVariantMap& Values() const { return m_values; }
  CVariantMap& MutableValues() { return m_values; }

  // ---- flags: SetFlags also writes them to the session's database when the session is stored
  // and returns that result (the flags in memory change in any case).
  uint32_t Flags() const { return m_flags; }
  bool SetFlags(uint32_t flags);
  // Only the in-memory flags (the database, filling a session it read).
  void AssignFlags(uint32_t flags) { m_flags = flags; }

  // ---- fields the database and the editing flow read and write directly
  bool IsNew() const { return m_new; }
  void SetNew(bool isNew) { m_new = isNew; }
  // The database the session was read from or last saved in; nullptr while it is new.
  CSessionDatabase* Database() const { return m_database; }
  void SetDatabase(CSessionDatabase* database) { m_database = database; }
  const QUuid& Guid() const { return m_guid; }
  void SetGuid(const QUuid& guid) { m_guid = guid; }
  // 36 upper-case hexadecimal characters with hyphens, no braces.
  QString GuidText() const { return GuidText(m_guid); }
  const QString& UnitId() const { return m_unitId; }
  void SetUnitId(const QString& unitId) { m_unitId = unitId; }
  const CSystemTime& Created() const { return m_created; }
  void SetCreated(const CSystemTime& time) { m_created = time; }
  const CSystemTime& Saved() const { return m_saved; }
  void SetSaved(const CSystemTime& time) { m_saved = time; }
  uint32_t State() const { return m_state; }
  void SetState(uint32_t state) { m_state = state; }
  int64_t StateTime() const { return m_stateTime; }
  void SetStateTime(int64_t seconds) { m_stateTime = seconds; }

  // ---- archive form: writes version 4, reads versions 1 to 5. Reading throws CArchiveError on a
  // bad version or malformed data (the caller discards the half-read session); it resets flags,
  // state and state time to 0 and marks the session new; an all-zero GUID is replaced by a new one.
  void Serialize(CArchive& ar);
  // The same at an operation's boundary: false (and the session untouched) on any archive error.
  bool ReadArchive(const QByteArray& bytes);
  QByteArray WriteArchive() const;

  // ---- identity helpers
  static QUuid NewGuid();
  static QString GuidText(const QUuid& guid);
  // The 16 raw bytes of the GUID structure (first field and the two 16-bit fields little-endian).
  static QByteArray GuidBytes(const QUuid& guid);
  // From 16 raw bytes; a null GUID when fewer are given.
  static QUuid GuidFromBytes(const void* bytes, qsizetype size);
  // From text with or without braces; a null GUID when it is not one.
  static QUuid GuidFromText(const QString& text);

 private:
  ~CSession() = default;
  friend class QExplicitlySharedDataPointer<CSession>;

  void Write(CArchive& ar) const;
  void Read(CArchive& ar);

  CSessionDatabase* m_database = nullptr;
  bool m_new = true;
  QUuid m_guid;
  QString m_unitId;
  CSystemTime m_created;
  CSystemTime m_saved;
  uint32_t m_flags = 0;
  CVariantMap m_values;
  uint32_t m_state = 0;
  int64_t m_stateTime = 0;
};
