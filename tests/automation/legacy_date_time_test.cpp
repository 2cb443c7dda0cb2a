// The date and time fields of older projects: custom points of a control class that no longer
// exists ({0A8400F0-...}). The project reader turns each into a time point set up from the
// control's properties, so the hosting never tries to create that class and never runs the
// library sweep for it. End to end: built by the tool, opened as the client opens it, the picker
// shown and used, the value kept through Finish and reopening.
#include <gtest/gtest.h>

#include "app/services.h"
#include "automation/custom_point_host.h"
#include "dispatch_support.h"
#include "points/time_point.h"
#include "project/plain_page_window.h"
#include "project/project.h"
#include "support/hosted_project.h"
#include "support/scoped_services.h"

namespace {

using namespace qlt::test;

constexpr const char* kForm = R"({
  "title": "Legacy fields",
  "pages": [{"caption": "Visit", "points": [
    {"type": "Custom", "name": "Visited", "caption": "Visited on",
     "settings": {"classId": "{0A8400F0-1851-4FCE-83DC-6CB063EFAE42}",
                  "bag": {"date": 1, "time": 1, "autoset": 1}}}]}]
})";

QDateTime At(int y, int mo, int d, int h, int mi) {
  return QDateTime(QDate(y, mo, d), QTime(h, mi));
}

TEST(LegacyDateTime, BecomesATimePointWithAPickerAndKeepsItsValue) {
  CScopedServices services;
  CServices::Instance().SetClock([] { return At(2024, 5, 1, 8, 30); });
  CHostedProject hosted(QString::fromLatin1(kForm));
  ASSERT_TRUE(hosted.Ok()) << hosted.BuildError().toStdString();
  int sweeps = 0;
  CCustomPointHost host(&hosted.Root(), [&] { return ++sweeps, false; });
  EXPECT_EQ(host.CreateControls(hosted.Project()), 0);
  EXPECT_EQ(sweeps, 0);
  auto* visited = dynamic_cast<CTimePoint*>(hosted.Project().FindPointByName("Visited"));
  ASSERT_NE(visited, nullptr);
  EXPECT_EQ(visited->GetSettings().mode, 1);
  // Automation sees a time point, with no control behind it.
  IDispatch* facet = hosted.Root().PointFacet(visited);
  EXPECT_EQ(Get(facet, QStringLiteral("TypeCode")).result.v.lVal, 6);
  CallResult custom = Get(facet, QStringLiteral("Custom"));
  EXPECT_EQ(custom.hr, S_OK);
  EXPECT_EQ(custom.result.v.pdispVal, nullptr);
  facet->Release();

  // Shown, the empty point is stamped and its picker shows the value; a date picked is stored.
  ASSERT_TRUE(hosted.Start());
  const QUuid guid = hosted.Flow().Session()->Guid();
  CPlainPageWindow& window = hosted.Flow().PlainDisplay().Window();
  ASSERT_NE(visited->Picker(), 0);
  EXPECT_EQ(visited->OutputText(), "2024-05-01 08:30");
  EXPECT_EQ(window.State(visited->Picker())->dateTime, At(2024, 5, 1, 8, 30));
  window.State(visited->Picker())->dateTime = At(2023, 11, 30, 17, 45);
  window.Notify(visited->Picker(), kNotifyDateTimeChange);
  EXPECT_EQ(visited->OutputText(), "2023-11-30 17:45");
  ASSERT_EQ(hosted.Flow().Finish().result, CEditingFlow::FinishResult::kSaved);

  ASSERT_TRUE(hosted.Reopen());
  ASSERT_TRUE(hosted.Start(guid));
  visited = dynamic_cast<CTimePoint*>(hosted.Project().FindPointByName("Visited"));
  ASSERT_NE(visited, nullptr);
  EXPECT_EQ(visited->OutputText(), "2023-11-30 17:45");
  EXPECT_EQ(hosted.Flow().PlainDisplay().Window().State(visited->Picker())->dateTime,
            At(2023, 11, 30, 17, 45));
  hosted.Flow().Abandon();
}

}  // namespace
