#include "automation/x_application.h"

#include <QFileInfo>
#include <new>

#include "app/app_folders.h"
#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "automation/automation_root.h"
#include "automation/enum_variant.h"
#include "automation/facet_support.h"
#include "automation/x_image_service.h"
#include "project/display_scale.h"
#include "project/project.h"
#include "values/abi_values.h"

using namespace qlt::automation;

namespace {
// A call from a thread the object does not serve.
constexpr HRESULT kWrongThread = static_cast<HRESULT>(0x8001010E);
}  // namespace

#define QLT_REQUIRE_ROOT() \
  if (!m_connected) return RPC_E_DISCONNECTED

#define QLT_REQUIRE_ROOT_FOR(out) \
  if (!m_connected) return ReturnNoObject(out, RPC_E_DISCONNECTED)

XApplication::XApplication(CAutomationRoot* root) : TDispatchFacet(root, root) {}

const CDispatchTable& XApplication::Table() {
  static const CDispatchTable table({
      Bind<&XApplication::get_Application>("Application", 1, DISPATCH_PROPERTYGET),
      Bind<&XApplication::get_Version>("Version", 2, DISPATCH_PROPERTYGET),
      Bind<&XApplication::get_Projects>("Projects", 3, DISPATCH_PROPERTYGET),
      Bind<&XApplication::get_Devices>("Devices", 6, DISPATCH_PROPERTYGET),
      Bind<&XApplication::get_DesignImageList>("DesignImageList", 4, DISPATCH_PROPERTYGET),
      Bind<&XApplication::MsgBox>("MsgBox", 0x28, DISPATCH_METHOD),
      Bind<&XApplication::Print>("Print", 0x29, DISPATCH_METHOD),
      Bind<&XApplication::CreateImageService>("CreateImageService", 0x2a, DISPATCH_METHOD),
      Bind<&XApplication::LoadImageFromArray>("LoadImage", 0x2b, DISPATCH_METHOD),
      Bind<&XApplication::GetLanguageString>("GetLanguageString", 0x2c, DISPATCH_METHOD),
      Bind<&XApplication::get_HighDPI>("HighDPI", 5, DISPATCH_PROPERTYGET),
      Bind<&XApplication::get_Path>("Path", 7, DISPATCH_PROPERTYGET),
      Bind<&XApplication::ClearManagementDelegate>("ClearManagementDelegate", 0x64,
                                                   DISPATCH_METHOD),
      Bind<&XApplication::SetManagementDelegate>("SetManagementDelegate", 0x65, DISPATCH_METHOD),
      Bind<&XApplication::ListProjectsOnDevice>("ListProjectsOnDevice", 0x6002000e,
                                                DISPATCH_METHOD),
      Bind<&XApplication::RemoveAllProjectsFromDevice>("RemoveAllProjectsFromDevice", 0x6002000f,
                                                       DISPATCH_METHOD),
      Bind<&XApplication::DisconnectDevice>("DisconnectDevice", 0x60020010, DISPATCH_METHOD),
      Bind<&XApplication::get_Users>("Users", 8, DISPATCH_PROPERTYGET),
  });
  return table;
}

HRESULT XApplication::QueryInterface(REFIID riid, void** ppv) {
  if (ppv != nullptr && m_connected) {
    if (riid == ITWKFTimerSource::kIid) {
      *ppv = static_cast<ITWKFTimerSource*>(Root()->TimerSource());
      return S_OK;
    }
    if (riid == IID_IClassFactory) {
      *ppv = static_cast<IClassFactory*>(Root()->ClassFactory());
      return S_OK;
    }
  }
  return TDispatchFacet::QueryInterface(riid, ppv);
}

HRESULT XApplication::get_Application(IDispatch** ppApplication) {
  return ReturnApplication(ppApplication);
}

HRESULT XApplication::get_Version(BSTR* pstrVersion) {
  QLT_REQUIRE_ROOT();
  return ReturnText(pstrVersion, QStringLiteral("%1.%2.%3.%4")
                                     .arg(QLT_VERSION_MAJOR)
                                     .arg(QLT_VERSION_MINOR)
                                     .arg(QLT_VERSION_PATCH)
                                     .arg(QLT_VERSION_TWEAK));
}

HRESULT XApplication::get_Projects(IDispatch** ppProjects) {
  QLT_REQUIRE_ROOT_FOR(ppProjects);
  return ReturnObject(ppProjects, Root()->ProjectsFacet());
}

HRESULT XApplication::get_Devices(IDispatch** ppDevices) {
  return ReturnNoObject(ppDevices, E_NOTIMPL);
}

HRESULT XApplication::get_DesignImageList(LONGLONG* phImageList) {
  if (phImageList != nullptr) *phImageList = 0;
  return E_NOTIMPL;
}

