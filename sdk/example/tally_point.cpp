// An example custom-point library: the "Tally" point. It draws a box with its count and the value
// of another point of the project (named by its "Source" property), adds one on every tap, keeps
// the count as the point's value through its site and keeps the number of taps in its property
// bag. Built against the public headers only; the client loads it through the class registry.
// From an installed client (PKG_CONFIG_PATH naming its lib/pkgconfig when not in a system place),
// on one command line:
//   c++ -std=c++20 -fPIC -shared -o tally_point.so tally_point.cpp
//       $(pkg-config --cflags quillet-sdk) $(pkg-config --libs Qt6Core Qt6Gui)
// then copy tally_point.so into the client's program folder.
// Objects are reference-counted; every call comes on the client's UI thread.

#include <QPainter>
#include <QString>
#include <atomic>

#include "qlt_class_registry.h"
#include "qlt_custom_point.h"

namespace {

constexpr const char* kClassId = "{3C5E8F21-7A4B-4D2E-9B61-0F8A2C4D6E11}";
constexpr GUID kClsid = {
    0x3C5E8F21, 0x7A4B, 0x4D2E, {0x9B, 0x61, 0x0F, 0x8A, 0x2C, 0x4D, 0x6E, 0x11}};
const IID kIidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

std::atomic<int> g_objects{0};

QString Text(BSTR text) { return text ? QString::fromUtf16(text, SysStringLen(text)) : QString(); }

BSTR Bstr(const QString& text) {
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.utf16()),
                           static_cast<UINT>(text.size()));
}

class CTallyPoint final : public ICustomPoint, public IPersistPropertyBag {
 public:
  CTallyPoint() { ++g_objects; }

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (riid == kIidUnknown || riid == ICustomPoint::kIid) {
      *ppv = static_cast<ICustomPoint*>(this);
    } else if (riid == IPersistPropertyBag::kIid) {
      *ppv = static_cast<IPersistPropertyBag*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    const ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
  }

