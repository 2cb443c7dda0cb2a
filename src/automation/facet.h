// CFacet and TDispatchFacet: what every automation object shares. CFacet ties the object to its
// core object and to the CAutomationRoot that hands facets out (so the root can disconnect it
// when the core object goes); TDispatchFacet gives reference counting, QueryInterface over the
// interface's identifiers and IDispatch from the facet's member table. A facet is owned by its
// references: it deletes itself on the last Release. UI thread.
#pragma once

#include "automation/dispatch_table.h"
#include "qlt_automation.h"

class CAutomationRoot;

namespace qlt::automation {
// Answered only by this client's own facets: QueryInterface hands out the CFacet itself (with a
// reference), so a member taking an object can tell our points from an outside object.
inline constexpr IID kFacetIid = GuidLiteral("{6A0D3C57-2F4E-4B71-9C1A-8E52B7D940F3}");
}  // namespace qlt::automation

class CFacet {
 public:
  CFacet(CAutomationRoot* root, const void* core);
  virtual ~CFacet();
  CFacet(const CFacet&) = delete;
  CFacet& operator=(const CFacet&) = delete;

  virtual ULONG AddFacetRef() = 0;
  virtual ULONG ReleaseFacet() = 0;

  const void* Core() const { return m_core; }
  CAutomationRoot* Root() const { return m_root; }
  // The core object (or the root) is going away: from now on every member answers
  // RPC_E_DISCONNECTED and the facet only waits for its last Release.
  void Disconnect();
  // The root is going away; the facet is disconnected and forgets it.
  void DetachFromRoot();
  // The Application member every facet has: the root's application facet.
  HRESULT ReturnApplication(IDispatch** out) const;

 protected:
  // Clears the facet's typed pointer to its core object.
  virtual void OnDisconnect() = 0;

 private:
  CAutomationRoot* m_root;
  const void* m_core;
};

template <typename Derived, typename Interface>
class TDispatchFacet : public Interface, public CFacet {
 public:
  TDispatchFacet(CAutomationRoot* root, const void* core) : CFacet(root, core) {}

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == Interface::kIid) {
      *ppv = static_cast<Interface*>(this);
    } else if (riid == qlt::automation::kFacetIid) {
      *ppv = static_cast<CFacet*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    const ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
  }
  ULONG AddFacetRef() override { return AddRef(); }
  ULONG ReleaseFacet() override { return Release(); }

  // The interface description is not handed out as an object.
  HRESULT GetTypeInfoCount(UINT* pctinfo) override {
    if (pctinfo == nullptr) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override {
    if (ppTInfo != nullptr) *ppTInfo = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return Derived::Table().GetIDsOfNames(names, count, ids);
  }
  HRESULT Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO*, UINT* argErr) override {
    // The call may release the last outside reference; the facet lives until it returns.
    AddRef();
    const HRESULT hr = Derived::Table().Invoke(static_cast<Derived*>(this), id, riid, flags, params,
                                               result, argErr);
    Release();
    return hr;
  }

 private:
  ULONG m_refs = 1;  // the creator's reference
};
