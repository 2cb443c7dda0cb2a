// CEnumVariant: the enumerator a collection's _NewEnum hands out, over the objects (or values) the
// collection held when it was asked (each kept with a reference, or copied, until the enumerator
// goes). Clone is not offered. Owned by its references; UI thread.
#pragma once

#include <vector>

#include "automation/facet.h"

class CEnumVariant : public IEnumVARIANT, public CFacet {
 public:
  // Takes over one reference of each object in `items`; `core` is the collection's core object.
  CEnumVariant(CAutomationRoot* root, const void* core, std::vector<IDispatch*> items);
  // Over values: takes over the variants in `values` (they are cleared when the enumerator goes).
  CEnumVariant(CAutomationRoot* root, const void* core, std::vector<VARIANT> values);
  ~CEnumVariant() override;

  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override;
  ULONG AddFacetRef() override { return AddRef(); }
  ULONG ReleaseFacet() override { return Release(); }

  HRESULT Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) override;
  HRESULT Skip(ULONG celt) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumVARIANT** ppEnum) override;

 protected:
  void OnDisconnect() override;

 private:
  void ReleaseItems();

  ULONG m_refs = 1;
  std::vector<VARIANT> m_items;  // objects as VT_DISPATCH
  size_t m_position = 0;
};
