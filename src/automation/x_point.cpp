#include "automation/x_point.h"

#include "automation/automation_root.h"
#include "automation/facet_support.h"
#include "automation/hosted_control.h"
#include "points/custom_point.h"
#include "points/sketch_point.h"
#include "project/base_point.h"
#include "project/page.h"
#include "project/point_factory.h"
#include "values/abi_values.h"
#include "values/variant.h"

using namespace qlt::automation;

#define QLT_REQUIRE_POINT() \
  if (m_point == nullptr) return RPC_E_DISCONNECTED

XPoint::XPoint(CAutomationRoot* root, CBasePoint* point)
    : TDispatchFacet(root, point), m_point(point) {}

const CDispatchTable& XPoint::Table() {
  static const CDispatchTable table({
      Bind<&XPoint::get_Value>("Value", 0, DISPATCH_PROPERTYGET),
      Bind<&XPoint::put_Value>("Value", 0, DISPATCH_PROPERTYPUT),
      Bind<&XPoint::get_Application>("Application", 1, DISPATCH_PROPERTYGET),
      Bind<&XPoint::get_Project>("Project", 2, DISPATCH_PROPERTYGET),
      Bind<&XPoint::get_Page>("Page", 3, DISPATCH_PROPERTYGET),
      Bind<&XPoint::get_Unique>("Unique", 0xa, DISPATCH_PROPERTYGET),
      Bind<&XPoint::get_TypeName>("TypeName", 0xb, DISPATCH_PROPERTYGET),
      Bind<&XPoint::get_TypeCode>("TypeCode", 0xc, DISPATCH_PROPERTYGET),
      Bind<&XPoint::get_Custom>("Custom", 0xd, DISPATCH_PROPERTYGET),
      Bind<&XPoint::get_Name>("Name", 0x14, DISPATCH_PROPERTYGET),
      Bind<&XPoint::put_Name>("Name", 0x14, DISPATCH_PROPERTYPUT),
      Bind<&XPoint::get_Caption>("Caption", 0x15, DISPATCH_PROPERTYGET),
      Bind<&XPoint::put_Caption>("Caption", 0x15, DISPATCH_PROPERTYPUT),
      Bind<&XPoint::get_Help>("Help", 0x16, DISPATCH_PROPERTYGET),
      Bind<&XPoint::put_Help>("Help", 0x16, DISPATCH_PROPERTYPUT),
      Bind<&XPoint::get_Default>("Default", 0x17, DISPATCH_PROPERTYGET),
      Bind<&XPoint::put_Default>("Default", 0x17, DISPATCH_PROPERTYPUT),
      Bind<&XPoint::get_Required>("Required", 0x1e, DISPATCH_PROPERTYGET),
      Bind<&XPoint::put_Required>("Required", 0x1e, DISPATCH_PROPERTYPUT),
      Bind<&XPoint::get_Visible>("Visible", 0x1f, DISPATCH_PROPERTYGET),
      Bind<&XPoint::put_Visible>("Visible", 0x1f, DISPATCH_PROPERTYPUT),
      Bind<&XPoint::get_Results>("Results", 0x20, DISPATCH_PROPERTYGET),
      Bind<&XPoint::put_Results>("Results", 0x20, DISPATCH_PROPERTYPUT),
      Bind<&XPoint::get_Bold>("Bold", 0x21, DISPATCH_PROPERTYGET),
      Bind<&XPoint::put_Bold>("Bold", 0x21, DISPATCH_PROPERTYPUT),
      Bind<&XPoint::AddDependent>("AddDependent", 0x28, DISPATCH_METHOD),
      Bind<&XPoint::UpdateDependents>("UpdateDependents", 0x29, DISPATCH_METHOD),
      Bind<&XPoint::get_VariantValue>("VariantValue", 4, DISPATCH_PROPERTYGET),
      Bind<&XPoint::put_VariantValue>("VariantValue", 4, DISPATCH_PROPERTYPUT),
      Bind<&XPoint::SaveSketchImage>("SaveSketchImage", 0x2a, DISPATCH_METHOD),
      Bind<&XPoint::SaveSketchImageEx>("SaveSketchImageEx", 0x2b, DISPATCH_METHOD),
      Bind<&XPoint::GetOutputString>("GetOutputString", 0x2c, DISPATCH_METHOD),
      Bind<&XPoint::get_DesignImageListIndex>("DesignImageListIndex", 0x32, DISPATCH_PROPERTYGET),
      Bind<&XPoint::get_AsXML>("AsXML", 0x33, DISPATCH_PROPERTYGET),
  });
  return table;
}

CBasePoint* XPoint::PointOf(IUnknown* object) {
  if (object == nullptr) return nullptr;
  void* raw = nullptr;
  if (FAILED(object->QueryInterface(kFacetIid, &raw)) || raw == nullptr) return nullptr;
  auto* facet = static_cast<CFacet*>(raw);
  auto* point = dynamic_cast<XPoint*>(facet);
  CBasePoint* result = point != nullptr ? point->m_point : nullptr;
  facet->ReleaseFacet();
  return result;
}

