// ITelegram through Invoke by name, IProject.NewTelegram and .Synchronise, and a telegram that
// arrives from the server reaching a custom point's control as an object it can read, write and
// keep.
#include <gtest/gtest.h>

#include "app/services.h"
#include "automation/automation_root.h"
#include "automation/custom_point_host.h"
#include "dispatch_support.h"
#include "points/builtin_control.h"
#include "points/custom_point.h"
#include "points/edit_point.h"
#include "points/telegram.h"
#include "project/page.h"
#include "project/project.h"
#include "qlt_automation.h"
#include "support/hosted_project.h"
#include "support/project_builder.h"
#include "support/scoped_services.h"
#include "sync/net_message.h"
#include "sync/telegram_link.h"

namespace {

using namespace qlt::test;

// A sender that keeps what it was given; `online` decides the answer.
class CKeepingSender : public CTelegramSender {
 public:
  CKeepingSender(QList<CTelegram>* sent, bool online) : m_sent(sent), m_online(online) {}
  bool Send(CTelegram& telegram) override {
    telegram.SetUnitId(QStringLiteral("Unit-9"));
    if (m_online) m_sent->append(telegram);
    return m_online;
  }

 private:
  QList<CTelegram>* m_sent;
  bool m_online;
};

IDispatch* TakeObject(CallResult&& r) {
  EXPECT_EQ(r.hr, S_OK);
  if (r.result.v.vt != VT_DISPATCH) return nullptr;
  IDispatch* object = r.result.v.pdispVal;
  r.result.v.vt = VT_EMPTY;
  return object;
}

class TelegramFacet : public ::testing::Test {
 protected:
  void SetUp() override {
    m_project.SetPath(QStringLiteral("/data/Pumps.ppc"));
    m_root.SetUnitIdSource([] { return QStringLiteral("Unit-3"); });
    m_projectFacet = m_root.ProjectFacet(&m_project);
    m_telegram = TakeObject(Method(m_projectFacet, QStringLiteral("NewTelegram")));
  }
  void TearDown() override {
    if (m_telegram != nullptr) m_telegram->Release();
    m_projectFacet->Release();
    EXPECT_EQ(m_root.LiveFacets(), 0);
  }

