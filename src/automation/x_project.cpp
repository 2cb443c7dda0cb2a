#include "automation/x_project.h"

#include "automation/automation_root.h"
#include "automation/enum_variant.h"
#include "automation/facet_support.h"
#include "automation/x_telegram.h"
#include "editing/editing_flow.h"
#include "project/base_point.h"
#include "project/page.h"
#include "project/project.h"
#include "values/abi_values.h"

using namespace qlt::automation;

#define QLT_REQUIRE_PROJECT() \
  if (m_project == nullptr) return RPC_E_DISCONNECTED

#define QLT_REQUIRE_PROJECT_FOR(out) \
  if (m_project == nullptr) return ReturnNoObject(out, RPC_E_DISCONNECTED)

namespace {

enum HeaderText { kTitle, kCompany, kAuthor, kCopyright, kWebUrl, kNotes };

QString& HeaderField(CProject::Header& header, int which) {
  switch (which) {
    case kTitle:
      return header.title;
    case kCompany:
      return header.company;
    case kAuthor:
      return header.author;
    case kCopyright:
      return header.copyright;
    case kWebUrl:
      return header.webUrl;
    default:
      return header.notes;
  }
}

// Members that report success in their pbSuccess and do not apply to this client.
HRESULT Unsuccessful(VARIANT_BOOL* pbSuccess, HRESULT hr) {
  if (pbSuccess != nullptr) *pbSuccess = VARIANT_FALSE;
  return hr;
}

}  // namespace

XProject::XProject(CAutomationRoot* root, CProject* project)
    : TDispatchFacet(root, project), m_project(project) {}

const CDispatchTable& XProject::Table() {
  static const CDispatchTable table({
      Bind<&XProject::get_Application>("Application", 1, DISPATCH_PROPERTYGET),
      Bind<&XProject::get_Pages>("Pages", 2, DISPATCH_PROPERTYGET),
      Bind<&XProject::get_Points>("Points", 3, DISPATCH_PROPERTYGET),
      Bind<&XProject::get_Database>("Database", 4, DISPATCH_PROPERTYGET),
      Bind<&XProject::get_Dirty>("Dirty", 0xa, DISPATCH_PROPERTYGET),
      Bind<&XProject::put_Dirty>("Dirty", 0xa, DISPATCH_PROPERTYPUT),
      Bind<&XProject::get_Running>("Running", 0xb, DISPATCH_PROPERTYGET),
      Bind<&XProject::get_Title>("Title", 0x14, DISPATCH_PROPERTYGET),
      Bind<&XProject::put_Title>("Title", 0x14, DISPATCH_PROPERTYPUT),
      Bind<&XProject::get_Company>("Company", 0x15, DISPATCH_PROPERTYGET),
      Bind<&XProject::put_Company>("Company", 0x15, DISPATCH_PROPERTYPUT),
      Bind<&XProject::get_Author>("Author", 0x16, DISPATCH_PROPERTYGET),
      Bind<&XProject::put_Author>("Author", 0x16, DISPATCH_PROPERTYPUT),
      Bind<&XProject::get_Copyright>("Copyright", 0x17, DISPATCH_PROPERTYGET),
      Bind<&XProject::put_Copyright>("Copyright", 0x17, DISPATCH_PROPERTYPUT),
      Bind<&XProject::get_WebURL>("WebURL", 0x18, DISPATCH_PROPERTYGET),
      Bind<&XProject::put_WebURL>("WebURL", 0x18, DISPATCH_PROPERTYPUT),
      Bind<&XProject::get_Notes>("Notes", 0x19, DISPATCH_PROPERTYGET),
      Bind<&XProject::put_Notes>("Notes", 0x19, DISPATCH_PROPERTYPUT),
      Bind<&XProject::get_Unique>("Unique", 0x1a, DISPATCH_PROPERTYGET),
      Bind<&XProject::NewTelegram>("NewTelegram", 0x28, DISPATCH_METHOD),
      Bind<&XProject::Synchronise>("Synchronise", 0x29, DISPATCH_METHOD),
      Bind<&XProject::get_Path>("Path", 0x2a, DISPATCH_PROPERTYGET),
      Bind<&XProject::Save>("Save", 0x2b, DISPATCH_METHOD),
      Bind<&XProject::get_CurrentSession>("CurrentSession", 0x2c, DISPATCH_PROPERTYGET),
      Bind<&XProject::SendToDevice>("SendToDevice", 0x2d, DISPATCH_METHOD),
      Bind<&XProject::RemoveFromDevice>("RemoveFromDevice", 0x2e, DISPATCH_METHOD),
      Bind<&XProject::get_Properties>("Properties", 0x2f, DISPATCH_PROPERTYGET),
      Bind<&XProject::ImportFromXML>("ImportFromXML", 0x30, DISPATCH_METHOD),
      Bind<&XProject::SaveNonInteractive>("SaveNonInteractive", 0x31, DISPATCH_METHOD),
      Bind<&XProject::ExportAsXML>("ExportAsXML", 0x32, DISPATCH_METHOD),
      Bind<&XProject::get_AsXML>("AsXML", 0x33, DISPATCH_PROPERTYGET),
      Bind<&XProject::NewMailer>("NewMailer", 0x34, DISPATCH_METHOD),
      Bind<&XProject::get_SessionListColumns>("SessionListColumns", 0x35, DISPATCH_PROPERTYGET),
  });
  return table;
}

