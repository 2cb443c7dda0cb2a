// Attaching a session to a project (values, carried values, defaults, templates last, Init, the
// lock) and taking the points' values back into it.
#include "editing/session_binding.h"

#include <gtest/gtest.h>

#include <memory>

#include "project/base_point.h"
#include "project/page.h"
#include "project/project.h"
#include "support/scoped_services.h"
#include "support/session_files.h"

namespace {

using qlt::test::CScopedServices;

// A point that notes the value it held when Init ran and how often Init ran.
class ProbePoint : public CBasePoint {
 public:
  ProbePoint() : CBasePoint(1, QStringLiteral("Probe")) {}
  void Init() override {
    CBasePoint::Init();
    ++initCount;
    valueAtInit = Value();
  }
  int initCount = 0;
  CVariant valueAtInit;
};

class SessionBindingTest : public ::testing::Test {
 protected:
  ProbePoint* Add(int page, const QString& name, const CVariant& defaultValue) {
    while (m_project.PageCount() <= page) m_project.AddPage();
    auto* point =
        static_cast<ProbePoint*>(m_project.Page(page)->InsertPoint(std::make_unique<ProbePoint>()));
    point->SetName(name);
    point->SetDefaultValue(defaultValue);
    return point;
  }
  static CVariant Text(const char* text) { return CVariant::FromString(QString::fromUtf8(text)); }

