#include "automation/x_session.h"

#include <cmath>

#include "automation/automation_root.h"
#include "automation/facet_support.h"
#include "automation/indexed_enum.h"
#include "editing/editing_flow.h"
#include "project/project.h"
#include "sessions/session_database.h"
#include "values/abi_values.h"
#include "values/file_blob.h"
#include "values/variant_ops.h"

using namespace qlt::automation;

#define QLT_REQUIRE_SESSION() \
  if (!m_session) return RPC_E_DISCONNECTED

#define QLT_REQUIRE_SESSION_FOR(out) \
  if (!m_session) return ReturnNoObject(out, RPC_E_DISCONNECTED)

namespace {

HRESULT Unsuccessful(VARIANT_BOOL* pbSuccess, HRESULT hr) {
  if (pbSuccess != nullptr) *pbSuccess = VARIANT_FALSE;
  return hr;
}

HRESULT Succeeded(VARIANT_BOOL* pbSuccess) {
  if (pbSuccess != nullptr) *pbSuccess = VARIANT_TRUE;
  return S_OK;
}

// The entry at a 0-based position of the map, in its own order.
bool EntryAt(const CVariantMap& values, int position, QString* key, CVariant* value) {
  int at = 0;
  bool found = false;
  values.ForEach([&](const QString& name, const CVariant& held) {
    if (at++ != position) return;
    found = true;
    if (key != nullptr) *key = name;
    if (value != nullptr) *value = held;
  });
  return found;
}

HRESULT ReturnDate(DATE* out, const CSystemTime& time) {
  if (out == nullptr) return E_POINTER;
  *out = time.IsZero() ? 0.0 : OleDateFromDateTime(time.ToDateTime());
  if (std::isnan(*out)) *out = 0.0;
  return S_OK;
}

bool TimeFromDate(DATE date, CSystemTime& time) {
  const QDateTime local = DateTimeFromOleDate(date);
  if (!local.isValid()) return false;
  time = CSystemTime::FromDateTime(local);
  int64_t fileTime = 0;
  return time.ToFileTime(fileTime);  // the database can store it
}

HRESULT ReturnValue(VARIANT* out, const CVariant& value) {
  if (out == nullptr) return E_POINTER;
  VariantInit(out);
  return ValueToAbi(value, out);
}

const VARIANT& Unwrapped(const VARIANT& v) {
  return v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal != nullptr ? *v.pvarVal : v;
}

bool TextOf(const VARIANT& v, QString& text) {
  if (v.vt == VT_BSTR) {
    text = TextFromBstr(v.bstrVal);
    return true;
  }
  if (v.vt == (VT_BYREF | VT_BSTR)) {
    text = TextFromBstr(v.pbstrVal != nullptr ? *v.pbstrVal : nullptr);
    return true;
  }
  return false;
}

}  // namespace

XSession::XSession(CAutomationRoot* root, CProject* project, CSession* session)
    : TDispatchFacet(root, session), m_project(project), m_session(session) {}