HRESULT XProject::get_Application(IDispatch** ppApplication) {
  return ReturnApplication(ppApplication);
}

HRESULT XProject::get_Pages(IDispatch** ppPages) {
  QLT_REQUIRE_PROJECT_FOR(ppPages);
  if (ppPages == nullptr) return E_POINTER;
  return ReturnObject(ppPages, Root()->NewPagesView(m_project));
}

HRESULT XProject::get_Points(BSTR strName, IDispatch** ppPoint) {
  QLT_REQUIRE_PROJECT_FOR(ppPoint);
  if (ppPoint == nullptr) return E_POINTER;
  CBasePoint* point = m_project->FindPointByName(TextFromBstr(strName));
  if (point == nullptr) return ReturnNoObject(ppPoint, E_FAIL);
  return ReturnObject(ppPoint, Root()->PointFacet(point));
}

HRESULT XProject::get_Database(IDispatch** ppDatabase) {
  QLT_REQUIRE_PROJECT_FOR(ppDatabase);
  if (ppDatabase == nullptr) return E_POINTER;
  IDispatch* database = Root()->DatabaseFacet(m_project);
  return database == nullptr ? ReturnNoObject(ppDatabase, E_FAIL)
                             : ReturnObject(ppDatabase, database);
}

HRESULT XProject::get_Dirty(VARIANT_BOOL* pbDirty) {
  QLT_REQUIRE_PROJECT();
  return ReturnBool(pbDirty, m_project->IsChanged());
}

HRESULT XProject::put_Dirty(VARIANT_BOOL bDirty) {
  QLT_REQUIRE_PROJECT();
  // Only saving clears the mark; a caller cannot declare changes gone.
  if (bDirty == 0) return E_INVALIDARG;
  m_project->SetChanged();
  return S_OK;
}

HRESULT XProject::get_Running(VARIANT_BOOL* pbRunning) {
  QLT_REQUIRE_PROJECT();
  return ReturnBool(pbRunning, Root()->IsRunning());
}

HRESULT XProject::GetHeaderText(int which, BSTR* out) const {
  QLT_REQUIRE_PROJECT();
  return ReturnText(out, HeaderField(m_project->MutableHeader(), which));
}

HRESULT XProject::PutHeaderText(int which, BSTR value) {
  QLT_REQUIRE_PROJECT();
  if (Root()->IsRunning()) return E_UNEXPECTED;
  HeaderField(m_project->MutableHeader(), which) = TextFromBstr(value);
  m_project->SetChanged();
  return S_OK;
}

