// The interfaces between the client and a custom-point control, in C++: the control implements
// ICustomPoint (and, when it wants variant values and output strings, ICustomPoint2) and may offer
// IPersistPropertyBag; the client hands it an ICustomPointSite2 and, for its properties, an
// IPropertyBag. All of them derive from IUnknown, so their own members start at vtable slot 3.
// A library exports DllGetClassObject, which gives an IClassFactory for each of its classes, and
// DllRegisterServer (qlt_sdk.h), which records them in the class registry (qlt_class_registry.h).
// Drawing contexts are the client's QPainter and the page window is its QWidget (0 without one):
// a library links the same Qt 6 as the client. Objects are reference-counted by their callers;
// every call comes on the client's user-interface thread.
#pragma once

#include "automation/com.h"
#include "qlt_sdk.h"

class QPainter;

// A rectangle in page coordinates (right and bottom exclusive).
struct QltRect {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

struct ICustomPointSite;

// The control. The client calls these in place of the point's own operations.
struct ICustomPoint : IUnknown {
  static constexpr IID kIid = {
      0xDBE13F08, 0x7DED, 0x4443, {0x9C, 0x21, 0x10, 0x02, 0x0C, 0xB4, 0xC1, 0x04}};
  // The client's site (it offers ICustomPointSite2); a failure makes the client drop the control.
  virtual HRESULT SetSite(ICustomPointSite* pSite) = 0;  // 3
  virtual HRESULT Configure(VARIANT_BOOL* pbResult) = 0;
  virtual HRESULT Init() = 0;
  virtual HRESULT Show() = 0;
  // Called with *pbValid preset to VARIANT_TRUE; false keeps the user on the page.
  virtual HRESULT Verify(VARIANT_BOOL* pbValid) = 0;
  virtual HRESULT Hide() = 0;  // 8
  virtual HRESULT SetValue(BSTR strValue) = 0;
  virtual HRESULT GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) = 0;
  virtual HRESULT Paint(QPainter* hDC, const QltRect* pRect) = 0;
  virtual HRESULT OnTap(LONG x, LONG y) = 0;
  virtual HRESULT OnCommand(ULONG nCommand, LONGLONG nArgument) = 0;  // 13
  virtual HRESULT OnDep(IDispatch* pPoint) = 0;
  virtual HRESULT OnTelegram(IDispatch* pTelegram) = 0;  // 15
};

struct ICustomPoint2 : ICustomPoint {
  static constexpr IID kIid = {
      0x9E08BB5D, 0xBEFA, 0x415E, {0xBB, 0x9F, 0x46, 0x6B, 0x84, 0x20, 0x3B, 0x20}};
  virtual HRESULT SetValueV(VARIANT vValue, VARIANT_BOOL* pbResult) = 0;  // 16
  virtual HRESULT GetOutputString(VARIANT vValue, BSTR strBaseFile, LONG nIndex,
                                  BSTR* pstrOutput) = 0;  // 17
};

