#include "automation/enum_variant.h"

CEnumVariant::CEnumVariant(CAutomationRoot* root, const void* core, std::vector<IDispatch*> items)
    : CFacet(root, core) {
  m_items.reserve(items.size());
  for (IDispatch* item : items) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = item;
    m_items.push_back(v);
  }
}

CEnumVariant::CEnumVariant(CAutomationRoot* root, const void* core, std::vector<VARIANT> values)
    : CFacet(root, core), m_items(std::move(values)) {}

CEnumVariant::~CEnumVariant() { ReleaseItems(); }

void CEnumVariant::ReleaseItems() {
  // Cleared first: a released item could come back to this enumerator.
  std::vector<VARIANT> items;
  items.swap(m_items);
  for (VARIANT& item : items) VariantClear(&item);
  m_position = 0;
}

void CEnumVariant::OnDisconnect() { ReleaseItems(); }

HRESULT CEnumVariant::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IEnumVARIANT) {
    *ppv = static_cast<IEnumVARIANT*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG CEnumVariant::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

HRESULT CEnumVariant::Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) {
  if (pCeltFetched != nullptr) *pCeltFetched = 0;
  if (celt == 0) return S_OK;
  if (rgVar == nullptr || (pCeltFetched == nullptr && celt > 1)) return E_INVALIDARG;
  for (ULONG i = 0; i < celt; ++i) VariantInit(&rgVar[i]);
  if (Core() == nullptr) return RPC_E_DISCONNECTED;
  ULONG fetched = 0;
  while (fetched < celt && m_position < m_items.size()) {
    const HRESULT hr = VariantCopy(&rgVar[fetched], &m_items[m_position]);
    if (FAILED(hr)) {
      for (ULONG i = 0; i < fetched; ++i) VariantClear(&rgVar[i]);
      return hr;
    }
    ++m_position;
    ++fetched;
  }
  if (pCeltFetched != nullptr) *pCeltFetched = fetched;
  return fetched == celt ? S_OK : S_FALSE;
}

HRESULT CEnumVariant::Skip(ULONG celt) {
  if (Core() == nullptr) return RPC_E_DISCONNECTED;
  const size_t left = m_items.size() - m_position;
  if (celt > left) {
    m_position = m_items.size();
    return S_FALSE;
  }
  m_position += celt;
  return S_OK;
}

HRESULT CEnumVariant::Reset() {
  m_position = 0;
  return Core() == nullptr ? RPC_E_DISCONNECTED : S_OK;
}

HRESULT CEnumVariant::Clone(IEnumVARIANT** ppEnum) {
  if (ppEnum != nullptr) *ppEnum = nullptr;
  return E_NOTIMPL;
}
