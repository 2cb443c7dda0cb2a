// CAutomationServer: what start-up leaves to the automation layer and exit releases first. Made
// by the application object once the translation table and the unit identity stand: it checks the
// interface description the program carries, lists the outside custom-point classes of the class
// registry in the point-type registry, and makes the automation root with the class object of the
// application ("TWKF.Application"), which in-process callers reach through QltGetClassObject. Its
// destruction revokes the class object and releases the root (timers stopped, sinks released,
// every facet still held outside disconnected). One per process, owned by the application object;
// UI thread.
#pragma once

#include <memory>

#include "app/twkf_app.h"
#include "automation/com.h"

class CAutomationRoot;
class CPointFactory;

class CAutomationServer : public CTWKFApp::CAutomationPart {
 public:
  explicit CAutomationServer(CPointFactory& factory);
  ~CAutomationServer() override;

  CAutomationRoot* Root() const { return m_root.get(); }
  // The server of this process, nullptr before start-up made it and after exit.
  static CAutomationServer* Instance();

  // The class object of `clsid` (the application's) as `riid`: CLASS_E_CLASSNOTAVAILABLE for
  // another class, E_POINTER for a null out pointer.
  HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv);

 private:
  std::unique_ptr<CAutomationRoot> m_root;
};

// The class objects of the running client for in-process callers (a custom-point library finds
// it in the program with dlsym); CLASS_E_CLASSNOTAVAILABLE while no server runs.
extern "C" __attribute__((visibility("default"))) HRESULT QltGetClassObject(REFCLSID clsid,
                                                                            REFIID riid,
                                                                            void** ppv);
