// The GPS and barcode points' windows with real widgets: the GPS window over a receiver on a
// pseudo-terminal (status, lines, OK once fixed, its poll timer) and the setup dialog it opens;
// a setup that cannot be saved; and the barcode scan window filled by keys as a scanner types
// them, ending with Enter, through Finish and reopening.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/services.h"
#include "platform/settings_store.h"
#include "points/custom_point.h"
#include "points/gps_device.h"
#include "points/gps_window_logic.h"
#include "project/project.h"
#include "support/fake_gps_receiver.h"
#include "support/gps_sentences.h"
#include "support/harness.h"
#include "support/hosted_project.h"
#include "support/scoped_services.h"
#include "ui/barcode_scan_dlg.h"
#include "ui/gps_setup_dlg.h"
#include "ui/gps_wnd.h"
#include "ui/qt_dialog_service.h"

namespace {

using qlt::test::CScopedServices;
using qlt::test::ProcessEventsUntil;

// Runs `step` on the first modal dialog of type T once it shows; `ran` tells that it did.
template <class T>
void WhenShown(std::function<void(T&)> step, bool* ran) {
  QTimer::singleShot(0, [step, ran] {
    T* dialog = nullptr;
    ProcessEventsUntil(
        [&] { return (dialog = dynamic_cast<T*>(QApplication::activeModalWidget())) != nullptr; });
    if (dialog == nullptr) return;
    step(*dialog);
    *ran = true;
  });
}

class DeviceWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    m_services.Services().SetDialogService(std::make_unique<CQtDialogService>());
  }
  CScopedServices m_services{CScopedServices::Clock::kWall};
};

TEST_F(DeviceWindows, GpsWindowShowsTheFixAndItsSetupStartsTheReaderAgain) {
  const QString home = qlt::test::TestHome();
  const QString link = home + QStringLiteral("/gps0");
  const QString file = home + QStringLiteral("/Tarnwick.conf");
  CSettingsStore(file).WriteString(QStringLiteral("GPS"), QStringLiteral("PortName"), link);
  CSettingsStore(file).WriteInt(QStringLiteral("GPS"), QStringLiteral("PortBaud"), 4800);
  qlt::test::CFakeGpsReceiver receiver(link);
  CGPSDevice device(file);
  CGPSWindowLogic logic(device, false);
  CGPSWnd window(logic);
  bool ran = false;
  bool setupRan = false;
  WhenShown<CGPSWnd>(
      [&](CGPSWnd& shown) {
        ProcessEventsUntil([&] { return !shown.StatusLabel()->text().isEmpty(); });
        EXPECT_EQ(shown.StatusLabel()->text(), CScopedServices::Text("Point.GPS.Connecting"));
        EXPECT_TRUE(shown.PollTimer().isActive());
        EXPECT_EQ(shown.PollTimer().interval(), 1000);
        EXPECT_FALSE(shown.OkButton()->isEnabled());
        ASSERT_TRUE(receiver.Send(qlt::test::NmeaSentence(
            "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,")));
        ASSERT_TRUE(ProcessEventsUntil([&] {
          shown.PollNow();
          return shown.OkButton()->isEnabled();
        }));
        EXPECT_EQ(shown.StatusLabel()->text(), CScopedServices::Text("Point.GPS.Fixed"));
        EXPECT_TRUE(shown.StatusLabel()->styleSheet().contains(QStringLiteral("0, 128, 0")));
        EXPECT_EQ(shown.Line(0)->text(), QStringLiteral("48\u00b07'2.29\" N"));
        EXPECT_EQ(shown.Line(2)->text(), QStringLiteral("545.4 m"));
        EXPECT_EQ(shown.Line(3)->text(), QStringLiteral("8"));

        WhenShown<CGPSSetupDlg>(
            [&](CGPSSetupDlg& setup) {
              EXPECT_EQ(setup.PortBox()->currentText(), link);
              EXPECT_EQ(setup.SpeedBox()->currentText(), QStringLiteral("4800"));
              setup.PortBox()->setCurrentText(QStringLiteral("Auto"));
              EXPECT_FALSE(setup.SpeedBox()->isEnabled());
              setup.PortBox()->setCurrentText(link);
              EXPECT_TRUE(setup.SpeedBox()->isEnabled());
              setup.SpeedBox()->setCurrentText(QStringLiteral("9600"));
              setup.OkButton()->click();
            },
            &setupRan);
        shown.SettingsButton()->click();
        // The new settings open the reader afresh; the fix already taken stays OK's to write.
        EXPECT_EQ(shown.StatusLabel()->text(), CScopedServices::Text("Point.GPS.Connecting"));
        EXPECT_EQ(device.Baud(), 9600);
        EXPECT_TRUE(shown.OkButton()->isEnabled());
        shown.OkButton()->click();
      },
      &ran);
  EXPECT_EQ(window.Execute(), QDialog::Accepted);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(setupRan);
  EXPECT_FALSE(window.PollTimer().isActive());
  ASSERT_TRUE(logic.Fix());
  EXPECT_EQ(logic.Fix()->time, 123519);
  EXPECT_EQ(CSettingsStore(file).ReadInt(QStringLiteral("GPS"), QStringLiteral("PortBaud"), 0),
            9600);
}