void XPoint::RedrawPage() const {
  if (m_point->Page() != nullptr) m_point->Page()->Relayout();
}

HRESULT XPoint::get_Value(BSTR* pstrValue) {
  QLT_REQUIRE_POINT();
  return ReturnText(pstrValue, m_point->OutputText());
}

HRESULT XPoint::put_Value(BSTR strValue) {
  QLT_REQUIRE_POINT();
  m_point->SetValue(TextFromBstr(strValue));
  return S_OK;
}

HRESULT XPoint::get_Application(IDispatch** ppApplication) {
  return ReturnApplication(ppApplication);
}

HRESULT XPoint::get_Project(IDispatch** ppProject) {
  if (m_point == nullptr) return ReturnNoObject(ppProject, RPC_E_DISCONNECTED);
  IDispatch* project = Root()->ProjectFacet(m_point->Project());
  if (project == nullptr) return ReturnNoObject(ppProject, E_FAIL);
  return ReturnObject(ppProject, project);
}

HRESULT XPoint::get_Page(IDispatch** ppPage) {
  if (m_point == nullptr) return ReturnNoObject(ppPage, RPC_E_DISCONNECTED);
  IDispatch* page = Root()->PageFacet(m_point->Page());
  if (page == nullptr) return ReturnNoObject(ppPage, E_FAIL);
  return ReturnObject(ppPage, page);
}

HRESULT XPoint::get_Unique(LONG* pnUnique) {
  QLT_REQUIRE_POINT();
  return ReturnLong(pnUnique, m_point->UniqueNumber());
}

HRESULT XPoint::get_TypeName(BSTR* pstrName) {
  QLT_REQUIRE_POINT();
  return ReturnText(pstrName, m_point->TypeName());
}

HRESULT XPoint::get_TypeCode(LONG* pnCode) {
  QLT_REQUIRE_POINT();
  return ReturnLong(pnCode, m_point->TypeCode());
}

HRESULT XPoint::get_Custom(IDispatch** ppCustom) {
  if (m_point == nullptr) return ReturnNoObject(ppCustom, RPC_E_DISCONNECTED);
  if (ppCustom == nullptr) return E_POINTER;
  // A custom point's control, when it has one and it answers to IDispatch.
  auto* custom = dynamic_cast<CCustomPoint*>(m_point);
  if (custom == nullptr) return ReturnNoObject(ppCustom, S_OK);
  auto* hosted = dynamic_cast<CHostedControl*>(custom->Control());
  void* raw = nullptr;
  if (hosted == nullptr || FAILED(hosted->Object()->QueryInterface(IID_IDispatch, &raw)) ||
      raw == nullptr) {
    return ReturnNoObject(ppCustom, S_FALSE);
  }
  *ppCustom = static_cast<IDispatch*>(raw);
  return S_OK;
}

HRESULT XPoint::get_Name(BSTR* pstr) {
  QLT_REQUIRE_POINT();
  return ReturnText(pstr, m_point->Name());
}

HRESULT XPoint::put_Name(BSTR str) {
  QLT_REQUIRE_POINT();
  // Other points and the stored sessions refer to a point by its name.
  if (Root()->IsRunning()) return E_UNEXPECTED;
  m_point->SetName(TextFromBstr(str));
  return S_OK;
}

HRESULT XPoint::get_Caption(BSTR* pstr) {
  QLT_REQUIRE_POINT();
  return ReturnText(pstr, m_point->Caption());
}

HRESULT XPoint::put_Caption(BSTR str) {
  QLT_REQUIRE_POINT();
  m_point->SetCaption(TextFromBstr(str));
  RedrawPage();
  return S_OK;
}

HRESULT XPoint::get_Help(BSTR* pstr) {
  QLT_REQUIRE_POINT();
  return ReturnText(pstr, m_point->Help());
}

HRESULT XPoint::put_Help(BSTR str) {
  QLT_REQUIRE_POINT();
  m_point->SetHelp(TextFromBstr(str));
  return S_OK;
}

HRESULT XPoint::get_Default(BSTR* pstr) {
  QLT_REQUIRE_POINT();
  if (pstr == nullptr) return E_POINTER;
  const CVariant& value = m_point->DefaultValue();
  if (value.IsString()) return ReturnText(pstr, value.StringPayload());
  if (value.IsArray()) {
    const HRESULT hr = ReturnText(pstr, QStringLiteral("(Binary)"));
    return FAILED(hr) ? hr : S_FALSE;
  }
  QString text;
  const bool converted = value.ToText(text);
  const HRESULT hr = ReturnText(pstr, converted ? text : QString());
  return FAILED(hr) || converted ? hr : S_FALSE;
}

HRESULT XPoint::put_Default(BSTR str) {
  QLT_REQUIRE_POINT();
  m_point->SetDefaultValue(CVariant::FromString(TextFromBstr(str)));
  return S_OK;
}

