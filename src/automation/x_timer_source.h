// XTimerSource: the application's ITWKFTimerSource, over the root's timer table. One per root,
// handed out by it (and by the application facet's QueryInterface); owned by its references;
// disconnected when the root goes. UI thread.
#pragma once

#include "automation/facet.h"

class CTimerTable;

class XTimerSource : public ITWKFTimerSource, public CFacet {
 public:
  XTimerSource(CAutomationRoot* root, CTimerTable* timers);

  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override;
  ULONG AddFacetRef() override { return AddRef(); }
  ULONG ReleaseFacet() override { return Release(); }

  HRESULT CreateTimer(LONG nDuration, ITWKFTimerSink* pSink, LONG* phTimer) override;
  HRESULT DeleteTimer(LONG hTimer) override;

 protected:
  void OnDisconnect() override { m_timers = nullptr; }

 private:
  ULONG m_refs = 1;
  CTimerTable* m_timers;
};
