// XPoint: the IPoint facet of a point (any type). Handed out by CAutomationRoot, one per point;
// owned by its references; disconnected when the point is removed through automation. UI thread.
#pragma once

#include "automation/facet.h"

class CBasePoint;

class XPoint : public TDispatchFacet<XPoint, IPoint> {
 public:
  XPoint(CAutomationRoot* root, CBasePoint* point);
  static const qlt::automation::CDispatchTable& Table();
  CBasePoint* Point() const { return m_point; }

  HRESULT get_Value(BSTR* pstrValue) override;
  HRESULT put_Value(BSTR strValue) override;
  HRESULT get_Application(IDispatch** ppApplication) override;
  HRESULT get_Project(IDispatch** ppProject) override;
  HRESULT get_Page(IDispatch** ppPage) override;
  HRESULT get_Unique(LONG* pnUnique) override;
  HRESULT get_TypeName(BSTR* pstrName) override;
  HRESULT get_TypeCode(LONG* pnCode) override;
  HRESULT get_Custom(IDispatch** ppCustom) override;
  HRESULT get_Name(BSTR* pstr) override;
  HRESULT put_Name(BSTR str) override;
  HRESULT get_Caption(BSTR* pstr) override;
  HRESULT put_Caption(BSTR str) override;
  HRESULT get_Help(BSTR* pstr) override;
  HRESULT put_Help(BSTR str) override;
  HRESULT get_Default(BSTR* pstr) override;
  HRESULT put_Default(BSTR str) override;
  HRESULT get_Required(LONG* pnMode) override;
  HRESULT put_Required(LONG nMode) override;
  HRESULT get_Visible(VARIANT_BOOL* pbVisible) override;
  HRESULT put_Visible(VARIANT_BOOL bVisible) override;
  HRESULT get_Results(LONG* pnResults) override;
  HRESULT put_Results(LONG nResults) override;
  HRESULT get_Bold(LONG* pnBold) override;
  HRESULT put_Bold(LONG nBold) override;
  HRESULT AddDependent(IDispatch* pPoint) override;
  HRESULT UpdateDependents() override;
  HRESULT get_VariantValue(VARIANT* pvValue) override;
  HRESULT put_VariantValue(VARIANT vValue) override;
  HRESULT SaveSketchImage(VARIANT vValue, BSTR bsFilename) override;
  HRESULT SaveSketchImageEx(IDispatch* pSession, BSTR bsFilename) override;
  HRESULT GetOutputString(VARIANT vValue, BSTR strBaseFile, LONG nIndex, BSTR* pstrOutput) override;
  HRESULT get_DesignImageListIndex(LONG* pnIndex) override;
  HRESULT get_AsXML(BSTR* pstrXML) override;

  // The point behind an object a caller handed in, when it is one of our point facets.
  static CBasePoint* PointOf(IUnknown* object);

 protected:
  void OnDisconnect() override { m_point = nullptr; }

 private:
  void RedrawPage() const;

  CBasePoint* m_point;
};
