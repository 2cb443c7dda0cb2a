#include "automation/custom_point_host.h"

#include <dlfcn.h>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QThread>

#include "automation/custom_point_site.h"
#include "automation/hosted_control.h"
#include "points/custom_point.h"
#include "project/point_type.h"
#include "project/project.h"
#include "qlt_class_registry.h"

namespace {

// The class is not in the class registry.
constexpr HRESULT kClassNotRegistered = static_cast<HRESULT>(0x80040154);
// The library does not serve the class, or cannot be loaded.
constexpr HRESULT kClassNotAvailable = static_cast<HRESULT>(0x80040111);

QString ClassText(const QUuid& classId) { return classId.toString(QUuid::WithBraces).toUpper(); }

GUID GuidOf(const QUuid& id) {
  GUID g{};
  g.Data1 = id.data1;
  g.Data2 = id.data2;
  g.Data3 = id.data3;
  for (int i = 0; i < 8; ++i) g.Data4[i] = id.data4[i];
  return g;
}

// Loaded libraries by path; never unloaded.
QHash<QString, void*>& LoadedLibraries() {
  static QHash<QString, void*> libraries;
  return libraries;
}

}  // namespace

const QList<CCustomPointHost::BuiltInClass>& CCustomPointHost::BuiltInClasses() {
  // Every point type that brings its own control's creator.
  static const QList<BuiltInClass> classes = [] {
    QList<BuiltInClass> all;
    for (const CPointType* type : CPointType::Registered()) {
      if (type->classId != nullptr && type->createControl != nullptr) {
        all.append(BuiltInClass{type->classId, type->progId, type->createControl});
      }
    }
    return all;
  }();
  return classes;
}

bool CCustomPointHost::IsCreatable(const QUuid& classId) {
  return !classId.isNull() && classId != QUuid(QString::fromLatin1(kNoControlClass)) &&
         classId != QUuid(QString::fromLatin1(kNeverCreatedClass));
}

CCustomPointHost::CCustomPointHost(CAutomationRoot* root, std::function<bool()> sweep,
                                   std::function<void(int)> wait)
    : m_root(root), m_sweep(std::move(sweep)), m_wait(std::move(wait)) {
  if (!m_wait) m_wait = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
  for (const BuiltInClass& builtIn : BuiltInClasses()) {
    AddBuiltIn(QUuid(QString::fromLatin1(builtIn.classId)), QString::fromLatin1(builtIn.progId),
               builtIn.create);
  }
}

void CCustomPointHost::AddBuiltIn(const QUuid& classId, const QString& progId, Creator create) {
  m_builtIn.insert(classId, Registered{progId, create});
}

HRESULT CCustomPointHost::InstantiateFromLibrary(const QString& library, const QUuid& classId,
                                                 ICustomPoint** out) {
  const QString path = QFileInfo(library).absoluteFilePath();
  void* handle = LoadedLibraries().value(path);
  if (handle == nullptr) {
    // RTLD_LOCAL: two libraries may both define the same helper names.
    handle = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return kClassNotAvailable;  // missing, or not a shared object
    LoadedLibraries().insert(path, handle);
  }
  auto getClassObject =
      reinterpret_cast<QltDllGetClassObjectFn>(::dlsym(handle, QLT_GET_CLASS_OBJECT_SYMBOL));
  if (getClassObject == nullptr) return kClassNotAvailable;

  const GUID clsid = GuidOf(classId);
  void* raw = nullptr;
  HRESULT hr = getClassObject(clsid, IID_IClassFactory, &raw);
  if (FAILED(hr)) return hr;
  if (raw == nullptr) return E_POINTER;
  auto* factory = static_cast<IClassFactory*>(raw);
  raw = nullptr;
  hr = factory->CreateInstance(nullptr, ICustomPoint::kIid, &raw);
  factory->Release();
  if (FAILED(hr)) return hr;
  if (raw == nullptr) return E_POINTER;
  *out = static_cast<ICustomPoint*>(raw);
  return S_OK;
}