// What the client offers the control: the point's surroundings, its value and the base point's
// own behaviours (Default...), which bypass the control.
struct ICustomPointSite : IUnknown {
  static constexpr IID kIid = {
      0x5CA2E304, 0x8DAD, 0x450D, {0x81, 0x34, 0x8A, 0x24, 0xEB, 0x60, 0x24, 0x77}};
  virtual HRESULT GetApplication(IDispatch** ppApplication) = 0;  // 3
  virtual HRESULT GetProject(IDispatch** ppProject) = 0;
  virtual HRESULT GetPage(IDispatch** ppPage) = 0;
  virtual HRESULT GetPoint(IDispatch** ppPoint) = 0;
  virtual HRESULT GetName(BSTR* pstrName) = 0;  // 7
  virtual HRESULT GetCaption(BSTR* pstrCaption) = 0;
  virtual HRESULT GetBold(LONG* pnBold) = 0;
  virtual HRESULT GetRequired(LONG* pnRequired) = 0;  // 10
  virtual HRESULT GetVisible(VARIANT_BOOL* pbVisible) = 0;
  virtual HRESULT GetReadOnly(VARIANT_BOOL* pbReadOnly) = 0;
  virtual HRESULT GetHWND(LONGLONG* phWnd) = 0;
  virtual HRESULT GetRect(QltRect* pRect) = 0;
  virtual HRESULT GetValue(BSTR* pstrValue) = 0;  // 15
  virtual HRESULT SetValue(BSTR strValue) = 0;
  virtual HRESULT Invalidate() = 0;
  virtual HRESULT AddPrecedent(BSTR strPoint) = 0;
  virtual HRESULT AddDependent(BSTR strPoint) = 0;
  virtual HRESULT GetPointValue(BSTR strPoint, BSTR* pstrValue) = 0;  // 20
  virtual HRESULT DefaultShow() = 0;
  virtual HRESULT DefaultVerify(VARIANT_BOOL* pbValid) = 0;
  virtual HRESULT DefaultHide() = 0;
  virtual HRESULT DefaultSetValue(BSTR strValue) = 0;
  virtual HRESULT DefaultGetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) = 0;  // 25
  virtual HRESULT DefaultPaint(QPainter* hDC, const QltRect* pRect) = 0;
  virtual HRESULT DefaultOnTap(LONG x, LONG y) = 0;
  virtual HRESULT DefaultOnDep(IDispatch* pPoint) = 0;
  virtual HRESULT DefaultOnCommand(ULONG nCommand, LONGLONG nArgument) = 0;  // 29
};

struct ICustomPointSite2 : ICustomPointSite {
  static constexpr IID kIid = {
      0xE4D7939A, 0x51A3, 0x442E, {0x8C, 0x68, 0x1B, 0xDE, 0x6E, 0x27, 0xE4, 0x40}};
  virtual HRESULT GetValueV(VARIANT* pvValue) = 0;  // 30
  virtual HRESULT SetValueV(VARIANT vValue, VARIANT_BOOL* pbResult) = 0;
  virtual HRESULT GetPointValueV(BSTR strPoint, VARIANT* pvValue) = 0;
  virtual HRESULT DefaultSetValueV(VARIANT vValue, VARIANT_BOOL* pbResult) = 0;
  virtual HRESULT DefaultGetOutputString(VARIANT vValue, BSTR strBaseFile, LONG nIndex,
                                         BSTR* pstrOutput) = 0;
  virtual HRESULT InvalidateLayout() = 0;  // 35
  virtual HRESULT ResolveValue(BSTR strTemplate, BSTR* pstrValue) = 0;
};

// The point's stored properties, as the client offers them to the control.
struct IPropertyBag : IUnknown {
  static constexpr IID kIid = {
      0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
  // E_FAIL when the name is absent; *pVar receives a copy.
  virtual HRESULT Read(LPCOLESTR pszPropName, VARIANT* pVar, IUnknown* pErrorLog) = 0;
  virtual HRESULT Write(LPCOLESTR pszPropName, VARIANT* pVar) = 0;
};

// Offered by a control that keeps properties with the project.
struct IPersistPropertyBag : IUnknown {
  static constexpr IID kIid = {
      0x37D84F60, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
  virtual HRESULT GetClassID(CLSID* pClassID) = 0;  // 3
  virtual HRESULT InitNew() = 0;
  virtual HRESULT Load(IPropertyBag* pPropBag, IUnknown* pErrorLog) = 0;
  virtual HRESULT Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties) = 0;
};

// Exported by every custom-point library: the class factory of `rclsid` as `riid`.
typedef HRESULT (*QltDllGetClassObjectFn)(REFCLSID rclsid, REFIID riid, void** ppv);
#define QLT_GET_CLASS_OBJECT_SYMBOL "DllGetClassObject"
extern "C" QLT_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
