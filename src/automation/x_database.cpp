#include "automation/x_database.h"

#include <optional>

#include "automation/automation_root.h"
#include "automation/facet_support.h"
#include "automation/indexed_enum.h"
#include "automation/x_session.h"
#include "editing/editing_flow.h"
#include "project/project.h"
#include "sessions/session_database.h"
#include "values/abi_values.h"
#include "values/file_blob.h"
#include "values/safe_array.h"
#include "values/variant.h"

using namespace qlt::automation;

#define QLT_REQUIRE_PROJECT() \
  if (m_project == nullptr) return RPC_E_DISCONNECTED

#define QLT_REQUIRE_PROJECT_FOR(out) \
  if (m_project == nullptr) return ReturnNoObject(out, RPC_E_DISCONNECTED)

namespace {

const VARIANT& Unwrapped(const VARIANT& v) {
  return v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal != nullptr ? *v.pvarVal : v;
}

// The point names of a Query's column argument: nothing, or a one-dimensional array of texts (a
// script's array of variants that all hold texts counts as one). False for anything else.
bool ColumnNames(const VARIANT& argument, QStringList& names) {
  names.clear();
  const VARIANT& v = Unwrapped(argument);
  if (v.vt == VT_EMPTY || v.vt == VT_NULL || v.vt == VT_ERROR) return true;
  CVariant value;
  if (FAILED(ValueFromAbi(v, value)) || !value.IsArray() || value.Array() == nullptr) return false;
  const CSafeArray& array = *value.Array();
  if (array.Dimensions() != 1) return false;
  if (array.ElementType() == kVtBstr) {
    names = array.Strings();
    return true;
  }
  if (array.ElementType() != kVtVariant) return false;
  const QList<CVariant>& items = array.Variants();
  if (items.size() != array.ElementCount()) return false;
  for (const CVariant& item : items) {
    if (!item.IsString()) return false;
    names.append(item.StringPayload());
  }
  return true;
}

}  // namespace

XDatabase::XDatabase(CAutomationRoot* root, CProject* project)
    : TDispatchFacet(root, project), m_project(project) {}

const CDispatchTable& XDatabase::Table() {
  static const CDispatchTable table({
      Bind<&XDatabase::get_Application>("Application", 1, DISPATCH_PROPERTYGET),
      Bind<&XDatabase::get_Project>("Project", 2, DISPATCH_PROPERTYGET),
      Bind<&XDatabase::get__NewEnum>("_NewEnum", DISPID_NEWENUM, DISPATCH_PROPERTYGET),
      Bind<&XDatabase::get_Item>("Item", 0, DISPATCH_PROPERTYGET),
      Bind<&XDatabase::get_Count>("Count", 4, DISPATCH_PROPERTYGET),
      Bind<&XDatabase::Add>("Add", 5, DISPATCH_METHOD),
      Bind<&XDatabase::SaveToFile>("SaveToFile", 0xa, DISPATCH_METHOD),
      Bind<&XDatabase::LoadFromFile>("LoadFromFile", 0xb, DISPATCH_METHOD),
      Bind<&XDatabase::IsFileValue>("IsFileValue", 0xc, DISPATCH_METHOD),
      Bind<&XDatabase::GetFileName>("GetFileName", 0xd, DISPATCH_METHOD),
      Bind<&XDatabase::Query>("Query", 0x14, DISPATCH_METHOD),
  });
  return table;
}

CSessionDatabase* XDatabase::Database() const {
  CEditingFlow* flow = Root() != nullptr ? Root()->FlowOf(m_project) : nullptr;
  return flow != nullptr ? flow->Database() : nullptr;
}

HRESULT XDatabase::get_Application(IDispatch** ppApplication) {
  return ReturnApplication(ppApplication);
}

HRESULT XDatabase::get_Project(IDispatch** ppProject) {
  QLT_REQUIRE_PROJECT_FOR(ppProject);
  return ReturnObject(ppProject, Root()->ProjectFacet(m_project));
}

HRESULT XDatabase::get__NewEnum(IUnknown** ppEnum) {
  if (ppEnum == nullptr) return E_POINTER;
  *ppEnum = nullptr;
  QLT_REQUIRE_PROJECT();
  CSessionDatabase* database = Database();
  if (database == nullptr) return E_FAIL;
  // The list's GUIDs now; each session is loaded when the enumerator reaches it.
  auto guids = std::make_shared<QList<QUuid>>();
  for (int i = 0; i < database->ListCount(); ++i) guids->append(database->ListGuidAt(i));
  CAutomationRoot* root = Root();
  CProject* project = m_project;
  *ppEnum = static_cast<IEnumVARIANT*>(new CIndexedEnum(
      root, project, static_cast<size_t>(guids->size()),
      [root, project, guids](size_t index, VARIANT* out) -> HRESULT {
        CEditingFlow* flow = root->FlowOf(project);
        CSessionDatabase* db = flow != nullptr ? flow->Database() : nullptr;
        const CSessionPtr session =
            db != nullptr ? db->LoadSession(guids->at(index), false) : CSessionPtr();
        if (!session) return E_FAIL;  // removed since
        out->vt = VT_DISPATCH;
        out->pdispVal = root->SessionFacet(project, session.data());
        return S_OK;
      }));
  return S_OK;
}

