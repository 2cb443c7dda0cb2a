#include "automation/custom_point_site.h"

#include <QObject>
#include <QRect>

#include "automation/automation_root.h"
#include "automation/facet_support.h"
#include "automation/x_point.h"
#include "points/custom_point.h"
#include "project/page.h"
#include "project/page_window.h"
#include "project/project.h"
#include "project/template_expander.h"
#include "values/abi_values.h"
#include "values/file_blob.h"
#include "values/variant.h"

using qlt::automation::ReturnBool;
using qlt::automation::ReturnLong;
using qlt::automation::ReturnNoObject;
using qlt::automation::ReturnObject;
using qlt::automation::ReturnText;

#define QLT_REQUIRE_SITE() \
  if (m_point == nullptr) return RPC_E_DISCONNECTED

HRESULT XCustomPointSite::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (riid == IBuiltInSite::kIid) {
    *ppv = static_cast<IBuiltInSite*>(this);
  } else if (riid == IID_IUnknown || riid == ICustomPointSite::kIid ||
             riid == ICustomPointSite2::kIid) {
    *ppv = static_cast<ICustomPointSite2*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG XCustomPointSite::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

QltRect XCustomPointSite::ToAbi(const QRect& rect) {
  return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

QRect XCustomPointSite::FromAbi(const QltRect& rect) {
  return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

CBasePoint* XCustomPointSite::Named(BSTR name) const {
  CProject* project = m_point->Project();
  if (project == nullptr) return nullptr;
  return project->FindPointByName(TextFromBstr(name), m_point);
}

HRESULT XCustomPointSite::GetApplication(IDispatch** ppApplication) {
  if (m_root == nullptr) return ReturnNoObject(ppApplication, RPC_E_DISCONNECTED);
  return ReturnObject(ppApplication, m_root->ApplicationFacet());
}

HRESULT XCustomPointSite::GetProject(IDispatch** ppProject) {
  if (m_point == nullptr) return ReturnNoObject(ppProject, RPC_E_DISCONNECTED);
  IDispatch* project = m_root->ProjectFacet(m_point->Project());
  return project ? ReturnObject(ppProject, project) : ReturnNoObject(ppProject, E_FAIL);
}

HRESULT XCustomPointSite::GetPage(IDispatch** ppPage) {
  if (m_point == nullptr) return ReturnNoObject(ppPage, RPC_E_DISCONNECTED);
  IDispatch* page = m_root->PageFacet(m_point->Page());
  return page ? ReturnObject(ppPage, page) : ReturnNoObject(ppPage, E_FAIL);
}

HRESULT XCustomPointSite::GetPoint(IDispatch** ppPoint) {
  if (m_point == nullptr) return ReturnNoObject(ppPoint, RPC_E_DISCONNECTED);
  return ReturnObject(ppPoint, m_root->PointFacet(m_point));
}

HRESULT XCustomPointSite::GetName(BSTR* pstrName) {
  QLT_REQUIRE_SITE();
  return ReturnText(pstrName, m_point->Name());
}

HRESULT XCustomPointSite::GetCaption(BSTR* pstrCaption) {
  QLT_REQUIRE_SITE();
  return ReturnText(pstrCaption, m_point->Caption());
}

HRESULT XCustomPointSite::GetBold(LONG* pnBold) {
  QLT_REQUIRE_SITE();
  return ReturnLong(pnBold, m_point->Bold());
}

HRESULT XCustomPointSite::GetRequired(LONG* pnRequired) {
  QLT_REQUIRE_SITE();
  return ReturnLong(pnRequired, m_point->RequiredMode());
}

HRESULT XCustomPointSite::GetVisible(VARIANT_BOOL* pbVisible) {
  QLT_REQUIRE_SITE();
  return ReturnBool(pbVisible, m_point->Visible() != 0);
}

HRESULT XCustomPointSite::GetReadOnly(VARIANT_BOOL* pbReadOnly) {
  QLT_REQUIRE_SITE();
  CProject* project = m_point->Project();
  return ReturnBool(pbReadOnly, project != nullptr && project->IsReadOnly());
}

HRESULT XCustomPointSite::GetHWND(LONGLONG* phWnd) {
  QLT_REQUIRE_SITE();
  if (phWnd == nullptr) return E_POINTER;
  // The widget page display is a QWidget; a page window without widgets has no handle.
  auto* object = dynamic_cast<QObject*>(m_point->Window());
  *phWnd = object != nullptr && object->isWidgetType() ? reinterpret_cast<LONGLONG>(object) : 0;
  return S_OK;
}

HRESULT XCustomPointSite::GetRect(QltRect* pRect) {
  QLT_REQUIRE_SITE();
  if (pRect == nullptr) return E_POINTER;
  *pRect = ToAbi(m_point->ItemRect());
  return S_OK;
}

HRESULT XCustomPointSite::GetValue(BSTR* pstrValue) {
  QLT_REQUIRE_SITE();
  return ReturnText(pstrValue, m_point->OutputText());
}

HRESULT XCustomPointSite::SetValue(BSTR strValue) {
  QLT_REQUIRE_SITE();
  // The path of typing into the point: stores, repaints and tells the dependants.
  m_point->DefaultSetValue(TextFromBstr(strValue));
  return S_OK;
}

HRESULT XCustomPointSite::Invalidate() {
  QLT_REQUIRE_SITE();
  m_point->InvalidatePoint();
  return S_OK;
}

HRESULT XCustomPointSite::AddPrecedent(BSTR strPoint) {
  QLT_REQUIRE_SITE();
  CBasePoint* precedent = Named(strPoint);
  if (precedent == nullptr) return E_FAIL;
  precedent->AddDependent(m_point);
  return S_OK;
}

HRESULT XCustomPointSite::AddDependent(BSTR strPoint) {
  QLT_REQUIRE_SITE();
  CBasePoint* dependant = Named(strPoint);
  if (dependant == nullptr) return E_FAIL;
  m_point->AddDependent(dependant);
  return S_OK;
}

HRESULT XCustomPointSite::GetPointValue(BSTR strPoint, BSTR* pstrValue) {
  QLT_REQUIRE_SITE();
  if (pstrValue == nullptr) return E_POINTER;
  *pstrValue = nullptr;
  CBasePoint* point = Named(strPoint);
  if (point == nullptr) return E_FAIL;
  return ReturnText(pstrValue, point->OutputText());
}

HRESULT XCustomPointSite::DefaultShow() {
  QLT_REQUIRE_SITE();
  m_point->DefaultShow(m_point->Window());
  return S_OK;
}

HRESULT XCustomPointSite::DefaultVerify(VARIANT_BOOL* pbValid) {
  QLT_REQUIRE_SITE();
  return ReturnBool(pbValid, m_point->DefaultVerify());
}

HRESULT XCustomPointSite::DefaultHide() {
  QLT_REQUIRE_SITE();
  m_point->DefaultHide();
  return S_OK;
}

HRESULT XCustomPointSite::DefaultSetValue(BSTR strValue) {
  QLT_REQUIRE_SITE();
  m_point->DefaultSetValue(TextFromBstr(strValue));
  return S_OK;
}

HRESULT XCustomPointSite::DefaultGetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) {
  QLT_REQUIRE_SITE();
  return ReturnLong(pnHeight, m_point->DefaultGetHeight(hDC, nWidth));
}

HRESULT XCustomPointSite::DefaultPaint(QPainter* hDC, const QltRect* pRect) {
  QLT_REQUIRE_SITE();
  const QRect saved = m_point->ItemRect();
  if (pRect != nullptr) m_point->SetItemRect(FromAbi(*pRect));
  m_point->DefaultPaint(hDC);
  m_point->SetItemRect(saved);
  return S_OK;
}

HRESULT XCustomPointSite::DefaultOnTap(LONG x, LONG y) {
  QLT_REQUIRE_SITE();
  m_point->DefaultOnTap(x, y);
  return S_OK;
}

HRESULT XCustomPointSite::DefaultOnDep(IDispatch* pPoint) {
  QLT_REQUIRE_SITE();
  m_point->DefaultOnDep(XPoint::PointOf(pPoint));
  return S_OK;
}

HRESULT XCustomPointSite::DefaultOnCommand(ULONG, LONGLONG) {
  QLT_REQUIRE_SITE();
  return S_OK;
}

HRESULT XCustomPointSite::GetValueV(VARIANT* pvValue) {
  QLT_REQUIRE_SITE();
  if (pvValue == nullptr) return E_POINTER;
  VariantInit(pvValue);
  return ValueToAbi(m_point->Value(), pvValue);
}

HRESULT XCustomPointSite::SetValueV(VARIANT vValue, VARIANT_BOOL* pbResult) {
  QLT_REQUIRE_SITE();
  CVariant value;
  const HRESULT hr = ValueFromAbi(vValue, value);
  if (FAILED(hr)) return hr;
  int32_t result = kPointOk;
  QString text;
  if (FileBlob::IsFile(value)) {
    // A file value is held as it is, as the file point holds it, so that photos and voice clips
    // reach the session whole instead of as text.
    if (m_point->StoreValue(value)) m_point->InvalidatePoint();
  } else if (value.ToText(text)) {
    // The base's own text setter: the point's SetValue would hand the text back to the control,
    // whose SetValueV may well be what called us.
    m_point->DefaultSetValue(text);
  } else {
    result = kPointTypeMismatch;
  }
  if (pbResult != nullptr) *pbResult = result == kPointOk ? VARIANT_TRUE : VARIANT_FALSE;
  return result == kPointOk ? S_OK : result;
}

HRESULT XCustomPointSite::GetPointValueV(BSTR strPoint, VARIANT* pvValue) {
  QLT_REQUIRE_SITE();
  if (pvValue == nullptr) return E_POINTER;
  VariantInit(pvValue);
  CBasePoint* point = Named(strPoint);
  if (point == nullptr) return E_FAIL;
  return ValueToAbi(point->Value(), pvValue);
}

HRESULT XCustomPointSite::DefaultSetValueV(VARIANT vValue, VARIANT_BOOL* pbResult) {
  return SetValueV(vValue, pbResult);
}

HRESULT XCustomPointSite::DefaultGetOutputString(VARIANT vValue, BSTR strBaseFile, LONG nIndex,
                                                 BSTR* pstrOutput) {
  QLT_REQUIRE_SITE();
  if (pstrOutput == nullptr) return E_POINTER;
  *pstrOutput = nullptr;
  CVariant value;
  const HRESULT hr = ValueFromAbi(vValue, value);
  if (FAILED(hr)) return hr;
  QString text;
  if (!m_point->DefaultGetOutputString(value, TextFromBstr(strBaseFile),
                                       static_cast<uint32_t>(nIndex), text)) {
    return E_FAIL;
  }
  return ReturnText(pstrOutput, text);
}

HRESULT XCustomPointSite::InvalidateLayout() {
  QLT_REQUIRE_SITE();
  if (CPageWindow* window = m_point->Window()) window->Relayout();
  return S_OK;
}

HRESULT XCustomPointSite::ResolveValue(BSTR strTemplate, BSTR* pstrValue) {
  QLT_REQUIRE_SITE();
  CProject* project = m_point->Project();
  const QString text = TextFromBstr(strTemplate);
  return ReturnText(pstrValue, project ? CTemplateExpander::Expand(*project, text, nullptr) : text);
}

CCustomPoint* XCustomPointSite::HostPoint() { return m_point; }
