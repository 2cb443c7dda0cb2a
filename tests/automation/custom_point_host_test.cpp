#include "automation/custom_point_host.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

#include "automation/automation_root.h"
#include "dispatch_support.h"
#include "points/custom_point.h"
#include "points/edit_point.h"
#include "project/page.h"
#include "project/plain_page_window.h"
#include "project/project.h"
#include "qlt_automation.h"
#include "qlt_class_registry.h"
#include "support/project_builder.h"
#include "support/scoped_services.h"
#include "values/abi_values.h"
#include "values/variant_ops.h"

namespace {

using namespace qlt::test;

const QUuid kTestClass(QStringLiteral("{7D1C4E2A-55B0-4A6E-9E1F-2B3C4D5E6F70}"));

// A control that records every call, offers ICustomPoint2 and IPersistPropertyBag and keeps the
// site it was given. `refuseSite` makes SetSite fail.
class CRecordingControl final : public ICustomPoint2, public IPersistPropertyBag {
 public:
  static inline int s_alive = 0;
  static inline CRecordingControl* s_last = nullptr;
  static inline bool s_refuseSite = false;

  CRecordingControl() {
    ++s_alive;
    s_last = this;
  }
  static IUnknown* Create() { return static_cast<ICustomPoint*>(new CRecordingControl()); }

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == ICustomPoint::kIid || riid == ICustomPoint2::kIid) {
      *ppv = static_cast<ICustomPoint2*>(this);
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

  HRESULT SetSite(ICustomPointSite* site) override {
    log << QStringLiteral("SetSite");
    if (s_refuseSite) return E_FAIL;
    if (site->QueryInterface(ICustomPointSite2::kIid, reinterpret_cast<void**>(&this->site)) !=
        S_OK) {
      return E_FAIL;
    }
    return S_OK;
  }
  HRESULT Configure(VARIANT_BOOL* result) override {
    *result = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT Init() override { return Note(QStringLiteral("Init")); }
  HRESULT Show() override { return Note(QStringLiteral("Show")); }
  HRESULT Verify(VARIANT_BOOL* valid) override {
    log << QStringLiteral("Verify preset %1").arg(*valid == VARIANT_TRUE);
    *valid = verdict ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT Hide() override { return Note(QStringLiteral("Hide")); }
  HRESULT SetValue(BSTR value) override {
    return Note(QStringLiteral("SetValue ") + TextFromBstr(value));
  }
  HRESULT GetHeight(QPainter* painter, LONG width, LONG* height) override {
    log << QStringLiteral("GetHeight %1 %2").arg(painter != nullptr).arg(width);
    *height = 77;
    return S_OK;
  }
  HRESULT Paint(QPainter*, const QltRect* rect) override {
    return Note(QStringLiteral("Paint %1,%2,%3,%4")
                    .arg(rect->left)
                    .arg(rect->top)
                    .arg(rect->right)
                    .arg(rect->bottom));
  }
  HRESULT OnTap(LONG x, LONG y) override {
    Note(QStringLiteral("OnTap %1 %2").arg(x).arg(y));
    if (releaseOnTap) {
      // Gives up its own hold on itself and its site in the middle of the call.
      releaseOnTap = false;
      site->Release();
      site = nullptr;
      Release();
    }
    return S_OK;
  }
  HRESULT OnCommand(ULONG command, LONGLONG) override {
    return Note(QStringLiteral("OnCommand %1").arg(command));
  }
  HRESULT OnDep(IDispatch* point) override {
    BSTR name = nullptr;
    IPoint* typed = nullptr;
    if (point && point->QueryInterface(IPoint::kIid, reinterpret_cast<void**>(&typed)) == S_OK) {
      typed->get_Name(&name);
      typed->Release();
    }
    Note(QStringLiteral("OnDep ") + TextFromBstr(name));
    SysFreeString(name);
    return S_OK;
  }
  HRESULT OnTelegram(IDispatch*) override { return Note(QStringLiteral("OnTelegram")); }
  HRESULT SetValueV(VARIANT value, VARIANT_BOOL* result) override {
    CVariant v;
    ValueFromAbi(value, v);
    *result = VARIANT_TRUE;
    return Note(QStringLiteral("SetValueV ") + ValueAsText(v));
  }
  HRESULT GetOutputString(VARIANT, BSTR, LONG, BSTR* output) override {
    *output = BstrFromText(QStringLiteral("from control"));
    return S_OK;
  }

  HRESULT GetClassID(CLSID* id) override {
    *id = MakeGuid("{7D1C4E2A-55B0-4A6E-9E1F-2B3C4D5E6F70}");
    return S_OK;
  }
  HRESULT InitNew() override { return E_NOTIMPL; }
  HRESULT Load(IPropertyBag* bag, IUnknown*) override {
    VARIANT v;
    VariantInit(&v);
    const HRESULT hr = bag->Read(u"Colour", &v, nullptr);
    loaded = SUCCEEDED(hr) ? OwnedText(v) : QStringLiteral("<absent>");
    VariantClear(&v);
    missingRead = bag->Read(u"NoSuchName", &v, nullptr);
    return S_OK;
  }
  HRESULT Save(IPropertyBag* bag, BOOL, BOOL) override {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = ++saves;
    return bag->Write(u"Saves", &v);
  }

  QStringList log;
  ICustomPointSite2* site = nullptr;
  bool verdict = true;
  bool releaseOnTap = false;
  QString loaded;
  HRESULT missingRead = S_OK;
  int saves = 0;

 private:
  ~CRecordingControl() {
    if (site) site->Release();
    --s_alive;
    if (s_last == this) s_last = nullptr;
  }
  HRESULT Note(const QString& entry) {
    log << entry;
    return S_OK;
  }
  static QString OwnedText(const VARIANT& v) {
    return v.vt == VT_BSTR ? TextFromBstr(v.bstrVal) : QString();
  }
  ULONG m_refs = 1;
};

// A page with the edit point "Source" and the custom point "Widget" of the test class.
class CustomPointHosting : public ::testing::Test {
 protected:
  void SetUp() override {
    CRecordingControl::s_refuseSite = false;
    m_page = m_project.AddPage();
    m_source = AddPoint<CEditPoint>(m_page, QStringLiteral("Source"), QStringLiteral("Source"));
    m_point = AddPoint<CCustomPoint>(m_page, QStringLiteral("Widget"), QStringLiteral("A widget"));
    m_point->SetClassId(kTestClass);
    m_point->MutableBag().SetText(QStringLiteral("Colour"), QStringLiteral("teal"));
    m_point->SetItemRect(QRect(10, 20, 200, 50));
    m_host.AddBuiltIn(kTestClass, QStringLiteral("Test.Recording"), &CRecordingControl::Create);
  }
  void TearDown() override {
    CCustomPointHost::ReleaseControls(m_project);
    EXPECT_EQ(CRecordingControl::s_alive, 0);
    EXPECT_EQ(m_root.LiveFacets(), 0);
  }
  CRecordingControl& Control() { return *CRecordingControl::s_last; }
  static BSTR Text(const char16_t* text) { return SysAllocString(text); }

  CScopedServices m_services;
  CAutomationRoot m_root;
  CProject m_project;
  CPage* m_page = nullptr;
  CEditPoint* m_source = nullptr;
  CCustomPoint* m_point = nullptr;
  std::vector<int> m_waits;
  int m_sweeps = 0;
  bool m_sweepRegisters = false;
  CCustomPointHost m_host{&m_root,
                          [this] {
                            ++m_sweeps;
                            return m_sweepRegisters;
                          },
                          [this](int ms) { m_waits.push_back(ms); }};
};

TEST_F(CustomPointHosting, PointOperationsReachTheControl) {
  ASSERT_EQ(m_host.CreateControls(m_project), 0);
  ASSERT_NE(m_point->Control(), nullptr);
  EXPECT_EQ(m_point->UserTypeName(), QStringLiteral("Test.Recording"));
  EXPECT_EQ(Control().loaded, QStringLiteral("teal"));
  EXPECT_EQ(Control().missingRead, E_FAIL);
  Control().log.clear();

  QImage image(300, 100, QImage::Format_RGB888);
  QPainter painter(&image);
  m_point->Init();
  m_point->Show(nullptr);
  EXPECT_EQ(m_point->GetHeight(&painter, 180), 77);
  m_point->Paint(&painter);
  m_point->OnTap(15, 25);
  m_point->OnCommand(42, 0);
  m_point->SetValue(QStringLiteral("typed"));
  EXPECT_EQ(m_point->SetValueV(CVariant::FromInt32(5)), kPointOk);
  EXPECT_TRUE(m_point->Hide(true));
  Control().verdict = false;
  EXPECT_FALSE(m_point->Hide(true));
  m_point->SetVisible(0);
  EXPECT_TRUE(m_point->Hide(true));  // a hidden point is hidden, and counts as valid
  m_point->OnDep(m_source);
  QString output;
  EXPECT_TRUE(
      m_point->GetOutputString(CVariant::FromString(QStringLiteral("x")), QString(), 0, output));
  EXPECT_EQ(output, QStringLiteral("from control"));
  EXPECT_TRUE(m_point->Configure());
  painter.end();

  EXPECT_EQ(Control().log,
            QStringList({"Init", "Show", "GetHeight 1 180", "Paint 10,20,210,70", "OnTap 15 25",
                         "OnCommand 42", "SetValueV typed", "SetValueV 5", "Verify preset 1",
                         "Verify preset 1", "Hide", "OnDep Source"}));
}

TEST_F(CustomPointHosting, SiteOffersThePointAndItsProject) {
  ASSERT_EQ(m_host.CreateControls(m_project), 0);
  ICustomPointSite2* site = Control().site;
  ASSERT_NE(site, nullptr);
  m_source->StoreText(QStringLiteral("north"));

  BSTR text = nullptr;
  ASSERT_EQ(site->GetName(&text), S_OK);
  EXPECT_EQ(TextFromBstr(text), QStringLiteral("Widget"));
  SysFreeString(text);
  BSTR name = Text(u"source");
  ASSERT_EQ(site->GetPointValue(name, &text), S_OK);
  EXPECT_EQ(TextFromBstr(text), QStringLiteral("north"));
  SysFreeString(text);
  VARIANT v;
  ASSERT_EQ(site->GetPointValueV(name, &v), S_OK);
  EXPECT_EQ(v.vt, VT_BSTR);
  VariantClear(&v);
  BSTR missing = Text(u"Nowhere");
  EXPECT_EQ(site->GetPointValue(missing, &text), E_FAIL);
  EXPECT_EQ(site->AddPrecedent(missing), E_FAIL);
  EXPECT_EQ(site->AddDependent(missing), E_FAIL);

  // A precedent's change reaches the control as OnDep with that point's object.
  ASSERT_EQ(site->AddPrecedent(name), S_OK);
  Control().log.clear();
  m_source->StoreText(QStringLiteral("south"));
  EXPECT_EQ(Control().log, QStringList({"OnDep Source"}));

  // SetValue goes the way of typing: stored and passed on to dependants.
  ASSERT_EQ(site->AddDependent(name), S_OK);
  BSTR typed = Text(u"12");
  ASSERT_EQ(site->SetValue(typed), S_OK);
  EXPECT_EQ(ValueAsText(m_point->Value()), QStringLiteral("12"));
  ASSERT_EQ(site->GetValueV(&v), S_OK);
  EXPECT_EQ(TextFromBstr(v.bstrVal), QStringLiteral("12"));
  VariantClear(&v);

  QltRect rect{};
  ASSERT_EQ(site->GetRect(&rect), S_OK);
  EXPECT_EQ(rect.right, 210);
  LONGLONG hwnd = -1;
  ASSERT_EQ(site->GetHWND(&hwnd), S_OK);
  EXPECT_EQ(hwnd, 0);  // no page window

  // DefaultPaint draws where it is told and leaves the point's rectangle as it was.
  QImage image(300, 100, QImage::Format_RGB888);
  QPainter painter(&image);
  const QltRect elsewhere{0, 0, 50, 10};
  EXPECT_EQ(site->DefaultPaint(&painter, &elsewhere), S_OK);
  painter.end();
  EXPECT_EQ(m_point->ItemRect(), QRect(10, 20, 200, 50));

  IDispatch* object = nullptr;
  ASSERT_EQ(site->GetPoint(&object), S_OK);
  IDispatch* expected = m_root.PointFacet(m_point);
  EXPECT_EQ(object, expected);
  object->Release();
  expected->Release();
  ASSERT_EQ(site->GetProject(&object), S_OK);
  object->Release();
  ASSERT_EQ(site->GetApplication(&object), S_OK);
  object->Release();

  // Once the point lets its control go, a kept site answers nothing.
  site->AddRef();
  CCustomPointHost::ReleaseControls(m_project);
  EXPECT_EQ(site->GetName(&text), RPC_E_DISCONNECTED);
  site->Release();
  for (BSTR b : {name, missing, typed}) SysFreeString(b);
}

TEST_F(CustomPointHosting, ControlSavesItsPropertiesIntoThePointsMap) {
  ASSERT_EQ(m_host.CreateControls(m_project), 0);
  const QByteArray first = m_project.SaveToBytes();
  EXPECT_EQ(ValueAsText(m_point->Bag().GetVariant(QStringLiteral("Saves"))), "1");
  EXPECT_EQ(m_point->Bag().GetText(QStringLiteral("Colour")), QStringLiteral("teal"));

  // Loaded again, the control gets the map it wrote.
  CProject reloaded;
  ASSERT_TRUE(reloaded.LoadFromBytes(first));
  ASSERT_EQ(m_host.CreateControls(reloaded), 0);
  EXPECT_EQ(Control().loaded, QStringLiteral("teal"));
  auto* point = static_cast<CCustomPoint*>(reloaded.FindPointByName(QStringLiteral("Widget")));
  ASSERT_NE(point, nullptr);
  EXPECT_EQ(ValueAsText(point->Bag().GetVariant(QStringLiteral("Saves"))), "1");
  CCustomPointHost::ReleaseControls(reloaded);
}

TEST_F(CustomPointHosting, ControlReleasingItselfMidCallIsSurvived) {
  ASSERT_EQ(m_host.CreateControls(m_project), 0);
  Control().AddRef();  // a hold of its own, as for work still under way
  Control().releaseOnTap = true;
  m_point->OnTap(1, 2);
  EXPECT_EQ(CRecordingControl::s_alive, 1);  // the point's reference keeps it
  m_point->OnTap(3, 4);
  EXPECT_EQ(Control().log.back(), QStringLiteral("OnTap 3 4"));
}

// The drawing without a control: the caption, then the placeholder text.
void ExpectPlaceholder(CCustomPoint& point) {
  EXPECT_EQ(point.Control(), nullptr);
  QImage image(400, 200, QImage::Format_RGB888);
  image.fill(Qt::white);
  QPainter painter(&image);
  const int base = point.DefaultGetHeight(&painter, 200);
  EXPECT_EQ(point.GetHeight(&painter, 200), base + 32);
  point.Paint(&painter);
  painter.end();
  EXPECT_TRUE(point.PlaceholderText().startsWith(QStringLiteral("CUSTOM POINT:\r\n")));
  bool drawn = false;
  for (int y = 0; y < image.height() && !drawn; ++y) {
    for (int x = 0; x < image.width() && !drawn; ++x)
      drawn = image.pixel(x, y) != qRgb(255, 255, 255);
  }
  EXPECT_TRUE(drawn);
}

TEST_F(CustomPointHosting, SiteRefusedLeavesThePlaceholder) {
  CRecordingControl::s_refuseSite = true;
  EXPECT_EQ(m_host.CreateControls(m_project), 1);
  ExpectPlaceholder(*m_point);
  EXPECT_EQ(CRecordingControl::s_alive, 0);
}

TEST_F(CustomPointHosting, BadLibrariesLeaveThePlaceholderAndTheStoredDataAlone) {
  const QString notShared = QDir(qEnvironmentVariable("HOME")).filePath("not_a_library.so");
  {
    QFile file(notShared);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is text, not a shared object\n");
  }
  const struct {
    const char* what;
    QString library;
  } cases[] = {
      {"missing", QStringLiteral("/nonexistent/folder/gone.so")},
      {"not a shared object", notShared},
      {"no DllGetClassObject", QStringLiteral(QLT_TEST_BROKEN1)},
      {"failure", QStringLiteral(QLT_TEST_BROKEN2)},
      {"null object", QStringLiteral(QLT_TEST_BROKEN3)},
  };
  const QUuid outside(QStringLiteral("{0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9}"));
  m_point->SetClassId(outside);
  m_point->SetUserTypeName(QStringLiteral("Outside.Broken"));
  m_point->AssignValue(CVariant::FromString(QStringLiteral("kept")));
  const QByteArray before = m_project.SaveToBytes();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(QltRegisterClass(outside.toString(), {c.library, "Outside.Broken", "Broken", ""}));
    EXPECT_EQ(m_host.CreateControls(m_project), 1);
    ExpectPlaceholder(*m_point);
    EXPECT_EQ(ValueAsText(m_point->Value()), QStringLiteral("kept"));
    EXPECT_EQ(m_project.SaveToBytes(), before);
  }
}

TEST_F(CustomPointHosting, SweepRunsOnceAndTheSecondAttemptFollows) {
  const QUuid unknown(QStringLiteral("{11111111-2222-4333-8444-555555555555}"));
  m_point->SetClassId(unknown);
  // Nothing registered: one sweep, no pause, the point stays without a control.
  EXPECT_EQ(m_host.CreateControls(m_project), 1);
  EXPECT_EQ(m_sweeps, 1);
  EXPECT_TRUE(m_waits.empty());

  // A sweep that registers a library pauses before the second attempt, which then succeeds.
  m_sweepRegisters = true;
  m_host.AddBuiltIn(unknown, QStringLiteral("Test.Late"), &CRecordingControl::Create);
  m_point->SetClassId(QUuid(QStringLiteral("{22222222-2222-4333-8444-555555555555}")));
  CCustomPoint* second = AddPoint<CCustomPoint>(m_page, QStringLiteral("Late"));
  second->SetClassId(unknown);
  EXPECT_EQ(m_host.CreateControls(m_project), 1);
  EXPECT_EQ(m_sweeps, 2);
  EXPECT_EQ(m_waits, std::vector<int>({CCustomPointHost::kRetryDelayMs}));
  EXPECT_NE(second->Control(), nullptr);

  // Points that never have a control cause neither creation nor a sweep.
  m_point->SetClassId(QUuid(QString::fromLatin1(CCustomPointHost::kNoControlClass)));
  second->SetClassId(QUuid(QString::fromLatin1(CCustomPointHost::kNeverCreatedClass)));
  EXPECT_EQ(m_host.CreateControls(m_project), 0);
  EXPECT_EQ(m_sweeps, 2);
  EXPECT_EQ(second->Control(), nullptr);
}

TEST(CustomPointLabel, ShortTypeNameAndCutCaption) {
  const struct {
    const char* userType;
    const char* caption;
    bool withType;
    const char* label;
  } cases[] = {
      {"TWKF.FileCamera", "", false, "[Camera] "},
      {"TWKF.GPS", "Where", false, "Where"},
      {"TWKF.GPS", "Where", true, "[GPS] Where"},
      {"Outside.Thing", "123456789012345678901234567890", true,
       "[Outside.Thing] 123456789012345678901234..."},
  };
  for (const auto& c : cases) {
    CCustomPoint point;
    point.SetUserTypeName(QString::fromLatin1(c.userType));
    point.SetCaption(QString::fromLatin1(c.caption));
    EXPECT_EQ(point.DesignLabel(c.withType), QString::fromLatin1(c.label)) << c.userType;
  }
}

}  // namespace
