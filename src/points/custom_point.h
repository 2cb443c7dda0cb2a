// CCustomPoint (type code 12, "Custom"): a point whose behaviour lives in a separate control,
// found by its class identifier. The point keeps the file record and the fields (class
// identifier, user-type name, the control's property map) and forwards its operations to the
// control the automation layer's hosting attaches (CCustomControl); without one it draws the
// "CUSTOM POINT:" placeholder and behaves as the base point. Owned by its CPage, which owns the
// attached control through it; UI thread only.
#pragma once

#include <QUuid>
#include <memory>

#include "automation/com.h"
#include "project/base_point.h"

// The control of a custom point as the point sees it; the hosting implements it over the
// control's interfaces. Every call comes from the point's own operation of the same name.
class CCustomControl {
 public:
  virtual ~CCustomControl() = default;
  virtual bool Configure() = 0;
  virtual void Init() = 0;
  virtual void Show() = 0;
  virtual bool Verify() = 0;
  virtual void Hide() = 0;
  virtual void SetValue(const QString& text) = 0;
  virtual int32_t SetValueV(const CVariant& value) = 0;
  virtual int GetHeight(QPainter* painter, int width) = 0;
  virtual void Paint(QPainter* painter, const QRect& rect) = 0;
  virtual void OnTap(int x, int y) = 0;
  virtual void OnCommand(uint32_t command, intptr_t argument) = 0;
  virtual void OnDep(CBasePoint* changed) = 0;
  virtual void OnTelegram(CTelegram* telegram) = 0;
  // False: fall back to the base point's output string.
  virtual bool GetOutputString(const CVariant& value, const QString& baseFile, uint32_t index,
                               QString& text) = 0;
  // The control writes its current properties into the point's map (before the point is
  // written).
  virtual void SaveProperties() = 0;
};

class CCustomPoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 12;
  // Asked of the site by the program's own controls, which make their child controls in the
  // page window in the point's name: QueryInterface answers with the CCustomPoint itself (a core
  // object, no reference taken). Outside controls never learn this identifier.
  static constexpr IID kHostPointIid = {
      0x2B7E4C19, 0x5A3D, 0x4F60, {0x8E, 0x21, 0x6C, 0x94, 0x0D, 0x3B, 0x7A, 0x52}};

  CCustomPoint();

  const QUuid& ClassId() const { return m_classId; }
  void SetClassId(const QUuid& classId);
  // The control's short user-type name as registered ("TWKF.Camera" for a built-in class).
  const QString& UserTypeName() const { return m_userTypeName; }
  void SetUserTypeName(const QString& name);
  // The properties the control stores and reloads (its property bag).
  const CVariantMap& Bag() const { return m_bag; }
  CVariantMap& MutableBag() { return m_bag; }

  // The control, or nullptr (the placeholder). Attaching replaces (and releases) any earlier one.
  CCustomControl* Control() const { return m_control.get(); }
  void AttachControl(std::unique_ptr<CCustomControl> control);
  void ReleaseControl();

  // Design-time configuration: the control's answer, false without one.
  bool Configure();
  // The label of design lists: the caption when there is one (unless `withType`), else the
  // bracketed short type name ("TWKF." dropped, "FileCamera" shown as "Camera") and the caption
  // cut to 24 characters.
  QString DesignLabel(bool withType) const;
  // The short type name of the control class as lists show it.
  QString ShortTypeName() const;
  // The text the placeholder draws for a point without a control.
  QString PlaceholderText() const;

  void Init() override;
  void Show(CPageWindow* window) override;
  bool Hide(bool verify) override;
  int32_t SetValueV(const CVariant& value) override;
  void SetValue(const QString& text) override;
  int GetHeight(QPainter* painter, int width) override;
  int Paint(QPainter* painter) override;
  void OnTap(int x, int y) override;
  void OnCommand(uint32_t command, intptr_t argument) override;
  void OnDep(CBasePoint* changed) override;
  void OnTelegram(CTelegram* telegram) override;
  bool GetOutputString(const CVariant& value, const QString& baseFile, uint32_t index,
                       QString& text) override;
  QString GetLabel(bool preferCaption) override;

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
  std::unique_ptr<CCustomControl> m_control;
};
