// The GPS point end to end: a project built by the tool and opened with its controls, a receiver
// on a pseudo-terminal, the point's window driven as the window drives it (connect, review the
// settings after a failure, poll until the first fix closes it), the value and the sub-points
// written, kept through Finish and reopening, and cleared by a tap.
#include <gtest/gtest.h>

#include <functional>

#include "app/services.h"
#include "platform/settings_store.h"
#include "points/custom_point.h"
#include "points/gps_device.h"
#include "points/gps_port_choice.h"
#include "project/project.h"
#include "support/fake_gps_receiver.h"
#include "support/gps_sentences.h"
#include "support/harness.h"
#include "support/hosted_project.h"
#include "support/scoped_services.h"

namespace {

using qlt::test::NmeaSentence;
using Next = CDialogService::GpsWindow::Next;

constexpr const char* kForm = R"({
  "title": "Survey",
  "createdTime": "2024-05-01T08:00:00Z",
  "pages": [{"uniqueNumber": 1001, "caption": "Where",
             "points": [{"type": "Custom", "name": "Pos", "caption": "Position",
                         "settings": {"classId": "{828EDD96-892C-4D7E-B6FE-D2F4F527A870}",
                                      "userTypeName": "TWKF.GPS",
                                      "bag": {"Format": "%lat% %lat-hem% %sats%", "Write": 1,
                                              "Expand": 1, "CloseOnFix": 1, "LargeButton": 0,
                                              "KeepAlive": 1}}},
                        {"type": "Edit", "name": "Pos.LatD", "caption": "Degrees"},
                        {"type": "Edit", "name": "Pos.Zone", "caption": "Zone"},
                        {"type": "Edit", "name": "Pos.Alt", "caption": "Altitude"}]}]
})";

// The GPS window as a user works it: it connects, then (when it polls) the receiver sends, and
// it waits until the window closes itself. The setup dialog saves `setupPort` or is cancelled.
class CWindowDriver : public CDialogService {
 public:
  bool ShowGpsWindow(GpsWindow& window) override {
    Next next = window.Open();
    statuses.append(window.View().status);
    if (next != Next::kPoll) return false;
    if (receiverSends) receiverSends();
    qlt::test::ProcessEventsUntil([&] {
      next = window.Poll();
      return next != Next::kPoll;
    });
    statuses.append(window.View().status);
    return next == Next::kAccept;
  }
  bool EditGpsSetup(GpsSetupRequest& request) override {
    setups.append(request);
    return !setupPort.isEmpty() && request.save(setupPort, QStringLiteral("4800"));
  }

  std::function<void()> receiverSends;
  QString setupPort;
  QStringList statuses;
  QList<GpsSetupRequest> setups;
};

class GpsPointHosted : public ::testing::Test {
 protected:
  void SetUp() override {
    auto driver = std::make_unique<CWindowDriver>();
    m_driver = driver.get();
    m_services.Services().SetDialogService(std::move(driver));
    m_settings = CSettingsStore::DefaultFilePath(QStringLiteral("Tarnwick"));
  }

  // A tap on the point's button (`rect` is where the page would place it).
  static void TapButton(CCustomPoint* point) {
    point->SetItemRect(QRect(0, 0, 300, 90));
    point->OnTap(150, 80);
  }
  QString Value(qlt::test::CHostedProject& project, const char* name) {
    return project.Project().FindPointByName(QString::fromLatin1(name))->OutputText();
  }
  QString Setting(const char* entry) {
    return CSettingsStore(m_settings).ReadString(QStringLiteral("GPS"), QString::fromLatin1(entry));
  }

  qlt::test::CScopedServices m_services;
  CWindowDriver* m_driver = nullptr;
  QString m_settings;
};

