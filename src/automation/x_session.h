// XSession: the ISession facet of a session of an open project. It holds a reference to the
// session, so a session handed out stays valid after the caller lets the database go; it is
// disconnected (RPC_E_DISCONNECTED) when its project closes. Handed out by CAutomationRoot (one
// per session object); owned by its references. UI thread.
#pragma once

#include "automation/facet.h"
#include "sessions/session.h"

class CProject;
class CSessionDatabase;

class XSession : public TDispatchFacet<XSession, ISession> {
 public:
  XSession(CAutomationRoot* root, CProject* project, CSession* session);
  static const qlt::automation::CDispatchTable& Table();

  // The project the session belongs to; nullptr once disconnected.
  const CProject* Owner() const { return m_project; }
  // The session of an ISession of ours, or nullptr for any other object.
  static CSession* SessionOf(IUnknown* object);

  HRESULT get_Application(IDispatch** ppApplication) override;
  HRESULT get_Project(IDispatch** ppProject) override;
  HRESULT get__NewEnum(IUnknown** ppEnum) override;
  HRESULT get_Item(VARIANT vIndex, VARIANT* pvValue) override;
  HRESULT put_Item(VARIANT vIndex, VARIANT vValue) override;
  HRESULT get_Count(LONG* pnCount) override;
  HRESULT get_Key(LONG nIndex, BSTR* pstrKey) override;
  HRESULT get_Value(LONG nIndex, BSTR* pstrValue) override;
  HRESULT get_UnitID(BSTR* pstrUnitID) override;
  HRESULT put_UnitID(BSTR strUnitID) override;
  HRESULT get_Name(BSTR* pstrName) override;
  HRESULT put_Name(BSTR strName) override;
  HRESULT get_Date(DATE* pdtDate) override;
  HRESULT put_Date(DATE dtDate) override;
  HRESULT get_LastSaved(DATE* pdtSaved) override;
  HRESULT put_LastSaved(DATE dtSaved) override;
  HRESULT get_Archived(VARIANT_BOOL* pbArchived) override;
  HRESULT put_Archived(VARIANT_BOOL bArchived) override;
  HRESULT get_GUID(BSTR* pstrGUID) override;
  HRESULT get_Marked(VARIANT_BOOL* pbMarked) override;
  HRESULT put_Marked(VARIANT_BOOL bMarked) override;
  HRESULT Clone(IDispatch** ppSession) override;
  HRESULT Save(VARIANT_BOOL* pbSuccess) override;
  HRESULT Delete(VARIANT_BOOL* pbSuccess) override;
  HRESULT SendToClient(BSTR strUnitID, VARIANT_BOOL* pbSuccess) override;
  HRESULT SendToLocal(VARIANT_BOOL* pbSuccess) override;
  HRESULT SendToAll(VARIANT_BOOL* pbSuccess) override;
  HRESULT GetDecodedItem(VARIANT vIndex, VARIANT* pvValue) override;
  HRESULT get_State(LONG* pnState) override;
  HRESULT put_State(LONG nState) override;

 protected:
  void OnDisconnect() override;

 private:
  // Script callers see the two times as dates, not as plain numbers.
  HRESULT DateVariant(VARIANT* out);
  HRESULT LastSavedVariant(VARIANT* out);
  // The value an Item index names and its key (empty for a position out of range);
  // E_INVALIDARG when the index is neither a text nor a number.
  HRESULT Lookup(const VARIANT& index, QString& key, CVariant& value) const;
  CSessionDatabase* Database() const;

  CProject* m_project;
  CSessionPtr m_session;
};