const CDispatchTable& XSession::Table() {
  static const CDispatchTable table({
      Bind<&XSession::get_Application>("Application", 1, DISPATCH_PROPERTYGET),
      Bind<&XSession::get_Project>("Project", 2, DISPATCH_PROPERTYGET),
      Bind<&XSession::get__NewEnum>("_NewEnum", DISPID_NEWENUM, DISPATCH_PROPERTYGET),
      Bind<&XSession::get_Item>("Item", 0, DISPATCH_PROPERTYGET),
      Bind<&XSession::put_Item>("Item", 0, DISPATCH_PROPERTYPUT),
      Bind<&XSession::get_Count>("Count", 3, DISPATCH_PROPERTYGET),
      Bind<&XSession::get_Key>("Key", 4, DISPATCH_PROPERTYGET),
      Bind<&XSession::get_Value>("Value", 5, DISPATCH_PROPERTYGET),
      Bind<&XSession::get_UnitID>("UnitID", 0xa, DISPATCH_PROPERTYGET),
      Bind<&XSession::put_UnitID>("UnitID", 0xa, DISPATCH_PROPERTYPUT),
      Bind<&XSession::get_Name>("Name", 0xb, DISPATCH_PROPERTYGET),
      Bind<&XSession::put_Name>("Name", 0xb, DISPATCH_PROPERTYPUT),
      Bind<&XSession::DateVariant>("Date", 0xc, DISPATCH_PROPERTYGET),
      Bind<&XSession::put_Date>("Date", 0xc, DISPATCH_PROPERTYPUT),
      Bind<&XSession::LastSavedVariant>("LastSaved", 0xd, DISPATCH_PROPERTYGET),
      Bind<&XSession::put_LastSaved>("LastSaved", 0xd, DISPATCH_PROPERTYPUT),
      Bind<&XSession::get_Archived>("Archived", 0xe, DISPATCH_PROPERTYGET),
      Bind<&XSession::put_Archived>("Archived", 0xe, DISPATCH_PROPERTYPUT),
      Bind<&XSession::get_GUID>("GUID", 0xf, DISPATCH_PROPERTYGET),
      Bind<&XSession::get_Marked>("Marked", 0x10, DISPATCH_PROPERTYGET),
      Bind<&XSession::put_Marked>("Marked", 0x10, DISPATCH_PROPERTYPUT),
      Bind<&XSession::Clone>("Clone", 0x14, DISPATCH_METHOD),
      Bind<&XSession::Save>("Save", 0x15, DISPATCH_METHOD),
      Bind<&XSession::Delete>("Delete", 0x16, DISPATCH_METHOD),
      Bind<&XSession::SendToClient>("SendToClient", 0x17, DISPATCH_METHOD),
      Bind<&XSession::SendToLocal>("SendToLocal", 0x18, DISPATCH_METHOD),
      Bind<&XSession::SendToAll>("SendToAll", 0x19, DISPATCH_METHOD),
      Bind<&XSession::GetDecodedItem>("GetDecodedItem", 0x1a, DISPATCH_METHOD),
      Bind<&XSession::get_State>("State", 0x1b, DISPATCH_PROPERTYGET),
      Bind<&XSession::put_State>("State", 0x1b, DISPATCH_PROPERTYPUT),
  });
  return table;
}

CSession* XSession::SessionOf(IUnknown* object) {
  if (object == nullptr) return nullptr;
  void* raw = nullptr;
  if (FAILED(object->QueryInterface(kFacetIid, &raw)) || raw == nullptr) return nullptr;
  auto* facet = static_cast<CFacet*>(raw);
  auto* session = dynamic_cast<XSession*>(facet);
  CSession* result = session != nullptr ? session->m_session.data() : nullptr;
  facet->ReleaseFacet();
  return result;
}

void XSession::OnDisconnect() {
  m_project = nullptr;
  m_session.reset();
}

CSessionDatabase* XSession::Database() const {
  CEditingFlow* flow = Root() != nullptr ? Root()->FlowOf(m_project) : nullptr;
  return flow != nullptr ? flow->Database() : nullptr;
}

HRESULT XSession::get_Application(IDispatch** ppApplication) {
  return ReturnApplication(ppApplication);
}

HRESULT XSession::get_Project(IDispatch** ppProject) {
  QLT_REQUIRE_SESSION_FOR(ppProject);
  return ReturnObject(ppProject, Root()->ProjectFacet(m_project));
}

HRESULT XSession::get__NewEnum(IUnknown** ppEnum) {
  if (ppEnum == nullptr) return E_POINTER;
  *ppEnum = nullptr;
  QLT_REQUIRE_SESSION();
  // The values as they are now; later changes to the session do not move the enumerator.
  auto values = std::make_shared<QList<CVariant>>();
  m_session->Values().ForEach(
      [&](const QString&, const CVariant& value) { values->append(value); });
  const size_t count = static_cast<size_t>(values->size());
  *ppEnum = static_cast<IEnumVARIANT*>(new CIndexedEnum(
      Root(), m_session.data(), count,
      [values](size_t index, VARIANT* out) { return ValueToAbi(values->at(index), out); }));
  return S_OK;
}

HRESULT XSession::Lookup(const VARIANT& index, QString& key, CVariant& value) const {
  const VARIANT& v = Unwrapped(index);
  if (TextOf(v, key)) {
    value = m_session->Values().GetVariant(key);
    return S_OK;
  }
  int32_t position = 0;
  if (!IndexFromVariant(v, position)) return E_INVALIDARG;
  key.clear();
  value = CVariant();
  if (position >= 1) EntryAt(m_session->Values(), position - 1, &key, &value);
  return S_OK;
}

HRESULT XSession::get_Item(VARIANT vIndex, VARIANT* pvValue) {
  if (pvValue == nullptr) return E_POINTER;
  VariantInit(pvValue);
  QLT_REQUIRE_SESSION();
  QString key;
  CVariant value;
  const HRESULT hr = Lookup(vIndex, key, value);
  return FAILED(hr) ? hr : ReturnValue(pvValue, value);
}

