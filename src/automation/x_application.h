// XApplication: the IApplication facet of the client, and XProjects: its IProjects facet over the
// projects open in the client (CAutomationRoot keeps that list). One of each per root, handed out
// by it; owned by their references; disconnected when the root goes. UI thread.
#pragma once

#include "automation/facet.h"
#include "automation/x_image_service.h"

class XApplication : public TDispatchFacet<XApplication, IApplication> {
 public:
  explicit XApplication(CAutomationRoot* root);
  static const qlt::automation::CDispatchTable& Table();

  // Also answers ITWKFTimerSource and IClassFactory with the root's objects for them.
  HRESULT QueryInterface(REFIID riid, void** ppv) override;

  HRESULT get_Application(IDispatch** ppApplication) override;
  HRESULT get_Version(BSTR* pstrVersion) override;
  HRESULT get_Projects(IDispatch** ppProjects) override;
  HRESULT get_Devices(IDispatch** ppDevices) override;
  HRESULT get_DesignImageList(LONGLONG* phImageList) override;
  HRESULT MsgBox(BSTR strMessage) override;
  HRESULT Print(BSTR strMessage) override;
  HRESULT CreateImageService(IUnknown** ppService) override;
  HRESULT LoadImage(const BYTE* pSource, LONG nSource, LONG nWidth, LONG nHeight, LONG nFlags,
                    LONGLONG* phBitmap) override;
  // LoadImage as IDispatch calls it: the bytes as a byte array.
  HRESULT LoadImageFromArray(VARIANT vSource, LONG nSource, LONG nWidth, LONG nHeight, LONG nFlags,
                             qlt::automation::SBitmapResult* pBitmap);
  HRESULT GetLanguageString(BSTR strKey, BSTR* pstrValue) override;
  HRESULT get_HighDPI(VARIANT_BOOL* pbHighDPI) override;
  HRESULT get_Path(BSTR* pstrPath) override;
  HRESULT ClearManagementDelegate() override;
  HRESULT SetManagementDelegate(IDispatch* pDelegate) override;
  HRESULT ListProjectsOnDevice(BSTR sUnitID) override;
  HRESULT RemoveAllProjectsFromDevice(BSTR sUnitID) override;
  HRESULT DisconnectDevice(BSTR sUnitID) override;
  HRESULT get_Users(IDispatch** ppUsers) override;

 protected:
  void OnDisconnect() override { m_connected = false; }

 private:
  bool m_connected = true;
};

class XProjects : public TDispatchFacet<XProjects, IProjects> {
 public:
  explicit XProjects(CAutomationRoot* root);
  static const qlt::automation::CDispatchTable& Table();

  HRESULT get_Application(IDispatch** ppApplication) override;
  HRESULT get__NewEnum(IUnknown** ppEnum) override;
  HRESULT get_Item(VARIANT vIndex, IDispatch** ppProject) override;
  HRESULT get_Count(LONG* pnCount) override;
  HRESULT Create(BSTR strName, IDispatch** ppProject) override;
  HRESULT Open(BSTR strName, IDispatch** ppProject) override;
  HRESULT GetProjectByFileName(BSTR strFilename, IDispatch** ppProject) override;
  HRESULT GetProjectByUnique(LONG nUnique, IDispatch** ppProject) override;
  HRESULT ImportFromXML(BSTR strName, IDispatch** ppProject) override;

 protected:
  void OnDisconnect() override { m_connected = false; }

 private:
  bool m_connected = true;
};