HRESULT XApplication::MsgBox(BSTR strMessage) {
  QLT_REQUIRE_ROOT();
  CServices::Instance().Messages().ShowMessage(TextFromBstr(strMessage),
                                               kMbOk | kMbIconInformation);
  return S_OK;
}

HRESULT XApplication::Print(BSTR) { return E_NOTIMPL; }

HRESULT XApplication::CreateImageService(IUnknown** ppService) {
  if (ppService == nullptr) return E_POINTER;
  *ppService = nullptr;
  QLT_REQUIRE_ROOT();
  auto* service = new (std::nothrow) XImageService(Root());
  if (service == nullptr) return E_OUTOFMEMORY;
  *ppService = static_cast<IImageService*>(service);
  return S_OK;
}

HRESULT XApplication::LoadImage(const BYTE* pSource, LONG nSource, LONG nWidth, LONG nHeight,
                                LONG nFlags, LONGLONG* phBitmap) {
  if (phBitmap == nullptr) return E_POINTER;
  *phBitmap = 0;
  QLT_REQUIRE_ROOT();
  // The application's service belongs to the user-interface thread.
  if (!Root()->OnOwnThread()) return kWrongThread;
  return LoadBitmap(Root()->ImageServices(), pSource, nSource, nWidth, nHeight, nFlags, phBitmap);
}

HRESULT XApplication::LoadImageFromArray(VARIANT vSource, LONG nSource, LONG nWidth, LONG nHeight,
                                         LONG nFlags, SBitmapResult* pBitmap) {
  QLT_REQUIRE_ROOT();
  if (!Root()->OnOwnThread()) return kWrongThread;
  return LoadBitmapFromArray(Root()->ImageServices(), vSource, nSource, nWidth, nHeight, nFlags,
                             &pBitmap->handle);
}

HRESULT XApplication::GetLanguageString(BSTR strKey, BSTR* pstrValue) {
  QLT_REQUIRE_ROOT();
  if (pstrValue == nullptr) return E_POINTER;
  QString text;
  if (!CLanguage::Instance().Lookup(TextFromBstr(strKey), text)) return S_FALSE;
  return ReturnText(pstrValue, text);
}

HRESULT XApplication::get_HighDPI(VARIANT_BOOL* pbHighDPI) {
  QLT_REQUIRE_ROOT();
  return ReturnBool(pbHighDPI, CDisplayScale::IsDoubled());
}

HRESULT XApplication::get_Path(BSTR* pstrPath) {
  QLT_REQUIRE_ROOT();
  return ReturnText(pstrPath, CAppFolders::ProgramFolder());
}

HRESULT XApplication::ClearManagementDelegate() { return E_NOTIMPL; }
HRESULT XApplication::SetManagementDelegate(IDispatch*) { return E_NOTIMPL; }
HRESULT XApplication::ListProjectsOnDevice(BSTR) { return E_NOTIMPL; }
HRESULT XApplication::RemoveAllProjectsFromDevice(BSTR) { return E_NOTIMPL; }
HRESULT XApplication::DisconnectDevice(BSTR) { return E_NOTIMPL; }

HRESULT XApplication::get_Users(IDispatch** ppUsers) {
  if (ppUsers == nullptr) return E_POINTER;
  return ReturnNoObject(ppUsers, E_NOTIMPL);
}

// ---- XProjects

XProjects::XProjects(CAutomationRoot* root) : TDispatchFacet(root, root) {}

const CDispatchTable& XProjects::Table() {
  static const CDispatchTable table({
      Bind<&XProjects::get_Application>("Application", 1, DISPATCH_PROPERTYGET),
      Bind<&XProjects::get__NewEnum>("_NewEnum", DISPID_NEWENUM, DISPATCH_PROPERTYGET),
      Bind<&XProjects::get_Item>("Item", 0, DISPATCH_PROPERTYGET),
      Bind<&XProjects::get_Count>("Count", 4, DISPATCH_PROPERTYGET),
      Bind<&XProjects::Create>("Create", 5, DISPATCH_METHOD),
      Bind<&XProjects::Open>("Open", 6, DISPATCH_METHOD),
      Bind<&XProjects::GetProjectByFileName>("GetProjectByFileName", 7, DISPATCH_METHOD),
      Bind<&XProjects::GetProjectByUnique>("GetProjectByUnique", 8, DISPATCH_METHOD),
      Bind<&XProjects::ImportFromXML>("ImportFromXML", 9, DISPATCH_METHOD),
  });
  return table;
}

HRESULT XProjects::get_Application(IDispatch** ppApplication) {
  return ReturnApplication(ppApplication);
}

