#include "automation/property_bag.h"

#include "values/abi_values.h"
#include "values/variant_map.h"

namespace {

QString NameOf(LPCOLESTR name) { return name ? QString::fromUtf16(name) : QString(); }

}  // namespace

HRESULT XPropertyBag::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IPropertyBag::kIid) return E_NOINTERFACE;
  *ppv = static_cast<IPropertyBag*>(this);
  AddRef();
  return S_OK;
}

ULONG XPropertyBag::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

HRESULT XPropertyBag::Read(LPCOLESTR pszPropName, VARIANT* pVar, IUnknown*) {
  if (pVar == nullptr || pszPropName == nullptr) return E_POINTER;
  if (m_map == nullptr) return E_FAIL;
  const CVariant* stored = m_map->Find(NameOf(pszPropName));
  if (stored == nullptr) return E_FAIL;
  VariantClear(pVar);
  return ValueToAbi(*stored, pVar);
}

HRESULT XPropertyBag::Write(LPCOLESTR pszPropName, VARIANT* pVar) {
  if (pVar == nullptr || pszPropName == nullptr) return E_POINTER;
  if (m_map == nullptr) return E_FAIL;
  CVariant value;
  const HRESULT hr = ValueFromAbi(*pVar, value);
  if (FAILED(hr)) return hr;
  m_map->SetVariant(NameOf(pszPropName), value);
  return S_OK;
}
