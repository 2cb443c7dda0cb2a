// CCustomPoint (type code 12, "Custom"): a point whose behaviour lives in a separate control,
// found by its class identifier. Only the file record and the fields (class identifier,
// user-type name, the control's property map) exist so far; no control is created yet and every
// operation is still the base point's. Owned by its CPage; UI thread only.
#pragma once

#include <QUuid>

#include "project/base_point.h"

class CCustomPoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 12;

  CCustomPoint();

  const QUuid& ClassId() const { return m_classId; }
  void SetClassId(const QUuid& classId);
  // The control's short user-type name as registered ("TWKF.Camera" for a built-in class).
  const QString& UserTypeName() const { return m_userTypeName; }
  void SetUserTypeName(const QString& name);
  // The properties the control stores and reloads (its property bag).
  const CVariantMap& Bag() const { return m_bag; }
  CVariantMap& MutableBag() { return m_bag; }

  // The 16 bytes of a class identifier as stored (first three fields little-endian).
  static QByteArray ClassIdBytes(const QUuid& classId);
  static QUuid ClassIdFromBytes(const QByteArray& bytes);

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  QUuid m_classId;
  QString m_userTypeName;
  CVariantMap m_bag;
};