TEST_F(GpsPointHosted, AFixAfterReviewingTheSettingsIsWrittenIntoTheValueAndSubPointsAndKept) {
  const QString home = qlt::test::TestHome();
  CSettingsStore(m_settings)
      .WriteString(QStringLiteral("GPS"), QStringLiteral("PortName"),
                   home + QStringLiteral("/gone"));
  CSettingsStore(m_settings).WriteInt(QStringLiteral("GPS"), QStringLiteral("PortBaud"), 4800);
  qlt::test::CFakeGpsReceiver receiver(home + QStringLiteral("/gps0"));
  m_driver->setupPort = home + QStringLiteral("/gps0");
  m_driver->receiverSends = [&receiver] {
    // A position without a fix first: the window waits on for one that is fixed.
    ASSERT_TRUE(
        receiver.Send(NmeaSentence("GPGGA,123518,4807.030,N,01131.000,E,0,00,9.9,0.0,M,,M,,")));
    ASSERT_TRUE(receiver.Send(
        NmeaSentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,")));
  };
  qlt::test::CHostedProject project(QString::fromLatin1(kForm));
  ASSERT_TRUE(project.Ok()) << project.BuildError().toStdString();
  ASSERT_EQ(project.ControlsLeft(), 0);
  ASSERT_TRUE(project.Start());
  const QUuid guid = project.Flow().Session()->Guid();

  TapButton(project.Custom(QStringLiteral("Pos")));
  // The saved port was not there: asked to review the settings, which then named the receiver.
  ASSERT_EQ(m_services.Messages().Messages().size(), 1);
  EXPECT_EQ(m_services.Messages().Messages()[0].text,
            qlt::test::CScopedServices::Text("Point.GPS.ReviewSettings"));
  ASSERT_EQ(m_driver->setups.size(), 1);
  EXPECT_EQ(m_driver->setups[0].port, home + QStringLiteral("/gone"));
  EXPECT_EQ(Setting("PortName"), home + QStringLiteral("/gps0"));
  EXPECT_EQ(m_driver->statuses,
            QStringList({qlt::test::CScopedServices::Text("Point.GPS.Connecting"),
                         qlt::test::CScopedServices::Text("Point.GPS.Fixed")}));
  EXPECT_FALSE(CGPSDevice::Shared().IsOpen());  // the window closed the reader

  EXPECT_EQ(Value(project, "Pos"), QStringLiteral("48.117302 N 8"));
  EXPECT_EQ(Value(project, "Pos.LatD"), QStringLiteral("48"));
  EXPECT_EQ(Value(project, "Pos.Zone"), QStringLiteral("32U"));
  EXPECT_EQ(Value(project, "Pos.Alt"), QStringLiteral("545.4"));
  ASSERT_EQ(project.Flow().Finish().result, CEditingFlow::FinishResult::kSaved);

  ASSERT_TRUE(project.Reopen());
  ASSERT_TRUE(project.Start(guid));
  CCustomPoint* pos = project.Custom(QStringLiteral("Pos"));
  EXPECT_EQ(pos->OutputText(), QStringLiteral("48.117302 N 8"));
  EXPECT_EQ(Value(project, "Pos.Zone"), QStringLiteral("32U"));
  // The properties were written back as they were, "KeepAlive" always as 0.
  project.Project().SaveToBytes();
  EXPECT_EQ(pos->Bag().GetText(QStringLiteral("Format")), QStringLiteral("%lat% %lat-hem% %sats%"));
  EXPECT_EQ(pos->Bag().GetInteger(QStringLiteral("CloseOnFix"), -1), 1);
  EXPECT_EQ(pos->Bag().GetInteger(QStringLiteral("KeepAlive"), -1), 0);
  // With "Write" a tap on the recorded position clears it, without opening the window.
  TapButton(pos);
  EXPECT_EQ(pos->OutputText(), QString());
  EXPECT_EQ(m_driver->statuses.size(), 2);
}

TEST_F(GpsPointHosted, WithoutAReceiverTheQuestionSaysWhatIsMissingAndNoLeavesTheValueAlone) {
  m_services.Messages().SetDefaultAnswer(kIdNo);
  qlt::test::CHostedProject project(QString::fromLatin1(kForm));
  ASSERT_TRUE(project.Ok()) << project.BuildError().toStdString();
  ASSERT_TRUE(project.Start());
  TapButton(project.Custom(QStringLiteral("Pos")));
  // No port in the settings: the search fell back to a name that is not there.
  ASSERT_EQ(m_services.Messages().Messages().size(), 1);
  const char* expected = CGPSPortChoice::AvailablePorts().empty() ? "Point.GPS.NoSerialPort"
                                                                  : "Point.GPS.NoReceiverFound";
  EXPECT_EQ(m_services.Messages().Messages()[0].text, qlt::test::CScopedServices::Text(expected));
  EXPECT_EQ(m_driver->statuses,
            QStringList({qlt::test::CScopedServices::Text("Point.GPS.CantConnect")}));
  EXPECT_TRUE(m_driver->setups.isEmpty());
  EXPECT_EQ(Value(project, "Pos"), QString());
}

}  // namespace
