#include "automation/facet.h"

#include "automation/automation_root.h"

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
