// XDatabase: the IDatabase facet of an open project's session database: its list of sessions
// (the state the session list shows), sessions by GUID, new sessions, file values and the free
// session query. Kept under the project (one per project) and disconnected with it; it asks the
// project's editing flow for the database on every call. Handed out by CAutomationRoot; owned by
// its references. UI thread.
#pragma once

#include "automation/facet.h"

class CProject;
class CSessionDatabase;

class XDatabase : public TDispatchFacet<XDatabase, IDatabase> {
 public:
  XDatabase(CAutomationRoot* root, CProject* project);
  static const qlt::automation::CDispatchTable& Table();

  HRESULT get_Application(IDispatch** ppApplication) override;
  HRESULT get_Project(IDispatch** ppProject) override;
  HRESULT get__NewEnum(IUnknown** ppEnum) override;
  HRESULT get_Item(VARIANT vIndex, IDispatch** ppSession) override;
  HRESULT get_Count(LONG* pnCount) override;
  HRESULT Add(IDispatch** ppSession) override;
  HRESULT SaveToFile(VARIANT vValue, BSTR strFilename, VARIANT_BOOL* pbSuccess) override;
  HRESULT LoadFromFile(BSTR strFilename, VARIANT* pvValue) override;
  HRESULT IsFileValue(VARIANT vValue, VARIANT_BOOL* pbFile) override;
  HRESULT GetFileName(VARIANT vValue, BSTR* pstrName) override;
  HRESULT Query(BSTR strStates, BSTR strFilterColumn, BSTR strFilterValue, BSTR strSortColumn,
                VARIANT_BOOL bSortNumeric, VARIANT_BOOL bSortDescending, VARIANT arrColumns,
                VARIANT* parrResults) override;

 protected:
  void OnDisconnect() override { m_project = nullptr; }

 private:
  // The project's open database, or nullptr.
  CSessionDatabase* Database() const;

  CProject* m_project;
};