HRESULT XProjects::get__NewEnum(IUnknown** ppEnum) {
  if (ppEnum == nullptr) return E_POINTER;
  *ppEnum = nullptr;
  QLT_REQUIRE_ROOT();
  std::vector<IDispatch*> items;
  for (CProject* project : Root()->OpenProjects()) items.push_back(Root()->ProjectFacet(project));
  *ppEnum = static_cast<IEnumVARIANT*>(new CEnumVariant(Root(), Root(), std::move(items)));
  return S_OK;
}

HRESULT XProjects::get_Item(VARIANT vIndex, IDispatch** ppProject) {
  QLT_REQUIRE_ROOT_FOR(ppProject);
  if (ppProject == nullptr) return E_POINTER;
  *ppProject = nullptr;
  const QList<CProject*>& projects = Root()->OpenProjects();
  const VARIANT& index =
      vIndex.vt == (VT_BYREF | VT_VARIANT) && vIndex.pvarVal != nullptr ? *vIndex.pvarVal : vIndex;
  if (index.vt == VT_BSTR || index.vt == (VT_BYREF | VT_BSTR)) {
    // A project's name is its file name without the extension.
    const QString name = TextFromBstr(
        index.vt == VT_BSTR ? index.bstrVal : (index.pbstrVal ? *index.pbstrVal : nullptr));
    for (CProject* project : projects) {
      if (QFileInfo(project->FileName()).completeBaseName().compare(name, Qt::CaseInsensitive) ==
          0) {
        *ppProject = Root()->ProjectFacet(project);
        return S_OK;
      }
    }
    return S_FALSE;
  }
  int32_t position = 0;
  if (!IndexFromVariant(index, position) || position < 1 || position > projects.size()) {
    return S_FALSE;
  }
  *ppProject = Root()->ProjectFacet(projects[position - 1]);
  return S_OK;
}

HRESULT XProjects::get_Count(LONG* pnCount) {
  QLT_REQUIRE_ROOT();
  return ReturnLong(pnCount, static_cast<LONG>(Root()->OpenProjects().size()));
}

HRESULT XProjects::Create(BSTR, IDispatch** ppProject) {
  return ReturnNoObject(ppProject, E_NOTIMPL);
}

HRESULT XProjects::Open(BSTR strName, IDispatch** ppProject) {
  QLT_REQUIRE_ROOT_FOR(ppProject);
  if (ppProject == nullptr) return E_POINTER;
  // A full path, or the name of a project file in the data folder (".ppc" may be left out); a
  // bare name never reaches outside that folder.
  QString name = TextFromBstr(strName).trimmed();
  QString path;
  if (QFileInfo(name).isAbsolute()) {
    path = name;
  } else if (!name.isEmpty() && !name.contains(QLatin1Char('/')) &&
             !name.contains(QLatin1Char('\\')) && !name.contains(QStringLiteral(".."))) {
    if (!name.endsWith(QStringLiteral(".ppc"), Qt::CaseInsensitive)) name += QStringLiteral(".ppc");
    path = CAppFolders::DataFolder(CAppFolders::ProgramFolder()) + QLatin1Char('/') + name;
  }
  if (path.isEmpty() || !QFileInfo(path).isFile()) return ReturnNoObject(ppProject, E_FAIL);
  CProject* project = Root()->OpenProjectFile(QFileInfo(path).absoluteFilePath());
  if (project == nullptr) return ReturnNoObject(ppProject, E_FAIL);
  return ReturnObject(ppProject, Root()->ProjectFacet(project));
}

HRESULT XProjects::GetProjectByFileName(BSTR strFilename, IDispatch** ppProject) {
  QLT_REQUIRE_ROOT_FOR(ppProject);
  if (ppProject == nullptr) return E_POINTER;
  const QString name = TextFromBstr(strFilename);
  for (CProject* project : Root()->OpenProjects()) {
    if (!name.isEmpty() && (project->FileName() == name || project->Path() == name)) {
      return ReturnObject(ppProject, Root()->ProjectFacet(project));
    }
  }
  return ReturnNoObject(ppProject, E_FAIL);
}

HRESULT XProjects::GetProjectByUnique(LONG nUnique, IDispatch** ppProject) {
  QLT_REQUIRE_ROOT_FOR(ppProject);
  if (ppProject == nullptr) return E_POINTER;
  for (CProject* project : Root()->OpenProjects()) {
    if (project->GetHeader().uniqueNumber == nUnique) {
      return ReturnObject(ppProject, Root()->ProjectFacet(project));
    }
  }
  return ReturnNoObject(ppProject, E_FAIL);
}

HRESULT XProjects::ImportFromXML(BSTR, IDispatch** ppProject) {
  return ReturnNoObject(ppProject, E_NOTIMPL);
}
