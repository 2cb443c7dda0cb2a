// XProject: the IProject facet of a project, and XPages: the IPages view over its pages (a new
// view per request). Handed out by CAutomationRoot; owned by their references. UI thread.
#pragma once

#include "automation/facet.h"

class CProject;

class XProject : public TDispatchFacet<XProject, IProject> {
 public:
  XProject(CAutomationRoot* root, CProject* project);
  static const qlt::automation::CDispatchTable& Table();

  HRESULT get_Application(IDispatch** ppApplication) override;
  HRESULT get_Pages(IDispatch** ppPages) override;
  HRESULT get_Points(BSTR strName, IDispatch** ppPoint) override;
  HRESULT get_Database(IDispatch** ppDatabase) override;
  HRESULT get_Dirty(VARIANT_BOOL* pbDirty) override;
  HRESULT put_Dirty(VARIANT_BOOL bDirty) override;
  HRESULT get_Running(VARIANT_BOOL* pbRunning) override;
  HRESULT get_Title(BSTR* pstr) override;
  HRESULT put_Title(BSTR str) override;
  HRESULT get_Company(BSTR* pstr) override;
  HRESULT put_Company(BSTR str) override;
  HRESULT get_Author(BSTR* pstr) override;
  HRESULT put_Author(BSTR str) override;
  HRESULT get_Copyright(BSTR* pstr) override;
  HRESULT put_Copyright(BSTR str) override;
  HRESULT get_WebURL(BSTR* pstr) override;
  HRESULT put_WebURL(BSTR str) override;
  HRESULT get_Notes(BSTR* pstr) override;
  HRESULT put_Notes(BSTR str) override;
  HRESULT get_Unique(LONG* pnUnique) override;
  HRESULT NewTelegram(IDispatch** ppTelegram) override;
  HRESULT Synchronise(VARIANT_BOOL* pbSuccess) override;
  HRESULT get_Path(BSTR* pstrPath) override;
  HRESULT Save(VARIANT_BOOL* pbSuccess) override;
  HRESULT get_CurrentSession(IDispatch** ppSession) override;
  HRESULT SendToDevice(BSTR strUnitID, VARIANT_BOOL* pbSuccess) override;
  HRESULT RemoveFromDevice(BSTR strUnitID, VARIANT_BOOL* pbSuccess) override;
  HRESULT get_Properties(IDispatch** ppProperties) override;
  HRESULT ImportFromXML(BSTR strXML, VARIANT_BOOL* pbSuccess) override;
  HRESULT SaveNonInteractive(VARIANT_BOOL* pbSuccess) override;
  HRESULT ExportAsXML(BSTR strFilename, VARIANT_BOOL* pbSuccess) override;
  HRESULT get_AsXML(BSTR* pstrXML) override;
  HRESULT NewMailer(IDispatch** ppMailer) override;
  HRESULT get_SessionListColumns(BSTR* pstrColumns) override;

 protected:
  void OnDisconnect() override { m_project = nullptr; }

 private:
  // The header texts by their place: title, company, author, copyright, web address, notes.
  HRESULT GetHeaderText(int which, BSTR* out) const;
  HRESULT PutHeaderText(int which, BSTR value);

  CProject* m_project;
};

class XPages : public TDispatchFacet<XPages, IPages> {
 public:
  XPages(CAutomationRoot* root, CProject* project);
  static const qlt::automation::CDispatchTable& Table();

  HRESULT get_Application(IDispatch** ppApplication) override;
  HRESULT get_Project(IDispatch** ppProject) override;
  HRESULT get__NewEnum(IUnknown** ppEnum) override;
  HRESULT get_Item(VARIANT vIndex, IDispatch** ppPage) override;
  HRESULT get_Count(LONG* pnCount) override;
  HRESULT Add(LONG nIndex, IDispatch** ppPage) override;
  HRESULT Remove(LONG nIndex) override;
  HRESULT AddFromXML(BSTR sXML, LONG nIndex, IDispatch** ppPage) override;

 protected:
  void OnDisconnect() override { m_project = nullptr; }

 private:
  CProject* m_project;
};
