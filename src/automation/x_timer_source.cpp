#include "automation/x_timer_source.h"

#include "automation/timer_table.h"

XTimerSource::XTimerSource(CAutomationRoot* root, CTimerTable* timers)
    : CFacet(root, root), m_timers(timers) {}

HRESULT XTimerSource::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != ITWKFTimerSource::kIid) return E_NOINTERFACE;
  *ppv = static_cast<ITWKFTimerSource*>(this);
  AddRef();
  return S_OK;
}

ULONG XTimerSource::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

HRESULT XTimerSource::CreateTimer(LONG nDuration, ITWKFTimerSink* pSink, LONG* phTimer) {
  if (m_timers == nullptr) {
    if (phTimer != nullptr) *phTimer = 0;
    return RPC_E_DISCONNECTED;
  }
  return m_timers->Create(nDuration, pSink, phTimer);
}

HRESULT XTimerSource::DeleteTimer(LONG hTimer) {
  if (m_timers == nullptr) return RPC_E_DISCONNECTED;
  return m_timers->Delete(hTimer);
}
