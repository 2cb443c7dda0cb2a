// What the application object offers beside IApplication: the timers for custom points, the class
// factory and the class object lookup, the interface description against the members the objects
// really answer to, and the outside classes listed in the point-type registry.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QImage>

#include "automation/automation_root.h"
#include "automation/automation_server.h"
#include "automation/custom_point_host.h"
#include "automation/type_library.h"
#include "automation/x_application.h"
#include "automation/x_database.h"
#include "automation/x_page.h"
#include "automation/x_point.h"
#include "automation/x_project.h"
#include "automation/x_session.h"
#include "automation/x_telegram.h"
#include "project/point_factory.h"
#include "qlt_class_registry.h"
#include "support/harness.h"
#include "support/scoped_services.h"

namespace {

// Counts its ticks; deletes its own timer on tick `stopAt` (0: never).
class CCountingSink final : public ITWKFTimerSink {
 public:
  ITWKFTimerSource* source = nullptr;
  int ticks = 0;
  int stopAt = 0;
  ULONG refs = 1;
  HRESULT QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }  // lives on the test's stack
  HRESULT OnTimerSink(LONG hTimer) override {
    if (++ticks == stopAt) source->DeleteTimer(hTimer);
    return S_OK;
  }
};

template <typename T>
T* Query(IUnknown* object, REFIID iid) {
  void* raw = nullptr;
  return object->QueryInterface(iid, &raw) == S_OK ? static_cast<T*>(raw) : nullptr;
}

