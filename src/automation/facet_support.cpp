#include "automation/facet_support.h"

#include "values/abi_values.h"

namespace qlt::automation {

HRESULT ReturnText(BSTR* out, const QString& text) {
  if (out == nullptr) return E_POINTER;
  *out = BstrFromText(text);
  return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT ReturnBool(VARIANT_BOOL* out, bool value) {
  if (out == nullptr) return E_POINTER;
  *out = value ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT ReturnLong(LONG* out, LONG value) {
  if (out == nullptr) return E_POINTER;
  *out = value;
  return S_OK;
}

HRESULT ReturnObject(IDispatch** out, IDispatch* object) {
  if (out == nullptr) {
    if (object != nullptr) object->Release();
    return E_POINTER;
  }
  *out = object;
  return S_OK;
}

HRESULT ReturnNoObject(IDispatch** out, HRESULT hr) {
  if (out != nullptr) *out = nullptr;
  return hr;
}

bool IndexFromVariant(const VARIANT& index, int32_t& out) {
  VARIANT number;
  VariantInit(&number);
  if (FAILED(CoerceAbi(index, VT_I4, &number))) return false;
  out = number.lVal;
  return true;
}

}  // namespace qlt::automation