HRESULT XDatabase::get_Item(VARIANT vIndex, IDispatch** ppSession) {
  QLT_REQUIRE_PROJECT_FOR(ppSession);
  if (ppSession == nullptr) return E_POINTER;
  *ppSession = nullptr;
  CSessionDatabase* database = Database();
  if (database == nullptr) return E_FAIL;
  const VARIANT& index = Unwrapped(vIndex);
  CSessionPtr session;
  if (index.vt == VT_BSTR || index.vt == (VT_BYREF | VT_BSTR)) {
    const QString text = TextFromBstr(
        index.vt == VT_BSTR ? index.bstrVal : (index.pbstrVal ? *index.pbstrVal : nullptr));
    const QUuid guid = CSession::GuidFromText(text.trimmed());
    if (!guid.isNull()) session = database->LoadSession(guid, false);
  } else {
    int32_t position = 0;
    if (IndexFromVariant(index, position) && position >= 1) {
      session = database->ListSessionAt(position - 1, false);
    }
  }
  if (!session) return E_INVALIDARG;
  *ppSession = Root()->SessionFacet(m_project, session.data());
  return S_OK;
}

HRESULT XDatabase::get_Count(LONG* pnCount) {
  QLT_REQUIRE_PROJECT();
  CSessionDatabase* database = Database();
  if (database == nullptr) return E_FAIL;
  return ReturnLong(pnCount, database->ListCount());
}

HRESULT XDatabase::Add(IDispatch** ppSession) {
  QLT_REQUIRE_PROJECT_FOR(ppSession);
  if (ppSession == nullptr) return E_POINTER;
  const CSessionPtr session = CSession::Create(CProject::UnitId(), true);
  return ReturnObject(ppSession, Root()->SessionFacet(m_project, session.data()));
}

HRESULT XDatabase::SaveToFile(VARIANT vValue, BSTR strFilename, VARIANT_BOOL* pbSuccess) {
  if (pbSuccess != nullptr) *pbSuccess = VARIANT_FALSE;
  QLT_REQUIRE_PROJECT();
  if (strFilename == nullptr) return E_POINTER;
  CVariant value;
  const QString path = TextFromBstr(strFilename);
  if (path.isEmpty() || FAILED(ValueFromAbi(vValue, value)) || !FileBlob::Extract(value, path)) {
    return E_FAIL;
  }
  if (pbSuccess != nullptr) *pbSuccess = VARIANT_TRUE;
  return S_OK;
}

HRESULT XDatabase::LoadFromFile(BSTR strFilename, VARIANT* pvValue) {
  if (strFilename == nullptr || pvValue == nullptr) return E_POINTER;
  VariantInit(pvValue);
  QLT_REQUIRE_PROJECT();
  const CVariant value = FileBlob::MakeFromFile(TextFromBstr(strFilename));
  if (value.IsEmpty()) return E_FAIL;
  return ValueToAbi(value, pvValue);
}

HRESULT XDatabase::IsFileValue(VARIANT vValue, VARIANT_BOOL* pbFile) {
  QLT_REQUIRE_PROJECT();
  CVariant value;
  return ReturnBool(pbFile, SUCCEEDED(ValueFromAbi(vValue, value)) && FileBlob::IsFile(value));
}

HRESULT XDatabase::GetFileName(VARIANT vValue, BSTR* pstrName) {
  if (pstrName != nullptr) *pstrName = nullptr;
  QLT_REQUIRE_PROJECT();
  CVariant value;
  if (FAILED(ValueFromAbi(vValue, value)) || !FileBlob::IsFile(value)) return E_INVALIDARG;
  return ReturnText(pstrName, FileBlob::Name(value));
}

HRESULT XDatabase::Query(BSTR strStates, BSTR strFilterColumn, BSTR strFilterValue,
                         BSTR strSortColumn, VARIANT_BOOL bSortNumeric,
                         VARIANT_BOOL bSortDescending, VARIANT arrColumns, VARIANT* parrResults) {
  if (parrResults == nullptr) return E_POINTER;
  VariantInit(parrResults);
  QLT_REQUIRE_PROJECT();
  QStringList columns;
  if (!ColumnNames(arrColumns, columns)) return E_INVALIDARG;
  CSessionDatabase* database = Database();
  if (database == nullptr) return E_FAIL;
  const std::optional<QString> states =
      strStates == nullptr ? std::nullopt : std::optional<QString>(TextFromBstr(strStates));
  QStringList rows;
  if (!database->Query(states, TextFromBstr(strFilterColumn), TextFromBstr(strFilterValue),
                       TextFromBstr(strSortColumn), bSortNumeric != VARIANT_FALSE,
                       bSortDescending != VARIANT_FALSE, columns, rows)) {
    return E_FAIL;
  }
  CSafeArray array(kVtBstr, {{0, static_cast<int32_t>(rows.size())}});
  array.Strings() = std::move(rows);
  const HRESULT hr = ValueToAbi(CVariant::FromArray(array), parrResults);
  return FAILED(hr) ? E_OUTOFMEMORY : S_OK;
}
