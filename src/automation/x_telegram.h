// XTelegram: the ITelegram facet of a telegram. A facet made by IProject.NewTelegram or Clone owns
// its telegram; a telegram that arrived is lent to each custom point's control for the length of
// its OnTelegram call (Lend, EndLoan), so what one control writes into it the next one reads, and
// a control that keeps the object keeps a copy of the telegram as it was when the call ended.
// Registered under the telegram's project, so closing the project disconnects it. Owned by its
// references; UI thread.
#pragma once

#include <memory>

#include "automation/facet.h"
#include "points/telegram.h"

class XTelegram : public TDispatchFacet<XTelegram, ITelegram> {
 public:
  // A facet owning `telegram`.
  XTelegram(CAutomationRoot* root, CTelegram telegram);
  // A facet over `telegram`, which the caller keeps alive until it calls EndLoan.
  static XTelegram* Lend(CAutomationRoot* root, CTelegram* telegram);
  // The caller's telegram goes; the facet copies it when someone else still holds the facet.
  // Then releases the caller's reference.
  void EndLoan();

  static const qlt::automation::CDispatchTable& Table();
  // The telegram, nullptr once disconnected.
  CTelegram* Telegram() const { return m_telegram; }

  HRESULT get_Application(IDispatch** ppApplication) override;
  HRESULT get_Project(IDispatch** ppProject) override;
  HRESULT get__NewEnum(IUnknown** ppEnum) override;
  HRESULT get_Item(VARIANT vIndex, VARIANT* pvValue) override;
  HRESULT put_Item(VARIANT vIndex, VARIANT vValue) override;
  HRESULT get_Count(LONG* pnCount) override;
  HRESULT get_Key(LONG nIndex, BSTR* pstrKey) override;
  HRESULT get_Value(LONG nIndex, VARIANT* pvValue) override;
  HRESULT get_UnitID(BSTR* pstrUnitID) override;
  HRESULT Clone(IDispatch** ppTelegram) override;
  HRESULT SendToServer(VARIANT_BOOL* pbSuccess) override;
  HRESULT SendToClient(BSTR strUnitID, VARIANT_BOOL* pbSuccess) override;

 protected:
  void OnDisconnect() override;

 private:
  XTelegram(CAutomationRoot* root, CTelegram* lent);

  std::unique_ptr<CTelegram> m_own;
  CTelegram* m_telegram;
};