  // ---- ICustomPoint
  HRESULT SetSite(ICustomPointSite* pSite) override {
    ICustomPointSite2* site = nullptr;
    if (pSite != nullptr &&
        FAILED(pSite->QueryInterface(ICustomPointSite2::kIid, reinterpret_cast<void**>(&site)))) {
      return E_FAIL;
    }
    if (m_site) m_site->Release();
    m_site = site;
    return S_OK;
  }
  HRESULT Configure(VARIANT_BOOL* pbResult) override {
    if (pbResult) *pbResult = VARIANT_FALSE;
    return S_OK;
  }
  HRESULT Init() override { return S_OK; }
  HRESULT Show() override { return m_site ? m_site->DefaultShow() : E_UNEXPECTED; }
  HRESULT Verify(VARIANT_BOOL* pbValid) override {
    if (pbValid) *pbValid = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT Hide() override { return S_OK; }
  HRESULT SetValue(BSTR strValue) override {
    return m_site ? m_site->DefaultSetValue(strValue) : E_UNEXPECTED;
  }
  HRESULT GetHeight(QPainter*, LONG, LONG* pnHeight) override {
    if (pnHeight == nullptr) return E_POINTER;
    *pnHeight = 48;
    return S_OK;
  }
  HRESULT Paint(QPainter* hDC, const QltRect* pRect) override {
    if (hDC == nullptr || pRect == nullptr || m_site == nullptr) return E_POINTER;
    const QRect rect(pRect->left, pRect->top, pRect->right - pRect->left,
                     pRect->bottom - pRect->top);
    BSTR source = nullptr;
    QString sourceText;
    BSTR name = Bstr(m_source);
    if (!m_source.isEmpty() && SUCCEEDED(m_site->GetPointValue(name, &source))) {
      sourceText = Text(source);
    }
    SysFreeString(name);
    SysFreeString(source);
    hDC->save();
    hDC->fillRect(rect.adjusted(1, 1, -1, -1), QColor(0xFF, 0xE0, 0x80));
    hDC->setPen(Qt::black);
    hDC->drawRect(rect.adjusted(1, 1, -2, -2));
    hDC->drawText(rect, Qt::AlignCenter,
                  QStringLiteral("Tally %1 %2").arg(CurrentCount()).arg(sourceText));
    hDC->restore();
    return S_OK;
  }
  HRESULT OnTap(LONG, LONG) override {
    if (m_site == nullptr) return E_UNEXPECTED;
    ++m_taps;
    BSTR value = Bstr(QString::number(CurrentCount() + 1));
    const HRESULT hr = m_site->SetValue(value);
    SysFreeString(value);
    m_site->Invalidate();
    return hr;
  }
  HRESULT OnCommand(ULONG, LONGLONG) override { return S_OK; }
  HRESULT OnDep(IDispatch*) override { return m_site ? m_site->Invalidate() : S_OK; }
  HRESULT OnTelegram(IDispatch*) override { return S_OK; }

  // ---- IPersistPropertyBag
  HRESULT GetClassID(CLSID* pClassID) override {
    if (pClassID == nullptr) return E_POINTER;
    *pClassID = kClsid;
    return S_OK;
  }
  HRESULT InitNew() override { return S_OK; }
  HRESULT Load(IPropertyBag* pPropBag, IUnknown*) override {
    if (pPropBag == nullptr) return E_POINTER;
    VARIANT v;
    VariantInit(&v);
    if (SUCCEEDED(pPropBag->Read(u"Taps", &v, nullptr)) && v.vt == VT_I4) m_taps = v.lVal;
    VariantClear(&v);
    if (SUCCEEDED(pPropBag->Read(u"Source", &v, nullptr)) && v.vt == VT_BSTR) {
      m_source = Text(v.bstrVal);
    }
    VariantClear(&v);
    return S_OK;
  }
  HRESULT Save(IPropertyBag* pPropBag, BOOL, BOOL) override {
    if (pPropBag == nullptr) return E_POINTER;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = m_taps;
    return pPropBag->Write(u"Taps", &v);
  }

 private:
  ~CTallyPoint() {
    if (m_site) m_site->Release();
    --g_objects;
  }
  // The count is the point's value (a session's own), kept through the site.
  int CurrentCount() const {
    BSTR value = nullptr;
    if (m_site == nullptr || FAILED(m_site->GetValue(&value))) return 0;
    const int count = Text(value).toInt();
    SysFreeString(value);
    return count;
  }

  ULONG m_refs = 1;
  ICustomPointSite2* m_site = nullptr;
  LONG m_taps = 0;
  QString m_source;
};

class CTallyFactory final : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (riid != kIidUnknown && riid != kIidClassFactory) return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  // The factory is static: counting is not needed.
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter != nullptr) return CLASS_E_NOAGGREGATION;
    auto* point = new CTallyPoint();
    const HRESULT hr = point->QueryInterface(riid, ppv);
    point->Release();
    return hr;
  }
  HRESULT LockServer(BOOL) override { return S_OK; }
};

CTallyFactory g_factory;

}  // namespace

extern "C" QLT_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (rclsid != kClsid) return static_cast<HRESULT>(0x80040111);  // not a class of this library
  return g_factory.QueryInterface(riid, ppv);
}

extern "C" QLT_EXPORT HRESULT DllRegisterServer(void) {
  const QString library = QltLibraryPathOf(reinterpret_cast<const void*>(&DllRegisterServer));
  // No icon of its own: the client takes a "tally_point.png" beside the library when there is one.
  const QltClassEntry entry{library, QStringLiteral("Quillet.Tally"), QStringLiteral("Tally"),
                            QString()};
  return QltRegisterClass(QString::fromLatin1(kClassId), entry) ? S_OK : E_FAIL;
}

// How many objects of the library are alive (tests check that every one was released).
extern "C" QLT_EXPORT int QltTallyObjectCount(void) { return g_objects.load(); }
