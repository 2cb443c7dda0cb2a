// CIndexedEnum: an enumerator (IEnumVARIANT) over a fixed number of elements that are made one at
// a time when Next reaches them, so enumerating a database's sessions loads only the sessions
// fetched. Disconnected with its collection's core object like every facet. Owned by its
// references; UI thread.
#pragma once

#include <functional>

#include "automation/facet.h"

class CIndexedEnum : public IEnumVARIANT, public CFacet {
 public:
  // Writes element `index` (0-based) into an initialised VARIANT; a failure ends Next there.
  using Fetch = std::function<HRESULT(size_t index, VARIANT* out)>;

  CIndexedEnum(CAutomationRoot* root, const void* core, size_t count, Fetch fetch);

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
  void OnDisconnect() override { m_fetch = nullptr; }

 private:
  ULONG m_refs = 1;
  size_t m_count;
  Fetch m_fetch;
  size_t m_position = 0;
};
