#include "automation/x_telegram.h"

#include "app/services.h"
#include "automation/automation_root.h"
#include "automation/enum_variant.h"
#include "automation/facet_support.h"
#include "values/abi_values.h"

using namespace qlt::automation;

#define QLT_REQUIRE_TELEGRAM() \
  if (m_telegram == nullptr) return RPC_E_DISCONNECTED

namespace {

// The entry at a 1-based position, or false.
bool EntryAt(const CVariantMap& values, LONG position, QString* key, CVariant* value) {
  if (position < 1 || position > values.Count()) return false;
  LONG at = 0;
  values.ForEach([&](const QString& k, const CVariant& v) {
    if (++at != position) return;
    if (key != nullptr) *key = k;
    if (value != nullptr) *value = v;
  });
  return true;
}

HRESULT ReturnValue(VARIANT* out, const CVariant& value) {
  if (out == nullptr) return E_POINTER;
  VariantInit(out);
  return ValueToAbi(value, out);
}

// A by-reference argument as the value it points at.
const VARIANT& Dereferenced(const VARIANT& v) {
  return v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal != nullptr ? *v.pvarVal : v;
}

bool KeyOf(const VARIANT& index, QString& key) {
  if (index.vt == VT_BSTR) {
    key = TextFromBstr(index.bstrVal);
    return true;
  }
  if (index.vt == (VT_BYREF | VT_BSTR) && index.pbstrVal != nullptr) {
    key = TextFromBstr(*index.pbstrVal);
    return true;
  }
  return false;
}

}  // namespace

XTelegram::XTelegram(CAutomationRoot* root, CTelegram telegram)
    : TDispatchFacet(root, telegram.Project()),
      m_own(std::make_unique<CTelegram>(std::move(telegram))),
      m_telegram(m_own.get()) {}

XTelegram::XTelegram(CAutomationRoot* root, CTelegram* lent)
    : TDispatchFacet(root, lent->Project()), m_telegram(lent) {}

XTelegram* XTelegram::Lend(CAutomationRoot* root, CTelegram* telegram) {
  return telegram == nullptr ? nullptr : new XTelegram(root, telegram);
}

void XTelegram::EndLoan() {
  const ULONG others = AddRef() - 2;  // besides the caller's reference and this one
  if (others > 0 && m_telegram != nullptr && !m_own) {
    m_own = std::make_unique<CTelegram>(m_telegram->Clone());
    m_telegram = m_own.get();
  }
  Release();
  Release();
}

void XTelegram::OnDisconnect() {
  m_telegram = nullptr;
  m_own.reset();
}

const CDispatchTable& XTelegram::Table() {
  static const CDispatchTable table({
      Bind<&XTelegram::get_Application>("Application", 1, DISPATCH_PROPERTYGET),
      Bind<&XTelegram::get_Project>("Project", 2, DISPATCH_PROPERTYGET),
      Bind<&XTelegram::get__NewEnum>("_NewEnum", DISPID_NEWENUM, DISPATCH_PROPERTYGET),
      Bind<&XTelegram::get_Item>("Item", 0, DISPATCH_PROPERTYGET),
      Bind<&XTelegram::put_Item>("Item", 0, DISPATCH_PROPERTYPUT),
      Bind<&XTelegram::get_Count>("Count", 3, DISPATCH_PROPERTYGET),
      Bind<&XTelegram::get_Key>("Key", 4, DISPATCH_PROPERTYGET),
      Bind<&XTelegram::get_Value>("Value", 5, DISPATCH_PROPERTYGET),
      Bind<&XTelegram::get_UnitID>("UnitID", 6, DISPATCH_PROPERTYGET),
      Bind<&XTelegram::Clone>("Clone", 0xa, DISPATCH_METHOD),
      Bind<&XTelegram::SendToServer>("SendToServer", 0xb, DISPATCH_METHOD),
      Bind<&XTelegram::SendToClient>("SendToClient", 0xc, DISPATCH_METHOD),
  });
  return table;
}

HRESULT XTelegram::get_Application(IDispatch** ppApplication) {
  return ReturnApplication(ppApplication);
}

HRESULT XTelegram::get_Project(IDispatch** ppProject) {
  if (m_telegram == nullptr || Root() == nullptr) {
    return ReturnNoObject(ppProject, RPC_E_DISCONNECTED);
  }
  if (ppProject == nullptr) return E_POINTER;
  return ReturnObject(ppProject, Root()->ProjectFacet(m_telegram->Project()));
}

