#include "automation/x_page.h"

#include "automation/automation_root.h"
#include "automation/enum_variant.h"
#include "automation/facet_support.h"
#include "project/base_point.h"
#include "project/page.h"
#include "project/page_window.h"
#include "project/project.h"
#include "values/abi_values.h"

using namespace qlt::automation;

#define QLT_REQUIRE_PAGE() \
  if (m_page == nullptr) return RPC_E_DISCONNECTED

#define QLT_REQUIRE_PAGE_FOR(out) \
  if (m_page == nullptr) return ReturnNoObject(out, RPC_E_DISCONNECTED)

XPage::XPage(CAutomationRoot* root, CPage* page) : TDispatchFacet(root, page), m_page(page) {}

const CDispatchTable& XPage::Table() {
  static const CDispatchTable table({
      Bind<&XPage::get_Application>("Application", 1, DISPATCH_PROPERTYGET),
      Bind<&XPage::get_Project>("Project", 2, DISPATCH_PROPERTYGET),
      Bind<&XPage::get_Points>("Points", 3, DISPATCH_PROPERTYGET),
      Bind<&XPage::get_Unique>("Unique", 0xa, DISPATCH_PROPERTYGET),
      Bind<&XPage::get_Caption>("Caption", 0x14, DISPATCH_PROPERTYGET),
      Bind<&XPage::put_Caption>("Caption", 0x14, DISPATCH_PROPERTYPUT),
      Bind<&XPage::get_Text>("Text", 0x15, DISPATCH_PROPERTYGET),
      Bind<&XPage::put_Text>("Text", 0x15, DISPATCH_PROPERTYPUT),
      Bind<&XPage::get_Help>("Help", 0x16, DISPATCH_PROPERTYGET),
      Bind<&XPage::put_Help>("Help", 0x16, DISPATCH_PROPERTYPUT),
      Bind<&XPage::Activate>("Activate", 0x28, DISPATCH_METHOD),
      Bind<&XPage::Refresh>("Refresh", 0x29, DISPATCH_METHOD),
      Bind<&XPage::ShowHelp>("ShowHelp", 0x2a, DISPATCH_METHOD),
      Bind<&XPage::get_AsXML>("AsXML", 0x32, DISPATCH_PROPERTYGET),
  });
  return table;
}

HRESULT XPage::get_Application(IDispatch** ppApplication) {
  return ReturnApplication(ppApplication);
}

HRESULT XPage::get_Project(IDispatch** ppProject) {
  QLT_REQUIRE_PAGE_FOR(ppProject);
  IDispatch* project = Root()->ProjectFacet(m_page->Project());
  if (project == nullptr) return ReturnNoObject(ppProject, E_FAIL);
  return ReturnObject(ppProject, project);
}

HRESULT XPage::get_Points(IDispatch** ppPoints) {
  QLT_REQUIRE_PAGE_FOR(ppPoints);
  if (ppPoints == nullptr) return E_POINTER;
  return ReturnObject(ppPoints, Root()->NewPointsView(m_page));
}

HRESULT XPage::get_Unique(LONG* pnUnique) {
  QLT_REQUIRE_PAGE();
  return ReturnLong(pnUnique, m_page->UniqueNumber());
}

HRESULT XPage::get_Caption(BSTR* pstr) {
  QLT_REQUIRE_PAGE();
  return ReturnText(pstr, m_page->Caption());
}

HRESULT XPage::put_Caption(BSTR str) {
  QLT_REQUIRE_PAGE();
  m_page->SetCaption(TextFromBstr(str));
  m_page->Relayout();
  return S_OK;
}

HRESULT XPage::get_Text(BSTR* pstr) {
  QLT_REQUIRE_PAGE();
  return ReturnText(pstr, m_page->Text());
}

HRESULT XPage::put_Text(BSTR str) {
  QLT_REQUIRE_PAGE();
  m_page->SetText(TextFromBstr(str));
  m_page->Relayout();
  return S_OK;
}

HRESULT XPage::get_Help(BSTR* pstr) {
  QLT_REQUIRE_PAGE();
  return ReturnText(pstr, m_page->Help());
}

HRESULT XPage::put_Help(BSTR str) {
  QLT_REQUIRE_PAGE();
  m_page->SetHelp(TextFromBstr(str));
  return S_OK;
}

HRESULT XPage::Activate() {
  QLT_REQUIRE_PAGE();
  return E_NOTIMPL;
}

HRESULT XPage::Refresh() {
  QLT_REQUIRE_PAGE();
  m_page->Relayout();
  return S_OK;
}

HRESULT XPage::ShowHelp(BSTR strCaption, BSTR strHelp) {
  QLT_REQUIRE_PAGE();
  QString caption = TextFromBstr(strCaption);
  QString help = TextFromBstr(strHelp);
  if (caption.isEmpty()) caption = m_page->Caption();
  if (help.isEmpty()) help = m_page->Help();
  // Only a shown page has a help display.
  if (m_page->Window() == nullptr) return S_FALSE;
  m_page->Window()->ShowHelp(caption, help);
  return S_OK;
}

