// CBuiltInControl: the common part of the controls the program brings for its own custom points
// (numeric entry, stopwatch, GPS, camera, ...). Such a control is an ordinary custom-point control
// made by class identifier through the hosting, and talks to the client only through its site and
// the automation objects, like a control from an outside library. This base answers the
// interfaces, keeps the reference count and the site, makes every operation the site's default
// one until a control overrides it, and turns the property bag into plain Qt values. Controls that
// call the automation interfaces themselves convert with values/abi_values.h.
// BuiltInControlType makes a control's registry descriptor, with its creator, for the
// CPointTypeRegistration in the control's own source file. UI thread only.
#pragma once

#include <QRect>
#include <QString>
#include <new>

#include "project/point_type.h"
#include "qlt_automation.h"
#include "qlt_custom_point.h"
#include "values/variant.h"

class CCustomPoint;
class CPageWindow;
class QFont;
class QWidget;

// What the client's own site offers the client's own controls beyond the public contract: the
// point itself, so a control can make the page window's child controls for it (their
// notifications reach the point and so the control's OnCommand). Outside controls never see it.
struct IBuiltInSite : IUnknown {
  static constexpr IID kIid =
      qlt::automation::GuidLiteral("{B3F1C2A4-5D6E-4F70-8A91-2C3D4E5F6A7B}");
  // The point, or nullptr once the point has let its control go.
  virtual CCustomPoint* HostPoint() = 0;
};

// The properties a control loads: each reader gives `fallback` when the name is absent or does
// not convert.
class CBagReader {
 public:
  explicit CBagReader(IPropertyBag* bag) : m_bag(bag) {}
  bool Has(const char* name) const;
  int32_t Int(const char* name, int32_t fallback = 0) const;
  double Double(const char* name, double fallback = 0) const;
  QString Text(const char* name, const QString& fallback = QString()) const;
  bool Flag(const char* name, bool fallback = false) const { return Int(name, fallback) != 0; }

 private:
  bool Read(const char* name, VARTYPE vt, VARIANT* out) const;
  IPropertyBag* m_bag;
};

// The properties a control saves. A failed write is remembered (Ok()).
class CBagWriter {
 public:
  explicit CBagWriter(IPropertyBag* bag) : m_bag(bag) {}
  void Int(const char* name, int32_t value);
  void Double(const char* name, double value);
  void Text(const char* name, const QString& value);
  void Flag(const char* name, bool value) { Int(name, value ? 1 : 0); }
  bool Ok() const { return m_ok; }

 private:
  void Write(const char* name, VARIANT& value);
  IPropertyBag* m_bag;
  bool m_ok = true;
};

class CBuiltInControl : public ICustomPoint2, public IPersistPropertyBag {
 public:
  explicit CBuiltInControl(const GUID& classId);
  CBuiltInControl(const CBuiltInControl&) = delete;
  CBuiltInControl& operator=(const CBuiltInControl&) = delete;

  // ---- IUnknown (ICustomPoint, ICustomPoint2, IPersistPropertyBag)
  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // ---- ICustomPoint: each the site's default operation unless a control overrides it
  HRESULT SetSite(ICustomPointSite* pSite) override;
  HRESULT Configure(VARIANT_BOOL* pbResult) override;  // no design-time configuration
  HRESULT Init() override;                             // nothing
  HRESULT Show() override;
  HRESULT Verify(VARIANT_BOOL* pbValid) override;
  HRESULT Hide() override;
  HRESULT SetValue(BSTR strValue) override;
  HRESULT GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) override;
  HRESULT Paint(QPainter* hDC, const QltRect* pRect) override;
  HRESULT OnTap(LONG x, LONG y) override;
  HRESULT OnCommand(ULONG nCommand, LONGLONG nArgument) override;
  HRESULT OnDep(IDispatch* pPoint) override;
  HRESULT OnTelegram(IDispatch* pTelegram) override;                   // nothing
  HRESULT SetValueV(VARIANT vValue, VARIANT_BOOL* pbResult) override;  // as text, to SetValue
  HRESULT GetOutputString(VARIANT vValue, BSTR strBaseFile, LONG nIndex, BSTR* pstrOutput) override;

  // ---- IPersistPropertyBag (LoadProperties / SaveProperties)
  HRESULT GetClassID(CLSID* pClassID) override;
  HRESULT InitNew() override;
  HRESULT Load(IPropertyBag* pPropBag, IUnknown* pErrorLog) override;
  HRESULT Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties) override;

 protected:
  virtual ~CBuiltInControl();

  virtual void LoadProperties(const CBagReader& bag) { (void)bag; }
  virtual void SaveProperties(CBagWriter& bag) const { (void)bag; }
  // Called when the site goes (before it is released) or is replaced.
  virtual void SiteChanging() {}

  // The site (ICustomPointSite2), or nullptr before SetSite and after the point lets go.
  ICustomPointSite2* Site() const { return m_site; }
  // Qt-typed calls of the site; without a site they do nothing and give empty results.
  QString Value() const;
  bool SetSiteValue(const QString& text);
  // The value as it is held (a file blob stays a byte array), and setting one; false when the
  // site refuses it.
  CVariant ValueV() const;
  bool SetSiteValueV(const CVariant& value);
  // The value text of another point of the project; `found` tells whether it exists.
  QString PointValue(const QString& name, bool* found = nullptr) const;
  // The template with its point references filled in for the current session.
  QString ResolveValue(const QString& templateText) const;
  bool AddPrecedent(const QString& name);
  bool AddDependent(const QString& name);
  void Invalidate() const;
  void InvalidateLayout() const;
  QRect Rect() const;
  // The page window the point is shown in, or nullptr (not shown, or no widget).
  QWidget* PageWidget() const;
  // The point the control is hosted in, and the page window (widgets or not) while its page is
  // shown; nullptr without the client's own site.
  CCustomPoint* HostPoint() const;
  CPageWindow* HostWindow() const;
  bool ReadOnly() const;
  QString Caption() const;
  QString Name() const;
  // The project's normal page font (the shared one without a project).
  QFont PageFont() const;
  // For controls that put a box beside their caption: the caption's height when it has `width`
  // pixels (at least one), and the caption drawn in the item's first `width` pixels, both the
  // site's default operations.
  HRESULT CaptionHeight(QPainter* painter, int width, LONG* height) const;
  void PaintCaption(QPainter* painter, const QRect& item, int width) const;
  // Rectangles between Qt's inclusive form and the ABI's exclusive right and bottom.
  static QRect FromAbi(const QltRect& rect);
  static QltRect ToAbi(const QRect& rect);

 private:
  GUID m_classId;
  ULONG m_refs = 1;
  ICustomPointSite2* m_site = nullptr;
};

template <class C>
IUnknown* CreateBuiltInControl() {
  return static_cast<ICustomPoint*>(new (std::nothrow) C());
}

// The registry descriptor of a built-in control class (a custom point, type code 12).
CPointType BuiltInControlType(int rank, const char* classId, const char* progId,
                              const char* displayName, const char* description, int icon,
                              int32_t flags, IUnknown* (*create)() = nullptr);