  CScopedServices m_services;
  CProject m_project;
  CAutomationRoot m_root;
  IDispatch* m_projectFacet = nullptr;
  IDispatch* m_telegram = nullptr;
};

TEST_F(TelegramFacet, MembersByName) {
  ASSERT_NE(m_telegram, nullptr);
  EXPECT_EQ(Get(m_telegram, QStringLiteral("UnitID")).result.Text(), QStringLiteral("Unit-3"));
  EXPECT_EQ(Put(m_telegram, QStringLiteral("Item"), Arg(7)).hr, DISP_E_BADPARAMCOUNT);
  // Item put takes its key first and the value as the named argument.
  const auto putItem = [&](OwnedVariant key, OwnedVariant value) {
    return CallByName(m_telegram, QStringLiteral("Item"), DISPATCH_PROPERTYPUT, {key, value}).hr;
  };
  EXPECT_EQ(putItem(Arg(QStringLiteral("TelegramName")), Arg(QStringLiteral("Alarm"))), S_OK);
  EXPECT_EQ(putItem(Arg(QStringLiteral("Level")), Arg(12)), S_OK);
  EXPECT_EQ(putItem(Arg(1), Arg(13)), E_INVALIDARG);  // only a key names an entry to write

  struct Case {
    const char* member;
    std::vector<OwnedVariant> args;
    HRESULT hr;
    CVariant value;
  };
  const std::vector<Case> cases = {
      {"Count", {}, S_OK, CVariant::FromInt32(2)},
      {"Item", {Arg(QStringLiteral("LEVEL"))}, S_OK, CVariant::FromInt32(12)},
      {"Item", {Arg(2)}, S_OK, CVariant::FromInt32(12)},
      {"Item", {Arg(3)}, S_OK, CVariant()},
      {"Item", {Arg(QStringLiteral("missing"))}, S_OK, CVariant()},
      {"Key", {Arg(1)}, S_OK, CVariant::FromString(QStringLiteral("telegramname"))},
      {"Key", {Arg(3)}, E_INVALIDARG, CVariant()},
      {"Key", {Arg(0)}, E_INVALIDARG, CVariant()},
      {"Value", {Arg(1)}, S_OK, CVariant::FromString(QStringLiteral("Alarm"))},
      {"Value", {Arg(3)}, E_INVALIDARG, CVariant()},
      {"SendToClient", {Arg(QStringLiteral("Unit-4"))}, E_UNEXPECTED, CVariant::FromBool(false)},
  };
  for (const Case& c : cases) {
    const CallResult r = CallByName(m_telegram, QString::fromLatin1(c.member),
                                    DISPATCH_PROPERTYGET | DISPATCH_METHOD, c.args);
    EXPECT_EQ(r.hr, c.hr) << c.member;
    if (SUCCEEDED(c.hr)) {
      EXPECT_TRUE(r.result.Value() == c.value) << c.member;
    }
  }

  // Project is the project's one facet; a clone is a telegram of its own.
  IDispatch* project = TakeObject(Get(m_telegram, QStringLiteral("Project")));
  EXPECT_EQ(project, m_projectFacet);
  project->Release();
  IDispatch* clone = TakeObject(Method(m_telegram, QStringLiteral("Clone")));
  ASSERT_NE(clone, nullptr);
  EXPECT_EQ(putItem(Arg(QStringLiteral("Level")), Arg(99)), S_OK);
  EXPECT_EQ(Get(clone, QStringLiteral("Item"), {Arg(QStringLiteral("Level"))}).result.Value(),
            CVariant::FromInt32(12));
  EXPECT_EQ(Get(clone, QStringLiteral("UnitID")).result.Text(), QStringLiteral("Unit-3"));

  // The enumerator walks the values in order.
  IUnknown* unknown = nullptr;
  ASSERT_EQ(static_cast<ITelegram*>(m_telegram)->get__NewEnum(&unknown), S_OK);
  auto* values = static_cast<IEnumVARIANT*>(unknown);
  OwnedVariant items[3];
  VARIANT raw[3];
  ULONG fetched = 0;
  EXPECT_EQ(values->Next(3, raw, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  for (ULONG i = 0; i < fetched; ++i) items[i].v = raw[i];
  EXPECT_EQ(items[0].Text(), QStringLiteral("Alarm"));
  EXPECT_EQ(items[1].Value(), CVariant::FromInt32(99));
  values->Release();
  clone->Release();
}

TEST_F(TelegramFacet, SendToServerGoesThroughTheSenderAndTellsWhetherItWent) {
  QList<CTelegram> sent;
  for (const bool online : {false, true}) {
    CServices::Instance().SetTelegramSender(std::make_unique<CKeepingSender>(&sent, online));
    const CallResult r = Method(m_telegram, QStringLiteral("SendToServer"));
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.result.Value(), CVariant::FromBool(online));
  }
  ASSERT_EQ(sent.size(), 1);
  EXPECT_EQ(sent[0].Project(), &m_project);
  // The sender stamps this unit's ID on the telegram itself.
  EXPECT_EQ(Get(m_telegram, QStringLiteral("UnitID")).result.Text(), QStringLiteral("Unit-9"));
  VARIANT_BOOL success = VARIANT_TRUE;
  EXPECT_EQ(static_cast<ITelegram*>(m_telegram)->SendToServer(nullptr), E_POINTER);
  EXPECT_EQ(sent.size(), 1);
  // Closing the project disconnects its telegrams.
  m_root.CloseProject(&m_project);
  EXPECT_EQ(static_cast<ITelegram*>(m_telegram)->SendToServer(&success), RPC_E_DISCONNECTED);
  EXPECT_EQ(success, VARIANT_FALSE);
}

TEST_F(TelegramFacet, SynchroniseIsHandedToTheWindowOrRefused) {
  auto* project = static_cast<IProject*>(m_projectFacet);
  VARIANT_BOOL success = VARIANT_TRUE;
  EXPECT_EQ(project->Synchronise(&success), E_FAIL);  // nobody runs synchronisations
  EXPECT_EQ(success, VARIANT_FALSE);
  QList<CProject*> posted;
  m_root.SetSyncPoster([&posted](CProject* p) {
    posted.append(p);
    return true;
  });
  success = VARIANT_TRUE;
  EXPECT_EQ(project->Synchronise(&success), S_OK);
  EXPECT_EQ(success, VARIANT_FALSE);  // the run happens later
  EXPECT_EQ(posted, QList<CProject*>{&m_project});
}

// ---- a telegram from the server reaching a control

const QUuid kListenerClass(QStringLiteral("{2F6B1A9C-3D4E-4F50-8A61-7B2C9D0E1F32}"));

// Reads the telegram's "Site" entry into its point's value, writes "seen" into the telegram and
// keeps the telegram object.
class CListenerControl final : public CBuiltInControl {
 public:
  static inline IDispatch* s_kept = nullptr;
  CListenerControl() : CBuiltInControl(MakeGuid("{2F6B1A9C-3D4E-4F50-8A61-7B2C9D0E1F32}")) {}
  static IUnknown* Create() { return static_cast<ICustomPoint*>(new CListenerControl()); }
  HRESULT OnTelegram(IDispatch* telegram) override {
    if (telegram == nullptr) return E_POINTER;
    SetSiteValue(
        Get(telegram, QStringLiteral("Item"), {Arg(QStringLiteral("Site"))}).result.Text());
    CallByName(telegram, QStringLiteral("Item"), DISPATCH_PROPERTYPUT,
               {Arg(QStringLiteral("seen")), Arg(1)});
    if (s_kept != nullptr) s_kept->Release();
    telegram->AddRef();
    s_kept = telegram;
    return S_OK;
  }
};

TEST(TelegramToCustomPoint, TheControlReadsWritesAndKeepsTheTelegram) {
  CScopedServices services;
  CHostedProject hosted(QStringLiteral(R"({"title": "Relay", "pages": [{"points": [
      {"type": "Custom", "name": "First", "settings": {"classId": "%1", "userTypeName": "L"}},
      {"type": "Custom", "name": "Second", "settings": {"classId": "%1", "userTypeName": "L"}}]}]})")
                            .arg(kListenerClass.toString()));
  ASSERT_TRUE(hosted.Ok()) << qPrintable(hosted.BuildError());
  hosted.Host().AddBuiltIn(kListenerClass, QStringLiteral("Test.Listener"),
                           &CListenerControl::Create);
  for (const char* name : {"First", "Second"}) {
    ASSERT_EQ(hosted.Host().CreateControl(*hosted.Custom(QString::fromLatin1(name))), S_OK);
  }
  ASSERT_TRUE(hosted.Start());

  CTelegram arriving(nullptr);
  arriving.MutableValues().SetText(QStringLiteral("Site"), QStringLiteral("North"));
  CNetMessage message(CTelegramLink::kTelegramFromServer);
  message.WriteString(hosted.Project().FileName());
  message.WriteU32(0);
  message.WriteBytes(arriving.WriteArchive());
  message.Rewind();
  ASSERT_TRUE(CTelegramLink::Receive(message, &hosted.Project()));

  EXPECT_EQ(hosted.Custom(QStringLiteral("First"))->OutputText(), QStringLiteral("North"));
  EXPECT_EQ(hosted.Custom(QStringLiteral("Second"))->OutputText(), QStringLiteral("North"));
  // The second control kept the telegram: it outlives the arrival as it was, with the first
  // control's entry in it.
  ASSERT_NE(CListenerControl::s_kept, nullptr);
  EXPECT_EQ(Get(CListenerControl::s_kept, QStringLiteral("Count")).result.Value(),
            CVariant::FromInt32(2));
  EXPECT_EQ(Get(CListenerControl::s_kept, QStringLiteral("Item"), {Arg(QStringLiteral("Site"))})
                .result.Text(),
            QStringLiteral("North"));
  CListenerControl::s_kept->Release();
  CListenerControl::s_kept = nullptr;
}

}  // namespace
