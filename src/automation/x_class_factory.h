// XClassFactory: the class object of the application class: it hands out the one application
// object (never an aggregate; IUnknown is taken as IApplication) and locks the application
// against exit for its holders. One per root, handed out by it (and by the application facet's
// QueryInterface); owned by its references; disconnected when the root goes. UI thread.
#pragma once

#include "automation/facet.h"

class XClassFactory : public IClassFactory, public CFacet {
 public:
  explicit XClassFactory(CAutomationRoot* root);

  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override;
  ULONG AddFacetRef() override { return AddRef(); }
  ULONG ReleaseFacet() override { return Release(); }

  HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
  // E_UNEXPECTED for an unlock without a lock.
  HRESULT LockServer(BOOL fLock) override;

 protected:
  void OnDisconnect() override { m_connected = false; }

 private:
  ULONG m_refs = 1;
  bool m_connected = true;
};