HRESULT CCustomPointHost::Instantiate(const QUuid& classId, ICustomPoint** out,
                                      QString* userTypeName) {
  *out = nullptr;
  if (auto it = m_builtIn.constFind(classId); it != m_builtIn.constEnd()) {
    IUnknown* object = it->create ? it->create() : nullptr;
    if (object == nullptr) return E_OUTOFMEMORY;
    void* raw = nullptr;
    HRESULT hr = object->QueryInterface(ICustomPoint::kIid, &raw);
    object->Release();
    if (FAILED(hr)) return hr;
    if (raw == nullptr) return E_POINTER;
    *out = static_cast<ICustomPoint*>(raw);
    *userTypeName = it->progId;
    return S_OK;
  }
  QltClassEntry entry;
  if (!QltLookUpClass(ClassText(classId), entry) || entry.library.isEmpty()) {
    return kClassNotRegistered;
  }
  ListOutsideClass(classId, CPointFactory::Instance());
  const HRESULT hr = InstantiateFromLibrary(entry.library, classId, out);
  if (SUCCEEDED(hr)) *userTypeName = entry.userTypeName;
  return hr;
}

HRESULT CCustomPointHost::CreateControl(CCustomPoint& point) {
  point.ReleaseControl();
  if (!IsCreatable(point.ClassId())) return kClassNotRegistered;
  ICustomPoint* control = nullptr;
  QString userTypeName;
  HRESULT hr = Instantiate(point.ClassId(), &control, &userTypeName);
  if (FAILED(hr)) return hr;

  auto* site = new XCustomPointSite(m_root, &point);
  hr = control->SetSite(site);
  if (FAILED(hr)) {
    site->Detach();
    site->Release();
    control->Release();
    return hr;
  }
  auto hosted = std::make_unique<CHostedControl>(m_root, &point, control, site);
  site->Release();  // the hosted control holds its own reference
  CHostedControl* raw = hosted.get();
  point.AttachControl(std::move(hosted));
  raw->LoadProperties();
  if (!userTypeName.isEmpty() && userTypeName != point.UserTypeName()) {
    point.SetUserTypeName(userTypeName);
  }
  return S_OK;
}

int CCustomPointHost::CreateControls(CProject& project) {
  QList<CCustomPoint*> failed;
  project.ForEachPoint([&](CBasePoint* base) {
    auto* point = dynamic_cast<CCustomPoint*>(base);
    if (point == nullptr) return;
    if (!IsCreatable(point->ClassId())) {
      point->ReleaseControl();  // its class may have changed to one without a control
      return;
    }
    if (FAILED(CreateControl(*point))) failed.append(point);
  });
  if (failed.isEmpty() || !m_sweep) return static_cast<int>(failed.size());
  // Libraries delivered since the last sweep register now; the registering may finish a
  // moment after the sweep reports it.
  if (m_sweep()) m_wait(kRetryDelayMs);
  int left = 0;
  for (CCustomPoint* point : failed) {
    if (FAILED(CreateControl(*point))) ++left;
  }
  return left;
}

const CPointFactory::Entry* CCustomPointHost::ListOutsideClass(const QUuid& classId,
                                                               CPointFactory& factory) {
  if (!IsCreatable(classId) || factory.Find(CPointFactory::kCustomTypeCode, classId)) {
    return nullptr;
  }
  QltClassEntry entry;
  if (!QltLookUpClass(ClassText(classId), entry)) return nullptr;
  QImage large;
  QImage small;
  if (const QString path = QltClassIconPath(entry); !path.isEmpty()) {
    const QImage icon(path);
    if (!icon.isNull()) {
      large = icon.scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation);
      small = icon.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
  }
  return factory.AddExternalClass(classId, entry.userTypeName, large, small);
}

int CCustomPointHost::ListOutsideClasses(CPointFactory& factory) {
  int listed = 0;
  for (const QString& classId : QltRegisteredClasses()) {
    if (ListOutsideClass(QUuid::fromString(classId), factory) != nullptr) ++listed;
  }
  return listed;
}

void CCustomPointHost::ReleaseControls(CProject& project) {
  project.ForEachPoint([](CBasePoint* base) {
    if (auto* point = dynamic_cast<CCustomPoint*>(base)) point->ReleaseControl();
  });
}
