#include "automation/indexed_enum.h"

CIndexedEnum::CIndexedEnum(CAutomationRoot* root, const void* core, size_t count, Fetch fetch)
    : CFacet(root, core), m_count(count), m_fetch(std::move(fetch)) {}

HRESULT CIndexedEnum::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IEnumVARIANT) return E_NOINTERFACE;
  *ppv = static_cast<IEnumVARIANT*>(this);
  AddRef();
  return S_OK;
}

ULONG CIndexedEnum::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

HRESULT CIndexedEnum::Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) {
  if (pCeltFetched != nullptr) *pCeltFetched = 0;
  if (celt == 0) return S_OK;
  if (rgVar == nullptr || (pCeltFetched == nullptr && celt > 1)) return E_INVALIDARG;
  for (ULONG i = 0; i < celt; ++i) VariantInit(&rgVar[i]);
  if (Core() == nullptr || !m_fetch) return RPC_E_DISCONNECTED;
  ULONG fetched = 0;
  while (fetched < celt && m_position < m_count) {
    if (FAILED(m_fetch(m_position, &rgVar[fetched]))) break;
    ++m_position;
    ++fetched;
  }
  if (pCeltFetched != nullptr) *pCeltFetched = fetched;
  return fetched == celt ? S_OK : S_FALSE;
}

HRESULT CIndexedEnum::Skip(ULONG celt) {
  if (Core() == nullptr) return RPC_E_DISCONNECTED;
  if (celt > m_count - m_position) {
    m_position = m_count;
    return S_FALSE;
  }
  m_position += celt;
  return S_OK;
}

HRESULT CIndexedEnum::Reset() {
  m_position = 0;
  return Core() == nullptr ? RPC_E_DISCONNECTED : S_OK;
}

HRESULT CIndexedEnum::Clone(IEnumVARIANT** ppEnum) {
  if (ppEnum != nullptr) *ppEnum = nullptr;
  return E_NOTIMPL;
}