HRESULT XPage::get_AsXML(BSTR* pstrXML) {
  QLT_REQUIRE_PAGE();
  if (pstrXML != nullptr) *pstrXML = nullptr;
  return E_NOTIMPL;
}

// ---- XPoints

XPoints::XPoints(CAutomationRoot* root, CPage* page) : TDispatchFacet(root, page), m_page(page) {}

const CDispatchTable& XPoints::Table() {
  static const CDispatchTable table({
      Bind<&XPoints::get_Application>("Application", 1, DISPATCH_PROPERTYGET),
      Bind<&XPoints::get_Project>("Project", 2, DISPATCH_PROPERTYGET),
      Bind<&XPoints::get_Page>("Page", 3, DISPATCH_PROPERTYGET),
      Bind<&XPoints::get__NewEnum>("_NewEnum", DISPID_NEWENUM, DISPATCH_PROPERTYGET),
      Bind<&XPoints::get_Item>("Item", 0, DISPATCH_PROPERTYGET),
      Bind<&XPoints::get_Count>("Count", 4, DISPATCH_PROPERTYGET),
      Bind<&XPoints::Add>("Add", 5, DISPATCH_METHOD),
      Bind<&XPoints::Remove>("Remove", 6, DISPATCH_METHOD),
      Bind<&XPoints::AddFromXML>("AddFromXML", 7, DISPATCH_METHOD),
  });
  return table;
}

HRESULT XPoints::get_Application(IDispatch** ppApplication) {
  return ReturnApplication(ppApplication);
}

HRESULT XPoints::get_Project(IDispatch** ppProject) {
  QLT_REQUIRE_PAGE_FOR(ppProject);
  IDispatch* project = Root()->ProjectFacet(m_page->Project());
  if (project == nullptr) return ReturnNoObject(ppProject, E_FAIL);
  return ReturnObject(ppProject, project);
}

HRESULT XPoints::get_Page(IDispatch** ppPage) {
  QLT_REQUIRE_PAGE_FOR(ppPage);
  return ReturnObject(ppPage, Root()->PageFacet(m_page));
}

HRESULT XPoints::get__NewEnum(IUnknown** ppEnum) {
  if (ppEnum == nullptr) return E_POINTER;
  *ppEnum = nullptr;
  QLT_REQUIRE_PAGE();
  std::vector<IDispatch*> items;
  for (const auto& point : m_page->Points()) items.push_back(Root()->PointFacet(point.get()));
  *ppEnum = static_cast<IEnumVARIANT*>(new CEnumVariant(Root(), m_page, std::move(items)));
  return S_OK;
}

HRESULT XPoints::get_Item(VARIANT vIndex, IDispatch** ppPoint) {
  QLT_REQUIRE_PAGE_FOR(ppPoint);
  if (ppPoint == nullptr) return E_POINTER;
  *ppPoint = nullptr;
  int32_t index = 0;
  if (!IndexFromVariant(vIndex, index) || index < 1 || index > m_page->PointCount()) {
    return E_INVALIDARG;
  }
  *ppPoint = Root()->PointFacet(m_page->Point(index - 1));
  return S_OK;
}

HRESULT XPoints::get_Count(LONG* pnCount) {
  QLT_REQUIRE_PAGE();
  return ReturnLong(pnCount, m_page->PointCount());
}

HRESULT XPoints::Add(LONG nType, LONG nIndex, IDispatch** ppPoint) {
  QLT_REQUIRE_PAGE_FOR(ppPoint);
  if (ppPoint == nullptr) return E_POINTER;
  *ppPoint = nullptr;
  if (nIndex < 1 || nIndex > m_page->PointCount() + 1) return E_INVALIDARG;
  CBasePoint* point = m_page->AddPoint(nType, nIndex - 1);
  if (point == nullptr) return E_FAIL;
  *ppPoint = Root()->PointFacet(point);
  return S_OK;
}

HRESULT XPoints::Remove(LONG nIndex) {
  QLT_REQUIRE_PAGE();
  CBasePoint* point = nIndex >= 1 ? m_page->Point(nIndex - 1) : nullptr;
  if (point == nullptr) return E_FAIL;
  // A point being notified, or on the page on screen, may be on the call stack or hold controls
  // of the page window; removing it there would leave them pointing at nothing.
  const CProject* project = m_page->Project();
  if ((project != nullptr && project->IsNotifying()) || m_page->Window() != nullptr) {
    return E_UNEXPECTED;
  }
  Root()->Disconnect(point);
  m_page->RemovePoint(point);
  return S_OK;
}

HRESULT XPoints::AddFromXML(BSTR, LONG, IDispatch** ppPoint) {
  QLT_REQUIRE_PAGE_FOR(ppPoint);
  return ReturnNoObject(ppPoint, E_NOTIMPL);
}