  CScopedServices m_services;
  CProject m_project;
};

TEST_F(SessionBindingTest, AttachFillsSessionValuesThenDefaultsThenTemplates) {
  ProbePoint* name = Add(0, u"Name"_qs, Text("nobody"));
  ProbePoint* city = Add(0, u"City"_qs, Text("Leeds"));
  ProbePoint* cleared = Add(0, u"Cleared"_qs, Text(""));
  ProbePoint* count = Add(1, u"Count"_qs, CVariant::FromInt32(5));
  ProbePoint* label = Add(0, u"Label"_qs, Text("<%Name%> from <%City%>"));
  ProbePoint* own = Add(1, u"Own"_qs, Text("<%Name%>"));
  ProbePoint* unnamed = Add(1, QString(), Text("untouched default"));
  cleared->AssignValue(Text("old value"));
  unnamed->AssignValue(Text("kept"));
  name->AddDependent(city);

  CSessionPtr session = CSession::Create(CProject::UnitId(), true);
  session->SetValueText(u"name"_qs, u"Ann"_qs);
  session->SetValueText(u"own"_qs, u"typed"_qs);
  CSessionBinding binding(m_project);
  binding.Attach(session.data());

  EXPECT_EQ(binding.CurrentSession(), session.data());
  EXPECT_EQ(m_project.SessionGuid(), session->GuidText());
  EXPECT_TRUE(name->Value() == Text("Ann"));
  EXPECT_TRUE(city->Value() == Text("Leeds"));
  EXPECT_TRUE(cleared->Value().IsEmpty());  // an empty default text empties the value
  EXPECT_TRUE(count->Value() == CVariant::FromInt32(5));
  // Templates are expanded after every other point got its value; a session value wins.
  EXPECT_TRUE(label->Value() == Text("Ann from Leeds"));
  EXPECT_TRUE(own->Value() == Text("typed"));
  EXPECT_TRUE(unnamed->Value() == Text("kept"));
  EXPECT_TRUE(name->Dependants().isEmpty());
  // Init ran once on every point, after all values were in place.
  for (ProbePoint* point : {name, city, cleared, count, label, own, unnamed}) {
    EXPECT_EQ(point->initCount, 1);
    EXPECT_TRUE(point->valueAtInit == point->Value());
  }
  EXPECT_FALSE(binding.IsLocked());
  EXPECT_FALSE(m_project.IsReadOnly());
}

TEST_F(SessionBindingTest, TakeStoresResultPointsAndCarriesValuesForward) {
  ProbePoint* site = Add(0, u"Site"_qs, Text("Site A"));
  site->SetCarryForward(1);
  ProbePoint* reading = Add(0, u"Reading"_qs, Text(""));
  ProbePoint* scratch = Add(0, u"Scratch"_qs, Text(""));
  scratch->SetResults(0);
  ProbePoint* carriedOnly = Add(0, u"Weather"_qs, Text("dry"));
  carriedOnly->SetCarryForward(1);
  carriedOnly->SetResults(0);

  CSessionBinding binding(m_project);
  CSessionPtr first = CSession::Create(CProject::UnitId(), true);
  binding.Attach(first.data());
  site->AssignValue(Text("Site B"));
  reading->AssignValue(CVariant::FromDouble(7.5));
  scratch->AssignValue(Text("not stored"));
  carriedOnly->AssignValue(Text("wet"));
  m_services.SetNow(QDateTime(QDate(2024, 6, 1), QTime(12, 0)));
  ASSERT_TRUE(binding.Take());
  EXPECT_EQ(first->GetValueText(u"site"_qs), u"Site B"_qs);
  EXPECT_TRUE(*first->Values().Find(u"reading"_qs) == CVariant::FromDouble(7.5));
  EXPECT_EQ(first->Values().Find(u"scratch"_qs), nullptr);
  EXPECT_EQ(first->Values().Find(u"weather"_qs), nullptr);
  EXPECT_EQ(first->Saved().ToDateTime(), m_services.Now());

  // The next session starts from the carried values, not the defaults.
  CSessionPtr second = CSession::Create(CProject::UnitId(), true);
  binding.Attach(second.data());
  EXPECT_TRUE(site->Value() == Text("Site B"));
  EXPECT_TRUE(carriedOnly->Value() == Text("wet"));
  EXPECT_TRUE(reading->Value().IsEmpty());
  // A session's own value wins over the carried one.
  CSessionPtr third = CSession::Create(CProject::UnitId(), true);
  third->SetValueText(u"Site"_qs, u"Site C"_qs);
  binding.Attach(third.data());
  EXPECT_TRUE(site->Value() == Text("Site C"));
}

TEST_F(SessionBindingTest, StoredSessionUnderTheSessionLockIsNeverTaken) {
  ProbePoint* point = Add(0, u"Value"_qs, Text(""));
  m_project.MutableHeader().sessionLock = 1;
  CSessionPtr stored = CSession::Create(CProject::UnitId(), true);
  stored->SetNew(false);
  stored->SetValueText(u"value"_qs, u"as stored"_qs);

  CSessionBinding binding(m_project);
  binding.Attach(stored.data());
  EXPECT_TRUE(binding.IsLocked());
  EXPECT_TRUE(m_project.IsReadOnly());
  point->AssignValue(Text("changed"));
  EXPECT_FALSE(binding.Take());
  EXPECT_EQ(stored->GetValueText(u"value"_qs), u"as stored"_qs);
  EXPECT_TRUE(stored->Saved().IsZero());
  EXPECT_EQ(binding.CurrentSession(), nullptr);
  EXPECT_TRUE(m_project.SessionGuid().isEmpty());

  // A new session is not locked, nor is a stored one without the option.
  CSessionPtr fresh = CSession::Create(CProject::UnitId(), true);
  binding.Attach(fresh.data());
  EXPECT_FALSE(binding.IsLocked());
  m_project.MutableHeader().sessionLock = 0;
  binding.Attach(stored.data());
  EXPECT_FALSE(binding.IsLocked());
  // The editing flow locks sent and deleted sessions itself.
  binding.SetLocked(true);
  EXPECT_FALSE(binding.Take());
}

TEST_F(SessionBindingTest, DetachingLeavesValuesAndRunsInit) {
  ProbePoint* point = Add(0, u"Value"_qs, Text("default"));
  CSessionBinding binding(m_project);
  EXPECT_FALSE(binding.Take());  // nothing attached
  CSessionPtr session = CSession::Create(CProject::UnitId(), true);
  binding.Attach(session.data());
  point->AssignValue(Text("typed"));
  binding.Attach(nullptr);
  EXPECT_EQ(binding.CurrentSession(), nullptr);
  EXPECT_TRUE(m_project.SessionGuid().isEmpty());
  EXPECT_TRUE(point->Value() == Text("typed"));
  EXPECT_EQ(point->initCount, 2);
  EXPECT_FALSE(binding.IsLocked());
}

}  // namespace