HRESULT XTelegram::get__NewEnum(IUnknown** ppEnum) {
  if (ppEnum == nullptr) return E_POINTER;
  *ppEnum = nullptr;
  QLT_REQUIRE_TELEGRAM();
  std::vector<VARIANT> values;
  HRESULT failed = S_OK;
  m_telegram->Values().ForEach([&](const QString&, const CVariant& value) {
    VARIANT v;
    VariantInit(&v);
    if (FAILED(ValueToAbi(value, &v))) failed = E_OUTOFMEMORY;
    values.push_back(v);
  });
  if (FAILED(failed)) {
    for (VARIANT& v : values) VariantClear(&v);
    return failed;
  }
  *ppEnum = static_cast<IEnumVARIANT*>(
      new CEnumVariant(Root(), m_telegram->Project(), std::move(values)));
  return S_OK;
}

HRESULT XTelegram::get_Item(VARIANT vIndex, VARIANT* pvValue) {
  if (pvValue == nullptr) return E_POINTER;
  VariantInit(pvValue);
  QLT_REQUIRE_TELEGRAM();
  const VARIANT& index = Dereferenced(vIndex);
  const CVariantMap& values = m_telegram->Values();
  QString key;
  if (KeyOf(index, key)) {
    const CVariant* value = values.Find(key);
    return value == nullptr ? S_OK : ReturnValue(pvValue, *value);
  }
  int32_t position = 0;
  if (!IndexFromVariant(index, position)) return E_INVALIDARG;
  CVariant value;
  if (!EntryAt(values, position, nullptr, &value)) return S_OK;  // empty
  return ReturnValue(pvValue, value);
}

HRESULT XTelegram::put_Item(VARIANT vIndex, VARIANT vValue) {
  QLT_REQUIRE_TELEGRAM();
  QString key;
  if (!KeyOf(Dereferenced(vIndex), key)) return E_INVALIDARG;
  CVariant value;
  const HRESULT hr = ValueFromAbi(Dereferenced(vValue), value);
  if (FAILED(hr)) return hr;
  m_telegram->MutableValues().SetVariant(key, value);
  return S_OK;
}

HRESULT XTelegram::get_Count(LONG* pnCount) {
  QLT_REQUIRE_TELEGRAM();
  return ReturnLong(pnCount, m_telegram->Values().Count());
}

HRESULT XTelegram::get_Key(LONG nIndex, BSTR* pstrKey) {
  if (pstrKey == nullptr) return E_POINTER;
  *pstrKey = nullptr;
  QLT_REQUIRE_TELEGRAM();
  QString key;
  if (!EntryAt(m_telegram->Values(), nIndex, &key, nullptr)) return E_INVALIDARG;
  return ReturnText(pstrKey, key);
}

HRESULT XTelegram::get_Value(LONG nIndex, VARIANT* pvValue) {
  if (pvValue == nullptr) return E_POINTER;
  VariantInit(pvValue);
  QLT_REQUIRE_TELEGRAM();
  CVariant value;
  if (!EntryAt(m_telegram->Values(), nIndex, nullptr, &value)) return E_INVALIDARG;
  return ReturnValue(pvValue, value);
}

HRESULT XTelegram::get_UnitID(BSTR* pstrUnitID) {
  QLT_REQUIRE_TELEGRAM();
  return ReturnText(pstrUnitID, m_telegram->UnitId());
}

HRESULT XTelegram::Clone(IDispatch** ppTelegram) {
  if (m_telegram == nullptr) return ReturnNoObject(ppTelegram, RPC_E_DISCONNECTED);
  if (ppTelegram == nullptr) return E_POINTER;
  return ReturnObject(ppTelegram, new XTelegram(Root(), m_telegram->Clone()));
}

HRESULT XTelegram::SendToServer(VARIANT_BOOL* pbSuccess) {
  // Nothing leaves when the caller could not learn whether it did.
  if (pbSuccess == nullptr) return E_POINTER;
  *pbSuccess = VARIANT_FALSE;
  QLT_REQUIRE_TELEGRAM();
  return ReturnBool(pbSuccess, CServices::Instance().Telegrams().Send(*m_telegram));
}

HRESULT XTelegram::SendToClient(BSTR, VARIANT_BOOL* pbSuccess) {
  // The client reaches other units only through the server.
  if (pbSuccess != nullptr) *pbSuccess = VARIANT_FALSE;
  return E_UNEXPECTED;
}