HRESULT XProject::get_Title(BSTR* pstr) { return GetHeaderText(kTitle, pstr); }
HRESULT XProject::put_Title(BSTR str) { return PutHeaderText(kTitle, str); }
HRESULT XProject::get_Company(BSTR* pstr) { return GetHeaderText(kCompany, pstr); }
HRESULT XProject::put_Company(BSTR str) { return PutHeaderText(kCompany, str); }
HRESULT XProject::get_Author(BSTR* pstr) { return GetHeaderText(kAuthor, pstr); }
HRESULT XProject::put_Author(BSTR str) { return PutHeaderText(kAuthor, str); }
HRESULT XProject::get_Copyright(BSTR* pstr) { return GetHeaderText(kCopyright, pstr); }
HRESULT XProject::put_Copyright(BSTR str) { return PutHeaderText(kCopyright, str); }
HRESULT XProject::get_WebURL(BSTR* pstr) { return GetHeaderText(kWebUrl, pstr); }
HRESULT XProject::put_WebURL(BSTR str) { return PutHeaderText(kWebUrl, str); }
HRESULT XProject::get_Notes(BSTR* pstr) { return GetHeaderText(kNotes, pstr); }
HRESULT XProject::put_Notes(BSTR str) { return PutHeaderText(kNotes, str); }

HRESULT XProject::get_Unique(LONG* pnUnique) {
  QLT_REQUIRE_PROJECT();
  return ReturnLong(pnUnique, m_project->GetHeader().uniqueNumber);
}

HRESULT XProject::NewTelegram(IDispatch** ppTelegram) {
  QLT_REQUIRE_PROJECT_FOR(ppTelegram);
  if (ppTelegram == nullptr) return E_POINTER;
  CTelegram telegram(m_project);
  telegram.SetUnitId(Root()->UnitId());
  return ReturnObject(ppTelegram, new XTelegram(Root(), std::move(telegram)));
}

HRESULT XProject::Synchronise(VARIANT_BOOL* pbSuccess) {
  QLT_REQUIRE_PROJECT();
  // The run starts later from the window's event loop; whether it succeeds is not known here.
  return Unsuccessful(pbSuccess, Root()->PostSync(m_project) ? S_OK : E_FAIL);
}

HRESULT XProject::get_Path(BSTR* pstrPath) {
  QLT_REQUIRE_PROJECT();
  return ReturnText(pstrPath, m_project->Path());
}

HRESULT XProject::Save(VARIANT_BOOL* pbSuccess) {
  QLT_REQUIRE_PROJECT();
  return Unsuccessful(pbSuccess, E_NOTIMPL);
}

HRESULT XProject::get_CurrentSession(IDispatch** ppSession) {
  QLT_REQUIRE_PROJECT_FOR(ppSession);
  if (ppSession == nullptr) return E_POINTER;
  CEditingFlow* flow = Root()->FlowOf(m_project);
  CSession* session = flow != nullptr ? flow->Session() : nullptr;
  if (session == nullptr) return ReturnNoObject(ppSession, S_FALSE);
  return ReturnObject(ppSession, Root()->SessionFacet(m_project, session));
}

HRESULT XProject::SendToDevice(BSTR, VARIANT_BOOL* pbSuccess) {
  QLT_REQUIRE_PROJECT();
  return Unsuccessful(pbSuccess, E_UNEXPECTED);
}

HRESULT XProject::RemoveFromDevice(BSTR, VARIANT_BOOL* pbSuccess) {
  QLT_REQUIRE_PROJECT();
  return Unsuccessful(pbSuccess, E_NOTIMPL);
}

HRESULT XProject::get_Properties(IDispatch** ppProperties) {
  QLT_REQUIRE_PROJECT_FOR(ppProperties);
  return ReturnNoObject(ppProperties, E_NOTIMPL);
}

HRESULT XProject::ImportFromXML(BSTR, VARIANT_BOOL* pbSuccess) {
  QLT_REQUIRE_PROJECT();
  return Unsuccessful(pbSuccess, E_NOTIMPL);
}

HRESULT XProject::SaveNonInteractive(VARIANT_BOOL* pbSuccess) {
  QLT_REQUIRE_PROJECT();
  return Unsuccessful(pbSuccess, E_NOTIMPL);
}

HRESULT XProject::ExportAsXML(BSTR, VARIANT_BOOL* pbSuccess) {
  QLT_REQUIRE_PROJECT();
  return Unsuccessful(pbSuccess, E_NOTIMPL);
}

HRESULT XProject::get_AsXML(BSTR* pstrXML) {
  QLT_REQUIRE_PROJECT();
  if (pstrXML != nullptr) *pstrXML = nullptr;
  return E_NOTIMPL;
}