TEST_F(DeviceWindows, GpsSetupThatCannotBeSavedSaysSoAndStaysOpen) {
  // The settings' folder is taken by a file.
  const QString blocker = qlt::test::TestHome() + QStringLiteral("/blocker");
  QFile(blocker).open(QIODevice::WriteOnly);
  const QString file = blocker + QStringLiteral("/Tarnwick.conf");
  CDialogService::GpsSetupRequest request = CGPSWindowLogic::SetupRequest(file, {});
  EXPECT_EQ(request.ports, QStringList({QStringLiteral("Auto")}));
  EXPECT_EQ(request.note, CScopedServices::Text("Point.GPS.NoPorts"));
  CGPSSetupDlg dialog(request);
  dialog.show();
  EXPECT_FALSE(dialog.SpeedBox()->isEnabled());
  dialog.PortBox()->setCurrentText(QStringLiteral("/dev/ttyUSB7"));
  dialog.OkButton()->click();
  EXPECT_TRUE(dialog.isVisible());
  ASSERT_EQ(m_services.Messages().Messages().size(), 1);
  EXPECT_TRUE(m_services.Messages().Messages()[0].text.contains(file));
}

constexpr const char* kPermits = R"({
  "title": "Permits",
  "createdTime": "2024-05-01T08:00:00Z",
  "pages": [{"uniqueNumber": 1001, "caption": "Permit",
             "points": [{"type": "Custom", "name": "Permit", "caption": "Permit",
                         "settings": {"classId": "{CA2C599F-2B4F-4F0B-B4B2-17F359F8A067}",
                                      "userTypeName": "TWKF.Barcode",
                                      "bag": {"CloseOnScan": 1, "LargeButton": 0, "EAN-13": 0}}},
                        {"type": "Custom", "name": "Crate", "caption": "Crate",
                         "settings": {"classId": "{CA2C599F-2B4F-4F0B-B4B2-17F359F8A067}",
                                      "userTypeName": "TWKF.Barcode",
                                      "bag": {"CloseOnScan": 0, "LargeButton": 1}}}]}]
})";

// Taps the button of a barcode point placed `height` pixels tall while a scanner types.
void Scan(CCustomPoint* point, int height, const std::function<void(CBarcodeScanDlg&)>& scanner) {
  bool ran = false;
  WhenShown<CBarcodeScanDlg>(scanner, &ran);
  point->SetItemRect(QRect(0, 0, 300, height));
  point->OnTap(150, height - 5);
  EXPECT_TRUE(ran);
}

TEST_F(DeviceWindows, BarcodeKeysEndingWithEnterFillThePointAndTheOptionsAreKept) {
  qlt::test::CHostedProject project(QString::fromLatin1(kPermits));
  ASSERT_TRUE(project.Ok()) << project.BuildError().toStdString();
  ASSERT_EQ(project.ControlsLeft(), 0);
  ASSERT_TRUE(project.Start());
  const QUuid guid = project.Flow().Session()->Guid();
  CCustomPoint* permit = project.Custom(QStringLiteral("Permit"));
  CCustomPoint* crate = project.Custom(QStringLiteral("Crate"));
  // The large button is 62 pixels taller than the small one.
  EXPECT_EQ(crate->GetHeight(nullptr, 300) - permit->GetHeight(nullptr, 300), 62);

  Scan(permit, 60, [](CBarcodeScanDlg& dialog) {
    QTest::keyClicks(dialog.CodeEdit(), QStringLiteral("4006381333931"));
    QTest::keyClick(dialog.CodeEdit(), Qt::Key_Return);
  });
  EXPECT_EQ(permit->OutputText(), QStringLiteral("4006381333931"));
  // Without "CloseOnScan" Enter leaves the code to be checked; a second scan replaces it.
  Scan(crate, 140, [](CBarcodeScanDlg& dialog) {
    QTest::keyClicks(dialog.CodeEdit(), QStringLiteral("ABC-1"));
    QTest::keyClick(dialog.CodeEdit(), Qt::Key_Enter);
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClicks(dialog.CodeEdit(), QStringLiteral("XYZ-9"));
    QTest::keyClick(dialog.CodeEdit(), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    dialog.OkButton()->click();
  });
  EXPECT_EQ(crate->OutputText(), QStringLiteral("XYZ-9"));
  ASSERT_EQ(project.Flow().Finish().result, CEditingFlow::FinishResult::kSaved);

  ASSERT_TRUE(project.Reopen());
  ASSERT_TRUE(project.Start(guid));
  permit = project.Custom(QStringLiteral("Permit"));
  EXPECT_EQ(permit->OutputText(), QStringLiteral("4006381333931"));
  EXPECT_EQ(project.Custom(QStringLiteral("Crate"))->OutputText(), QStringLiteral("XYZ-9"));
  project.Project().SaveToBytes();
  EXPECT_EQ(permit->Bag().Count(), 16);
  EXPECT_EQ(permit->Bag().GetInteger(QStringLiteral("EAN-13"), -1), 0);
  EXPECT_EQ(permit->Bag().GetInteger(QStringLiteral("QR"), -1), 1);
}

}  // namespace
