#include "automation/x_class_factory.h"

#include "automation/automation_root.h"

XClassFactory::XClassFactory(CAutomationRoot* root) : CFacet(root, root) {}

HRESULT XClassFactory::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
  *ppv = static_cast<IClassFactory*>(this);
  AddRef();
  return S_OK;
}

ULONG XClassFactory::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

HRESULT XClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
  if (ppvObject != nullptr) *ppvObject = nullptr;
  if (pUnkOuter != nullptr) return CLASS_E_NOAGGREGATION;
  if (ppvObject == nullptr) return E_POINTER;
  if (!m_connected) return RPC_E_DISCONNECTED;
  IDispatch* application = Root()->ApplicationFacet();
  const HRESULT hr =
      application->QueryInterface(riid == IID_IUnknown ? IApplication::kIid : riid, ppvObject);
  application->Release();
  return hr;
}

HRESULT XClassFactory::LockServer(BOOL fLock) {
  if (!m_connected) return RPC_E_DISCONNECTED;
  if (fLock == 0 && !Root()->IsLocked()) return E_UNEXPECTED;
  Root()->Lock(fLock != 0);
  return S_OK;
}
