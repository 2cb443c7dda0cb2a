#include <gtest/gtest.h>

#include "points/outlook_point.h"
#include "project/base_point.h"
#include "project/page.h"
#include "project/project.h"
#include "support/scoped_services.h"

namespace {

using qlt::test::CScopedServices;

class CTemplateTest : public ::testing::Test {
 protected:
  CTemplateTest() {
    m_page = m_project.AddPage();
    m_total = Add("Total", CVariant::FromInt32(12));
    m_note = Add("Note", CVariant::FromString("see <%Total%>"));
  }

  CBasePoint* Add(const QString& name, const CVariant& value) {
    CBasePoint* point = m_page->AddPoint(COutlookPoint::kTypeCode);
    point->SetName(name);
    point->AssignValue(value);
    return point;
  }

  QString Expand(const QString& text, CBasePoint* referrer = nullptr) {
    return m_project.ExpandTemplate(text, referrer);
  }

  CScopedServices m_services;
  CProject m_project;
  CPage* m_page;
  CBasePoint* m_total;
  CBasePoint* m_note;
};

// Counts the changes it is told about.
class CListeningPoint : public CBasePoint {
 public:
  CListeningPoint() : CBasePoint(98, QStringLiteral("Listening")) {}
  void OnDep(CBasePoint* changed) override { told.append(changed); }
  QList<CBasePoint*> told;
};

}  // namespace

TEST_F(CTemplateTest, ReferencesAreReplacedByValues) {
  EXPECT_EQ(Expand("Total: <%Total%> units"), "Total: 12 units");
  EXPECT_EQ(Expand("Total: <%  total\t%> units"), "Total: 12 units");
  EXPECT_EQ(Expand("<%Total%><%Total%>"), "1212");
  EXPECT_EQ(Expand("no references"), "no references");
  EXPECT_EQ(Expand(""), "");
}

TEST_F(CTemplateTest, ReplacedTextIsNeverExpandedAgain) {
  EXPECT_EQ(Expand("<%Note%>!"), "see <%Total%>!");
  // A value that ends in "<" does not join the following "%>" into a new reference.
  m_total->AssignValue(CVariant::FromString("a<"));
  EXPECT_EQ(Expand("<%Total%>%Total%>"), "a<%Total%>");
}

TEST_F(CTemplateTest, PseudoNamesAndMissingNames) {
  EXPECT_EQ(Expand("<%_unitid%>"), "Unit-7");
  EXPECT_EQ(Expand("<% _UnitID %>"), "Unit-7");
  EXPECT_EQ(Expand("<%_GUID%>"), "_GUID");
  m_project.SetSessionGuid("0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0");
  EXPECT_EQ(Expand("<%_guid%>"), "0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0");
  EXPECT_EQ(Expand("<%Missing%>"), "(Missing: not found)");
  EXPECT_EQ(Expand("<% Missing %> and <%Total%>"), "(Missing: not found) and 12");
  // A point of that name wins over the pseudo name.
  Add("_UnitID", CVariant::FromString("mine"));
  EXPECT_EQ(Expand("<%_UnitID%>"), "mine");
}

TEST_F(CTemplateTest, UnterminatedReferenceLeavesTheRestAlone) {
  EXPECT_EQ(Expand("a <%Total b"), "a <%Total b");
  EXPECT_EQ(Expand("<%Total%> then <%Total"), "12 then <%Total");
  EXPECT_EQ(Expand("%> <%"), "%> <%");
}

TEST_F(CTemplateTest, ReferringPointIsToldOncePerChangeOfEitherPoint) {
  auto* layout =
      static_cast<CListeningPoint*>(m_page->InsertPoint(std::make_unique<CListeningPoint>()));
  CBasePoint* other = Add("Other", CVariant::FromString("x"));
  EXPECT_EQ(Expand("<%Total%> and <%Other%> and <%total%>", layout), "12 and x and 12");
  Expand("<%Total%>", layout);
  EXPECT_EQ(m_total->Dependants(), QList<CBasePoint*>{layout});
  m_total->StoreText("13");
  other->StoreText("y");
  EXPECT_EQ(layout->told, (QList<CBasePoint*>{m_total, other}));
  // Without a referring point nothing is registered.
  Expand("<%Note%>");
  EXPECT_TRUE(m_note->Dependants().isEmpty());
}

TEST_F(CTemplateTest, DefaultsWithReferencesAreFilledLast) {
  CBasePoint* greeting = Add("Greeting", CVariant());
  greeting->SetDefaultValue(CVariant::FromString("Hello <%Who%>, total <%Total%>"));
  CBasePoint* who = Add("Who", CVariant());
  who->SetDefaultValue(CVariant::FromString("Ann"));
  m_total->SetDefaultValue(CVariant::FromInt32(5));
  m_note->SetDefaultValue(CVariant());
  m_note->AddDependent(who);
  m_project.FillDefaults();
  EXPECT_EQ(greeting->Value(), CVariant::FromString("Hello Ann, total 5"));
  EXPECT_EQ(who->Value(), CVariant::FromString("Ann"));
  EXPECT_EQ(m_total->Value(), CVariant::FromInt32(5));
  EXPECT_TRUE(m_note->Value().IsEmpty());
  EXPECT_TRUE(m_note->Dependants().isEmpty());
  EXPECT_TRUE(m_total->Dependants().isEmpty());

  m_total->SetVisible(0);
  m_project.InitPoints();
  EXPECT_FALSE(m_total->IsShown());
  EXPECT_TRUE(who->IsShown());
}

TEST_F(CTemplateTest, SendValidationNeedsABooleanAndTwoTexts) {
  CVariantMap& properties = m_project.MutableProperties();
  QString point;
  QString value;
  EXPECT_FALSE(m_project.SendValidation(point, value));
  EXPECT_TRUE(m_project.PassesSendValidation("anything"));

  properties.SetVariant("validate.send.enabled", CVariant::FromBool(true));
  properties.SetText("Validate.Send.Point", "Status");
  properties.SetText("validate.send.value", "Done");
  ASSERT_TRUE(m_project.SendValidation(point, value));
  EXPECT_EQ(point, "Status");
  EXPECT_EQ(value, "Done");
  EXPECT_TRUE(m_project.PassesSendValidation("dONE"));
  EXPECT_FALSE(m_project.PassesSendValidation("Open"));
  EXPECT_FALSE(m_project.PassesSendValidation(""));

  properties.SetText("validate.send.enabled", "true");
  EXPECT_FALSE(m_project.SendValidation(point, value));
  EXPECT_TRUE(m_project.PassesSendValidation("Open"));
  properties.SetVariant("validate.send.enabled", CVariant::FromBool(false));
  EXPECT_FALSE(m_project.SendValidation(point, value));
  properties.SetVariant("validate.send.enabled", CVariant::FromBool(true));
  properties.SetText("validate.send.value", "");
  EXPECT_FALSE(m_project.SendValidation(point, value));
  properties.SetText("validate.send.value", "Done");
  properties.SetInteger("validate.send.point", 3);
  EXPECT_FALSE(m_project.SendValidation(point, value));
}
