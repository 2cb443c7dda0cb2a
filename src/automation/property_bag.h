// XPropertyBag: the IPropertyBag a custom-point control reads and writes its properties through,
// over the point's property map. Made for one Load or Save call and detached when the call
// returns, so a control that keeps the bag gets E_FAIL instead of reaching a map that may be gone.
// Owned by its references; UI thread.
#pragma once

#include "qlt_custom_point.h"

class CVariantMap;

class XPropertyBag final : public IPropertyBag {
 public:
  explicit XPropertyBag(CVariantMap* map) : m_map(map) {}
  void Detach() { m_map = nullptr; }

  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override;
  HRESULT Read(LPCOLESTR pszPropName, VARIANT* pVar, IUnknown* pErrorLog) override;
  HRESULT Write(LPCOLESTR pszPropName, VARIANT* pVar) override;

 private:
  ~XPropertyBag() = default;

  CVariantMap* m_map;
  ULONG m_refs = 1;
};