void WaitUntil(const std::function<bool()>& done) {
  QDeadlineTimer deadline(5000);
  while (!done() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

TEST(TimerSource, NumbersFromFiftyTheLowestFreeFirst) {
  CAutomationRoot root;
  IDispatch* application = root.ApplicationFacet();
  ITWKFTimerSource* timers = Query<ITWKFTimerSource>(application, ITWKFTimerSource::kIid);
  ASSERT_NE(timers, nullptr);
  CCountingSink sink;
  struct Step {
    const char* what;
    LONG deleteNumber;  // 0: create instead
    HRESULT hr;
    LONG number;
  };
  const Step steps[] = {
      {"first", 0, S_OK, 50},     {"second", 0, S_OK, 51},   {"third", 0, S_OK, 52},
      {"free 51", 51, S_OK, 0},   {"again", 51, S_FALSE, 0}, {"unknown", 9999, S_FALSE, 0},
      {"51 reused", 0, S_OK, 51}, {"next", 0, S_OK, 53},
  };
  for (const Step& step : steps) {
    if (step.deleteNumber != 0) {
      EXPECT_EQ(timers->DeleteTimer(step.deleteNumber), step.hr) << step.what;
      continue;
    }
    LONG number = -1;
    EXPECT_EQ(timers->CreateTimer(60000, &sink, &number), step.hr) << step.what;
    EXPECT_EQ(number, step.number) << step.what;
  }
  EXPECT_EQ(sink.refs, 5u);  // one per live timer
  LONG number = -1;
  EXPECT_EQ(timers->CreateTimer(0, &sink, &number), E_INVALIDARG);
  EXPECT_EQ(timers->CreateTimer(10, nullptr, &number), E_POINTER);
  EXPECT_EQ(timers->CreateTimer(10, &sink, nullptr), E_POINTER);
  timers->Release();
  application->Release();
}

TEST(TimerSource, TicksReachTheSinkUntilItDeletesItsTimerAndTheRootReleasesTheRest) {
  CCountingSink stopping;
  CCountingSink running;
  {
    CAutomationRoot root;
    ITWKFTimerSource* timers = root.TimerSource();
    stopping.source = timers;
    stopping.stopAt = 2;
    LONG first = 0;
    LONG second = 0;
    ASSERT_EQ(timers->CreateTimer(5, &stopping, &first), S_OK);
    ASSERT_EQ(timers->CreateTimer(5, &running, &second), S_OK);
    WaitUntil([&] { return running.ticks >= 6; });
    EXPECT_EQ(stopping.ticks, 2);  // none after it deleted its timer from inside the tick
    EXPECT_EQ(stopping.refs, 1u);
    EXPECT_EQ(running.refs, 2u);
    EXPECT_EQ(timers->DeleteTimer(first), S_FALSE);
    timers->Release();
  }
  EXPECT_EQ(running.refs, 1u);  // the root stopped it and let the sink go
  const int ticks = running.ticks;
  QCoreApplication::processEvents(QEventLoop::AllEvents, 30);
  EXPECT_EQ(running.ticks, ticks);
}

TEST(ClassFactory, HandsOutTheOneApplication) {
  CAutomationRoot root;
  IClassFactory* factory = root.ClassFactory();
  IDispatch* application = root.ApplicationFacet();
  void* out = reinterpret_cast<void*>(1);
  struct Case {
    const char* what;
    IUnknown* outer;
    IID iid;
    bool giveOut;
    HRESULT hr;
    bool isApplication;
  };
  const Case cases[] = {
      {"aggregate", application, IID_IUnknown, true, CLASS_E_NOAGGREGATION, false},
      {"no out pointer", nullptr, IID_IUnknown, false, E_POINTER, false},
      {"IUnknown", nullptr, IID_IUnknown, true, S_OK, true},
      {"IApplication", nullptr, IApplication::kIid, true, S_OK, true},
      {"IDispatch", nullptr, IID_IDispatch, true, S_OK, true},
      {"ITelegram", nullptr, ITelegram::kIid, true, E_NOINTERFACE, false},
  };
  for (const Case& c : cases) {
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(c.outer, c.iid, c.giveOut ? &out : nullptr), c.hr) << c.what;
    if (!c.giveOut) continue;
    EXPECT_EQ(out == static_cast<void*>(application), c.isApplication) << c.what;
    if (out != nullptr) static_cast<IUnknown*>(out)->Release();
  }
  EXPECT_EQ(factory->LockServer(0), E_UNEXPECTED);
  EXPECT_EQ(factory->LockServer(1), S_OK);
  EXPECT_TRUE(root.IsLocked());
  EXPECT_EQ(factory->LockServer(0), S_OK);
  EXPECT_FALSE(root.IsLocked());
  // The application answers for its class factory too.
  IClassFactory* again = Query<IClassFactory>(application, IID_IClassFactory);
  EXPECT_EQ(again, factory);
  again->Release();
  application->Release();
  factory->Release();
  EXPECT_EQ(root.LiveFacets(), 0);
}

TEST(ClassFactory, InProcessCallersFindTheRunningApplicationsClassObject) {
  qlt::test::CScopedServices services;
  void* out = nullptr;
  EXPECT_EQ(QltGetClassObject(qlt::automation::kApplicationClassId, IID_IClassFactory, &out),
            CLASS_E_CLASSNOTAVAILABLE);
  CPointFactory registry;
  {
    CAutomationServer server(registry);
    EXPECT_EQ(QltGetClassObject(qlt::automation::kTelegramClassId, IID_IClassFactory, &out),
              CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(QltGetClassObject(qlt::automation::kApplicationClassId, IID_IClassFactory, &out),
              S_OK);
    auto* factory = static_cast<IClassFactory*>(out);
    ASSERT_EQ(factory->CreateInstance(nullptr, IApplication::kIid, &out), S_OK);
    BSTR path = nullptr;
    EXPECT_EQ(static_cast<IApplication*>(out)->get_Path(&path), S_OK);
    SysFreeString(path);
    static_cast<IUnknown*>(out)->Release();
    factory->Release();
  }
  EXPECT_EQ(QltGetClassObject(qlt::automation::kApplicationClassId, IID_IClassFactory, &out),
            CLASS_E_CLASSNOTAVAILABLE);
}

// Every member the client's objects answer to is in the interface description with the same
// dispatch identifier and as many parameters; the two cannot drift apart.
TEST(TypeLibrary, DescribesEveryMemberTheObjectsAnswerTo) {
  const CTypeLibrary& library = CTypeLibrary::Embedded();
  EXPECT_EQ(library.name, QStringLiteral("TWKF"));
  EXPECT_EQ(library.version, QStringLiteral("1.3"));
  EXPECT_EQ(library.lcid, 1033u);
  EXPECT_EQ(library.id, QUuid(QStringLiteral("{E67499E5-7114-4BA2-9F08-5EFBDB42D0FC}")));
  const auto uuid = [](const GUID& g) {
    return QUuid(g.Data1, g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                 g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  };
  struct Implemented {
    const char* name;
    IID iid;
    const qlt::automation::CDispatchTable* table;  // null: not a dispatch interface
  };
  const Implemented implemented[] = {
      {"IApplication", IApplication::kIid, &XApplication::Table()},
      {"IProjects", IProjects::kIid, &XProjects::Table()},
      {"IProject", IProject::kIid, &XProject::Table()},
      {"IPages", IPages::kIid, &XPages::Table()},
      {"IPage", IPage::kIid, &XPage::Table()},
      {"IPoints", IPoints::kIid, &XPoints::Table()},
      {"IPoint", IPoint::kIid, &XPoint::Table()},
      {"ITelegram", ITelegram::kIid, &XTelegram::Table()},
      {"ISession", ISession::kIid, &XSession::Table()},
      {"IDatabase", IDatabase::kIid, &XDatabase::Table()},
      {"IImageService", IImageService::kIid, nullptr},
      {"ITWKFTimerSource", ITWKFTimerSource::kIid, nullptr},
      {"ITWKFTimerSink", ITWKFTimerSink::kIid, nullptr},
      {"ICustomPoint", ICustomPoint::kIid, nullptr},
      {"ICustomPoint2", ICustomPoint2::kIid, nullptr},
      {"ICustomPointSite", ICustomPointSite::kIid, nullptr},
      {"ICustomPointSite2", ICustomPointSite2::kIid, nullptr},
  };
  for (const Implemented& item : implemented) {
    const CTypeLibrary::Interface* described =
        library.FindInterface(QString::fromLatin1(item.name));
    ASSERT_NE(described, nullptr) << item.name;
    EXPECT_EQ(described->iid, uuid(item.iid)) << item.name;
    if (item.table == nullptr) continue;
    for (const qlt::automation::SDispMember& member : item.table->Members()) {
      const CTypeLibrary::Member* entry = described->Find(member.name, member.kind);
      ASSERT_NE(entry, nullptr) << item.name << "." << qPrintable(member.name);
      EXPECT_EQ(entry->id, member.id) << item.name << "." << qPrintable(member.name);
      EXPECT_EQ(entry->InCount(), static_cast<int>(member.params.size()))
          << item.name << "." << qPrintable(member.name);
    }
  }
  for (const char* declaredOnly :
       {"IProjectProperties", "IMailer", "IDevices", "IUsers", "IManagementDelegate"}) {
    EXPECT_NE(library.FindInterface(QString::fromLatin1(declaredOnly)), nullptr) << declaredOnly;
  }
  CTypeLibrary broken;
  QString error;
  EXPECT_FALSE(CTypeLibrary::Parse(
      QStringLiteral("[uuid(E67499E5-7114-4BA2-9F08-5EFBDB42D0FC)]\nlibrary TWKF\n{\n"
                     "  [object, uuid(1B1BBC81-EA9F-42C5-8635-1F953FFED1D2)]\n"
                     "  interface ITelegram : IDispatch {\n    [id(0x1)] Count;\n  };\n};\n"),
      broken, &error));
  EXPECT_TRUE(error.startsWith(QStringLiteral("line 6"))) << qPrintable(error);
}

TEST(OutsideClasses, AreListedWithTheirUserTypeNameAndIcon) {
  qlt::test::CScopedServices services;
  const QString home = qlt::test::TestHome();
  const QString library = home + QStringLiteral("/gauge.so");
  QImage picture(48, 48, QImage::Format_ARGB32);
  picture.fill(Qt::red);
  ASSERT_TRUE(picture.save(home + QStringLiteral("/gauge.png")));  // beside the library
  ASSERT_TRUE(QDir(home).mkpath(QStringLiteral("icons")));
  ASSERT_TRUE(picture.save(home + QStringLiteral("/icons/dial.png")));  // named by the entry
  struct Case {
    const char* classId;
    QltClassEntry entry;
    QString displayName;
    bool icon;
  };
  const Case cases[] = {
      {"{6C1D0B7E-1111-4A2B-8C3D-4E5F60718293}",
       {library, "A.Gauge", "TWKF.Gauge", ""},
       QStringLiteral("Gauge"),
       true},
      {"{6C1D0B7E-2222-4A2B-8C3D-4E5F60718293}",
       {home + "/dial.so", "A.Dial", "Dial", "icons/dial.png"},
       QStringLiteral("Dial"),
       true},
      {"{6C1D0B7E-3333-4A2B-8C3D-4E5F60718293}",
       {home + "/plain.so", "A.Plain", "", ""},
       QStringLiteral("Custom Point"),
       false},
  };
  for (const Case& c : cases) ASSERT_TRUE(QltRegisterClass(c.classId, c.entry));
  ASSERT_TRUE(
      QltRegisterClass(CCustomPointHost::kNeverCreatedClass, {library, "A.Never", "Never", ""}));
  CPointFactory registry;
  const int images = static_cast<int>(registry.ImageList().size());
  EXPECT_EQ(CCustomPointHost::ListOutsideClasses(registry), 3);
  for (const Case& c : cases) {
    const CPointFactory::Entry* entry =
        registry.Find(CPointFactory::kCustomTypeCode, QUuid::fromString(QString(c.classId)));
    ASSERT_NE(entry, nullptr) << c.classId;
    EXPECT_EQ(entry->displayName, c.displayName);
    EXPECT_EQ(entry->imageIndex >= images, c.icon) << c.classId;
    EXPECT_EQ(entry->smallIcon.isNull() ? QSize() : entry->smallIcon.size(),
              c.icon ? QSize(16, 16) : QSize())
        << c.classId;
  }
  EXPECT_EQ(CCustomPointHost::ListOutsideClasses(registry), 0);  // each class once
}

}  // namespace
