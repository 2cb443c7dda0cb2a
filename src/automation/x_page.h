// XPage: the IPage facet of a page, and XPoints: the IPoints view over a page's points (a new
// view per request). Handed out by CAutomationRoot; owned by their references; disconnected when
// the page is removed through automation. UI thread.
#pragma once

#include "automation/facet.h"

class CPage;

class XPage : public TDispatchFacet<XPage, IPage> {
 public:
  XPage(CAutomationRoot* root, CPage* page);
  static const qlt::automation::CDispatchTable& Table();

  HRESULT get_Application(IDispatch** ppApplication) override;
  HRESULT get_Project(IDispatch** ppProject) override;
  HRESULT get_Points(IDispatch** ppPoints) override;
  HRESULT get_Unique(LONG* pnUnique) override;
  HRESULT get_Caption(BSTR* pstr) override;
  HRESULT put_Caption(BSTR str) override;
  HRESULT get_Text(BSTR* pstr) override;
  HRESULT put_Text(BSTR str) override;
  HRESULT get_Help(BSTR* pstr) override;
  HRESULT put_Help(BSTR str) override;
  HRESULT Activate() override;
  HRESULT Refresh() override;
  HRESULT ShowHelp(BSTR strCaption, BSTR strHelp) override;
  HRESULT get_AsXML(BSTR* pstrXML) override;

 protected:
  void OnDisconnect() override { m_page = nullptr; }

 private:
  CPage* m_page;
};

class XPoints : public TDispatchFacet<XPoints, IPoints> {
 public:
  XPoints(CAutomationRoot* root, CPage* page);
  static const qlt::automation::CDispatchTable& Table();

  HRESULT get_Application(IDispatch** ppApplication) override;
  HRESULT get_Project(IDispatch** ppProject) override;
  HRESULT get_Page(IDispatch** ppPage) override;
  HRESULT get__NewEnum(IUnknown** ppEnum) override;
  HRESULT get_Item(VARIANT vIndex, IDispatch** ppPoint) override;
  HRESULT get_Count(LONG* pnCount) override;
  HRESULT Add(LONG nType, LONG nIndex, IDispatch** ppPoint) override;
  HRESULT Remove(LONG nIndex) override;
  HRESULT AddFromXML(BSTR sXML, LONG nIndex, IDispatch** ppPoint) override;

 protected:
  void OnDisconnect() override { m_page = nullptr; }

 private:
  CPage* m_page;
};