HRESULT XPoint::get_Required(LONG* pnMode) {
  QLT_REQUIRE_POINT();
  return ReturnLong(pnMode, m_point->RequiredMode());
}

HRESULT XPoint::put_Required(LONG nMode) {
  QLT_REQUIRE_POINT();
  m_point->SetRequiredMode(nMode);
  return S_OK;
}

HRESULT XPoint::get_Visible(VARIANT_BOOL* pbVisible) {
  QLT_REQUIRE_POINT();
  return ReturnBool(pbVisible, m_point->IsShown());
}

HRESULT XPoint::put_Visible(VARIANT_BOOL bVisible) {
  QLT_REQUIRE_POINT();
  m_point->SetShown(bVisible != 0);
  if (!Root()->IsRunning()) m_point->SetVisible(bVisible != 0 ? 1 : 0);
  RedrawPage();
  return S_OK;
}

HRESULT XPoint::get_Results(LONG* pnResults) {
  QLT_REQUIRE_POINT();
  return ReturnLong(pnResults, m_point->Results());
}

HRESULT XPoint::put_Results(LONG nResults) {
  QLT_REQUIRE_POINT();
  m_point->SetResults(nResults);
  return S_OK;
}

HRESULT XPoint::get_Bold(LONG* pnBold) {
  QLT_REQUIRE_POINT();
  return ReturnLong(pnBold, m_point->Bold());
}

HRESULT XPoint::put_Bold(LONG nBold) {
  QLT_REQUIRE_POINT();
  m_point->SetBold(nBold);
  RedrawPage();
  return S_OK;
}

HRESULT XPoint::AddDependent(IDispatch* pPoint) {
  QLT_REQUIRE_POINT();
  if (pPoint == nullptr) return E_POINTER;
  CBasePoint* dependant = PointOf(pPoint);
  // Only points of the same project can be told about changes (an outside object, or a point of
  // another project that may close first, cannot).
  if (dependant == nullptr || dependant->Project() != m_point->Project()) return E_INVALIDARG;
  m_point->AddDependent(dependant);
  return S_OK;
}

HRESULT XPoint::UpdateDependents() {
  QLT_REQUIRE_POINT();
  m_point->UpdateDependents();
  return S_OK;
}

HRESULT XPoint::get_VariantValue(VARIANT* pvValue) {
  QLT_REQUIRE_POINT();
  if (pvValue == nullptr) return E_POINTER;
  return ValueToAbi(m_point->Value(), pvValue);
}

HRESULT XPoint::put_VariantValue(VARIANT vValue) {
  QLT_REQUIRE_POINT();
  CVariant value;
  const HRESULT hr = ValueFromAbi(vValue, value);
  if (FAILED(hr)) return hr;
  return m_point->SetValueV(value);
}

HRESULT XPoint::SaveSketchImage(VARIANT vValue, BSTR bsFilename) {
  QLT_REQUIRE_POINT();
  auto* sketch = dynamic_cast<CSketchPoint*>(m_point);
  if (sketch == nullptr) return E_NOTIMPL;
  const QString path = TextFromBstr(bsFilename);
  if (path.isEmpty()) return E_INVALIDARG;
  CVariant value;
  const HRESULT converted = ValueFromAbi(vValue, value);
  if (FAILED(converted)) return converted;
  // Nothing to draw, a picture that cannot be encoded, or a file that cannot be written.
  return sketch->SaveSketchImage(value, path) ? S_OK : E_FAIL;
}

HRESULT XPoint::SaveSketchImageEx(IDispatch* pSession, BSTR) {
  QLT_REQUIRE_POINT();
  return pSession == nullptr ? E_POINTER : E_NOTIMPL;
}

HRESULT XPoint::GetOutputString(VARIANT vValue, BSTR strBaseFile, LONG nIndex, BSTR* pstrOutput) {
  QLT_REQUIRE_POINT();
  if (pstrOutput == nullptr) return E_POINTER;
  *pstrOutput = nullptr;
  CVariant value;
  const HRESULT converted = ValueFromAbi(vValue, value);
  if (FAILED(converted)) return converted;
  QString text;
  const bool handled = m_point->GetOutputString(value, TextFromBstr(strBaseFile),
                                                static_cast<uint32_t>(nIndex), text);
  const HRESULT hr = ReturnText(pstrOutput, text);
  return FAILED(hr) || handled ? hr : S_FALSE;
}

HRESULT XPoint::get_DesignImageListIndex(LONG* pnIndex) {
  QLT_REQUIRE_POINT();
  QUuid classId;
  if (auto* custom = dynamic_cast<CCustomPoint*>(m_point)) classId = custom->ClassId();
  const CPointFactory::Entry* entry = CPointFactory::Instance().Find(m_point->TypeCode(), classId);
  return ReturnLong(pnIndex, entry != nullptr ? entry->imageIndex : -1);
}

HRESULT XPoint::get_AsXML(BSTR* pstrXML) {
  QLT_REQUIRE_POINT();
  if (pstrXML != nullptr) *pstrXML = nullptr;
  return E_NOTIMPL;
}