HRESULT XSession::put_Item(VARIANT vIndex, VARIANT vValue) {
  QLT_REQUIRE_SESSION();
  QString key;
  if (!TextOf(Unwrapped(vIndex), key) || key.isEmpty()) return E_INVALIDARG;
  CVariant value;
  const HRESULT hr = ValueFromAbi(vValue, value);
  if (FAILED(hr)) return hr;
  m_session->SetValue(key, value);
  return S_OK;
}

HRESULT XSession::get_Count(LONG* pnCount) {
  QLT_REQUIRE_SESSION();
  return ReturnLong(pnCount, m_session->Values().Count());
}

HRESULT XSession::get_Key(LONG nIndex, BSTR* pstrKey) {
  if (pstrKey != nullptr) *pstrKey = nullptr;
  QLT_REQUIRE_SESSION();
  QString key;
  if (nIndex < 1 || !EntryAt(m_session->Values(), nIndex - 1, &key, nullptr)) return E_INVALIDARG;
  return ReturnText(pstrKey, key);
}

HRESULT XSession::get_Value(LONG nIndex, BSTR* pstrValue) {
  if (pstrValue != nullptr) *pstrValue = nullptr;
  QLT_REQUIRE_SESSION();
  CVariant value;
  if (nIndex < 1 || !EntryAt(m_session->Values(), nIndex - 1, nullptr, &value)) {
    return E_INVALIDARG;
  }
  QString text;
  if (!value.ToText(text)) text.clear();
  return ReturnText(pstrValue, text);
}

HRESULT XSession::get_UnitID(BSTR* pstrUnitID) {
  QLT_REQUIRE_SESSION();
  return ReturnText(pstrUnitID, m_session->UnitId());
}

HRESULT XSession::put_UnitID(BSTR strUnitID) {
  QLT_REQUIRE_SESSION();
  m_session->SetUnitId(TextFromBstr(strUnitID));
  return S_OK;
}

HRESULT XSession::get_Name(BSTR* pstrName) {
  if (pstrName != nullptr) *pstrName = nullptr;
  QLT_REQUIRE_SESSION();
  return E_NOTIMPL;
}

HRESULT XSession::put_Name(BSTR) {
  QLT_REQUIRE_SESSION();
  return E_NOTIMPL;
}

HRESULT XSession::get_Date(DATE* pdtDate) {
  QLT_REQUIRE_SESSION();
  return ReturnDate(pdtDate, m_session->Created());
}

HRESULT XSession::put_Date(DATE dtDate) {
  QLT_REQUIRE_SESSION();
  CSystemTime time;
  if (!TimeFromDate(dtDate, time)) return E_INVALIDARG;
  m_session->SetCreated(time);
  return S_OK;
}

HRESULT XSession::get_LastSaved(DATE* pdtSaved) {
  QLT_REQUIRE_SESSION();
  return ReturnDate(pdtSaved, m_session->Saved());
}

HRESULT XSession::put_LastSaved(DATE dtSaved) {
  QLT_REQUIRE_SESSION();
  CSystemTime time;
  if (!TimeFromDate(dtSaved, time)) return E_INVALIDARG;
  m_session->SetSaved(time);
  return S_OK;
}

HRESULT XSession::DateVariant(VARIANT* out) {
  DATE date = 0;
  const HRESULT hr = get_Date(&date);
  if (SUCCEEDED(hr) && out != nullptr) {
    out->vt = VT_DATE;
    out->date = date;
  }
  return hr;
}

HRESULT XSession::LastSavedVariant(VARIANT* out) {
  DATE date = 0;
  const HRESULT hr = get_LastSaved(&date);
  if (SUCCEEDED(hr) && out != nullptr) {
    out->vt = VT_DATE;
    out->date = date;
  }
  return hr;
}

HRESULT XSession::get_Archived(VARIANT_BOOL* pbArchived) {
  QLT_REQUIRE_SESSION();
  return ReturnBool(pbArchived, !m_session->IsNew());
}

HRESULT XSession::put_Archived(VARIANT_BOOL) {
  QLT_REQUIRE_SESSION();
  return E_NOTIMPL;
}

HRESULT XSession::get_GUID(BSTR* pstrGUID) {
  QLT_REQUIRE_SESSION();
  return ReturnText(pstrGUID, m_session->GuidText());
}

