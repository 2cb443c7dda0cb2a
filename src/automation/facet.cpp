#include "automation/facet.h"

#include "automation/automation_root.h"
#include "automation/facet_support.h"

CFacet::CFacet(CAutomationRoot* root, const void* core) : m_root(root), m_core(core) {
  if (m_root != nullptr) m_root->Register(this);
}

CFacet::~CFacet() {
  if (m_root != nullptr) m_root->Unregister(this);
}

void CFacet::Disconnect() {
  if (m_core == nullptr) return;
  if (m_root != nullptr) m_root->Forget(this);
  m_core = nullptr;
  OnDisconnect();
}

void CFacet::DetachFromRoot() {
  Disconnect();
  m_root = nullptr;
}

HRESULT CFacet::ReturnApplication(IDispatch** out) const {
  if (m_root == nullptr || m_core == nullptr) {
    return qlt::automation::ReturnNoObject(out, RPC_E_DISCONNECTED);
  }
  return qlt::automation::ReturnObject(out, m_root->ApplicationFacet());
}
