#include "automation/automation_server.h"

#include <QDebug>

#include "automation/automation_root.h"
#include "automation/custom_point_host.h"
#include "automation/type_library.h"
#include "qlt_automation.h"

namespace {

CAutomationServer* g_server = nullptr;

}  // namespace

CAutomationServer::CAutomationServer(CPointFactory& factory)
    : m_root(std::make_unique<CAutomationRoot>()) {
  // A description that cannot be read costs the callers that read it, not the start.
  const CTypeLibrary& library = CTypeLibrary::Embedded();
  if (library.interfaces.isEmpty()) qWarning("the interface description cannot be read");
  CCustomPointHost::ListOutsideClasses(factory);
  g_server = this;
}

CAutomationServer::~CAutomationServer() {
  if (g_server == this) g_server = nullptr;
  m_root.reset();
}

CAutomationServer* CAutomationServer::Instance() { return g_server; }

HRESULT CAutomationServer::GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (clsid != qlt::automation::kApplicationClassId) return CLASS_E_CLASSNOTAVAILABLE;
  IClassFactory* factory = m_root->ClassFactory();
  const HRESULT hr = factory->QueryInterface(riid, ppv);
  factory->Release();
  return hr;
}

extern "C" HRESULT QltGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (g_server == nullptr) {
    if (ppv != nullptr) *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  return g_server->GetClassObject(clsid, riid, ppv);
}