HRESULT XSession::get_Marked(VARIANT_BOOL* pbMarked) {
  QLT_REQUIRE_SESSION();
  if (pbMarked == nullptr) return E_POINTER;
  *pbMarked = VARIANT_FALSE;
  if (m_session->IsNew()) return S_OK;
  CSessionDatabase* database = Database();
  if (database == nullptr) return E_FAIL;
  // The flags as stored: the list may show another state, and the row may have changed since.
  const CSessionPtr stored = database->LoadSession(m_session->Guid(), true);
  return ReturnBool(pbMarked, stored && (stored->Flags() & CSession::kFlagMarked) != 0);
}

HRESULT XSession::put_Marked(VARIANT_BOOL bMarked) {
  QLT_REQUIRE_SESSION();
  CSessionDatabase* database = Database();
  if (database == nullptr) return E_FAIL;
  CSessionPtr stored;
  if (!m_session->IsNew()) stored = database->LoadSession(m_session->Guid(), true);
  uint32_t flags = stored ? stored->Flags() : m_session->Flags();
  flags = bMarked != VARIANT_FALSE ? flags | CSession::kFlagMarked : flags & ~CSession::kFlagMarked;
  m_session->AssignFlags(flags);
  if (!stored) return S_OK;
  return database->SetSessionFlags(m_session->Guid(), flags) ? S_OK : E_FAIL;
}

HRESULT XSession::Clone(IDispatch** ppSession) {
  QLT_REQUIRE_SESSION_FOR(ppSession);
  if (ppSession == nullptr) return E_POINTER;
  const CSessionPtr copy = m_session->Clone();
  return ReturnObject(ppSession, Root()->SessionFacet(m_project, copy.data()));
}

HRESULT XSession::Save(VARIANT_BOOL* pbSuccess) {
  QLT_REQUIRE_SESSION();
  CSessionDatabase* database = Database();
  if (database == nullptr || !database->SaveSession(*m_session)) {
    return Unsuccessful(pbSuccess, E_FAIL);
  }
  return Succeeded(pbSuccess);
}

HRESULT XSession::Delete(VARIANT_BOOL* pbSuccess) {
  QLT_REQUIRE_SESSION();
  if (m_session->IsNew()) return Unsuccessful(pbSuccess, E_UNEXPECTED);
  CSessionDatabase* database = Database();
  if (database == nullptr || !database->DeleteSession(m_session->Guid())) {
    return Unsuccessful(pbSuccess, E_FAIL);
  }
  return Succeeded(pbSuccess);
}

HRESULT XSession::SendToClient(BSTR, VARIANT_BOOL* pbSuccess) {
  QLT_REQUIRE_SESSION();
  return Unsuccessful(pbSuccess, E_UNEXPECTED);
}

HRESULT XSession::SendToLocal(VARIANT_BOOL* pbSuccess) {
  QLT_REQUIRE_SESSION();
  return Unsuccessful(pbSuccess, E_NOTIMPL);
}

HRESULT XSession::SendToAll(VARIANT_BOOL* pbSuccess) {
  QLT_REQUIRE_SESSION();
  return Unsuccessful(pbSuccess, E_UNEXPECTED);
}

HRESULT XSession::GetDecodedItem(VARIANT vIndex, VARIANT* pvValue) {
  if (pvValue == nullptr) return E_POINTER;
  VariantInit(pvValue);
  QLT_REQUIRE_SESSION();
  QString key;
  CVariant value;
  const HRESULT hr = Lookup(vIndex, key, value);
  if (FAILED(hr)) return hr;
  // Decoded as the session list shows a value: a file by its name, other binary values by a
  // placeholder, the rest as text. Nothing is written anywhere.
  if (FileBlob::IsFile(value))
    return ReturnValue(pvValue, CVariant::FromString(FileBlob::Name(value)));
  if (value.IsEmptyOrNull()) return ReturnValue(pvValue, value);
  QString text;
  if (value.IsArray()) {
    text = QStringLiteral("(Binary)");
  } else if (!value.ToText(text)) {
    return ReturnValue(pvValue, value);
  }
  return ReturnValue(pvValue, CVariant::FromString(text));
}

HRESULT XSession::get_State(LONG* pnState) {
  QLT_REQUIRE_SESSION();
  if (pnState != nullptr) *pnState = 0;
  return E_NOTIMPL;
}

HRESULT XSession::put_State(LONG) {
  QLT_REQUIRE_SESSION();
  return E_NOTIMPL;
}
