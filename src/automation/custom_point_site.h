// XCustomPointSite: the ICustomPointSite2 a custom point offers its control: the point's
// surroundings as automation objects, its fields and value, and the base point's own behaviours
// that bypass the control. One per hosted control, made by CHostedControl; owned by its
// references (the control usually keeps one). Detached when the point lets its control go: from
// then on every member answers RPC_E_DISCONNECTED. UI thread.
#pragma once

#include "points/builtin_control.h"
#include "qlt_custom_point.h"

class CAutomationRoot;
class CBasePoint;
class CCustomPoint;
class QRect;

class XCustomPointSite final : public ICustomPointSite2, public IBuiltInSite {
 public:
  XCustomPointSite(CAutomationRoot* root, CCustomPoint* point) : m_root(root), m_point(point) {}
  void Detach() {
    m_point = nullptr;
    m_root = nullptr;
  }

  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override;

  HRESULT GetApplication(IDispatch** ppApplication) override;
  HRESULT GetProject(IDispatch** ppProject) override;
  HRESULT GetPage(IDispatch** ppPage) override;
  HRESULT GetPoint(IDispatch** ppPoint) override;
  HRESULT GetName(BSTR* pstrName) override;
  HRESULT GetCaption(BSTR* pstrCaption) override;
  HRESULT GetBold(LONG* pnBold) override;
  HRESULT GetRequired(LONG* pnRequired) override;
  HRESULT GetVisible(VARIANT_BOOL* pbVisible) override;
  HRESULT GetReadOnly(VARIANT_BOOL* pbReadOnly) override;
  HRESULT GetHWND(LONGLONG* phWnd) override;
  HRESULT GetRect(QltRect* pRect) override;
  HRESULT GetValue(BSTR* pstrValue) override;
  HRESULT SetValue(BSTR strValue) override;
  HRESULT Invalidate() override;
  HRESULT AddPrecedent(BSTR strPoint) override;
  HRESULT AddDependent(BSTR strPoint) override;
  HRESULT GetPointValue(BSTR strPoint, BSTR* pstrValue) override;
  HRESULT DefaultShow() override;
  HRESULT DefaultVerify(VARIANT_BOOL* pbValid) override;
  HRESULT DefaultHide() override;
  HRESULT DefaultSetValue(BSTR strValue) override;
  HRESULT DefaultGetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) override;
  HRESULT DefaultPaint(QPainter* hDC, const QltRect* pRect) override;
  HRESULT DefaultOnTap(LONG x, LONG y) override;
  HRESULT DefaultOnDep(IDispatch* pPoint) override;
  HRESULT DefaultOnCommand(ULONG nCommand, LONGLONG nArgument) override;
  HRESULT GetValueV(VARIANT* pvValue) override;
  HRESULT SetValueV(VARIANT vValue, VARIANT_BOOL* pbResult) override;
  HRESULT GetPointValueV(BSTR strPoint, VARIANT* pvValue) override;
  HRESULT DefaultSetValueV(VARIANT vValue, VARIANT_BOOL* pbResult) override;
  HRESULT DefaultGetOutputString(VARIANT vValue, BSTR strBaseFile, LONG nIndex,
                                 BSTR* pstrOutput) override;
  HRESULT InvalidateLayout() override;
  HRESULT ResolveValue(BSTR strTemplate, BSTR* pstrValue) override;
  CCustomPoint* HostPoint() override;

  static QltRect ToAbi(const QRect& rect);
  static QRect FromAbi(const QltRect& rect);

 private:
  ~XCustomPointSite() = default;
  // The named point of the project, never the site's own; nullptr when there is none.
  CBasePoint* Named(BSTR name) const;

  CAutomationRoot* m_root;
  CCustomPoint* m_point;
  ULONG m_refs = 1;
};