HRESULT XProject::NewMailer(IDispatch** ppMailer) {
  QLT_REQUIRE_PROJECT_FOR(ppMailer);
  return ReturnNoObject(ppMailer, E_NOTIMPL);
}

HRESULT XProject::get_SessionListColumns(BSTR* pstrColumns) {
  QLT_REQUIRE_PROJECT();
  return ReturnText(pstrColumns, m_project->GetHeader().sessionListColumns);
}

// ---- XPages

XPages::XPages(CAutomationRoot* root, CProject* project)
    : TDispatchFacet(root, project), m_project(project) {}

const CDispatchTable& XPages::Table() {
  static const CDispatchTable table({
      Bind<&XPages::get_Application>("Application", 1, DISPATCH_PROPERTYGET),
      Bind<&XPages::get_Project>("Project", 2, DISPATCH_PROPERTYGET),
      Bind<&XPages::get__NewEnum>("_NewEnum", DISPID_NEWENUM, DISPATCH_PROPERTYGET),
      Bind<&XPages::get_Item>("Item", 0, DISPATCH_PROPERTYGET),
      Bind<&XPages::get_Count>("Count", 3, DISPATCH_PROPERTYGET),
      Bind<&XPages::Add>("Add", 4, DISPATCH_METHOD),
      Bind<&XPages::Remove>("Remove", 5, DISPATCH_METHOD),
      Bind<&XPages::AddFromXML>("AddFromXML", 6, DISPATCH_METHOD),
  });
  return table;
}

HRESULT XPages::get_Application(IDispatch** ppApplication) {
  return ReturnApplication(ppApplication);
}

HRESULT XPages::get_Project(IDispatch** ppProject) {
  QLT_REQUIRE_PROJECT_FOR(ppProject);
  return ReturnObject(ppProject, Root()->ProjectFacet(m_project));
}

HRESULT XPages::get__NewEnum(IUnknown** ppEnum) {
  if (ppEnum == nullptr) return E_POINTER;
  *ppEnum = nullptr;
  QLT_REQUIRE_PROJECT();
  std::vector<IDispatch*> items;
  for (const auto& page : m_project->Pages()) items.push_back(Root()->PageFacet(page.get()));
  *ppEnum = static_cast<IEnumVARIANT*>(new CEnumVariant(Root(), m_project, std::move(items)));
  return S_OK;
}

HRESULT XPages::get_Item(VARIANT vIndex, IDispatch** ppPage) {
  QLT_REQUIRE_PROJECT_FOR(ppPage);
  if (ppPage == nullptr) return E_POINTER;
  *ppPage = nullptr;
  int32_t index = 0;
  if (!IndexFromVariant(vIndex, index) || index < 1 || index > m_project->PageCount()) {
    return E_INVALIDARG;
  }
  *ppPage = Root()->PageFacet(m_project->Page(index - 1));
  return S_OK;
}

HRESULT XPages::get_Count(LONG* pnCount) {
  QLT_REQUIRE_PROJECT();
  return ReturnLong(pnCount, m_project->PageCount());
}

HRESULT XPages::Add(LONG nIndex, IDispatch** ppPage) {
  QLT_REQUIRE_PROJECT_FOR(ppPage);
  if (ppPage == nullptr) return E_POINTER;
  *ppPage = nullptr;
  if (nIndex < 1 || nIndex > m_project->PageCount() + 1) return E_INVALIDARG;
  *ppPage = Root()->PageFacet(m_project->AddPage(nIndex - 1));
  return S_OK;
}

HRESULT XPages::Remove(LONG nIndex) {
  QLT_REQUIRE_PROJECT();
  CPage* page = nIndex >= 1 ? m_project->Page(nIndex - 1) : nullptr;
  if (page == nullptr) return E_FAIL;
  // The page on screen, or one whose points are being notified, is still in use.
  if (m_project->IsNotifying() || page->Window() != nullptr) return E_UNEXPECTED;
  Root()->DisconnectPage(page);
  m_project->RemovePage(page);
  return S_OK;
}

HRESULT XPages::AddFromXML(BSTR, LONG, IDispatch** ppPage) {
  QLT_REQUIRE_PROJECT_FOR(ppPage);
  return ReturnNoObject(ppPage, E_NOTIMPL);
}
