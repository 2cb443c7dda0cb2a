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
#include "project/page.h"
#include "project/plain_page_window.h"
#include "project/project.h"
#include "support/hosted_project.h"
#include "support/scoped_services.h"

namespace {

using namespace qlt::test;

constexpr const char* kForm = R"({
  "title": "Legacy fields",
  "pages": [{"uniqueNumber": 1001, "caption": "Visit", "points": [
    {"type": "Custom", "uniqueNumber": 7, "name": "Visited", "caption": "Visited on",
     "required": 1, "bold": 1,
     "settings": {"classId": "{0A8400F0-1851-4FCE-83DC-6CB063EFAE42}",
                  "bag": {"date": 1, "time": 1, "autoset": 1, "size": 4}}},
    {"type": "Custom", "name": "Due",
     "settings": {"classId": "{0A8400F0-1851-4FCE-83DC-6CB063EFAE42}",
                  "bag": {"date": 9, "time": 0, "size": 30}}},
    {"type": "Custom", "name": "Clock",
     "settings": {"classId": "{0A8400F0-1851-4FCE-83DC-6CB063EFAE42}",
                  "bag": {"date": 0, "time": 2}}},
    {"type": "Custom", "name": "Bare",
     "settings": {"classId": "{0A8400F0-1851-4FCE-83DC-6CB063EFAE42}"}}
  ]}]
})";

QDateTime At(int y, int mo, int d, int h, int mi) {
  return QDateTime(QDate(y, mo, d), QTime(h, mi));
}

TEST(LegacyDateTime, BecomesATimePointWithAPickerAndKeepsItsValue) {
  CScopedServices services;
  CServices::Instance().SetClock([] { return At(2024, 5, 1, 8, 30); });
  CHostedProject hosted(QString::fromLatin1(kForm));
  ASSERT_TRUE(hosted.Ok()) << hosted.BuildError().toStdString();
  EXPECT_EQ(hosted.ControlsLeft(), 0);
  int sweeps = 0;
  CCustomPointHost host(&hosted.Root(), [&] { return ++sweeps, false; });
  EXPECT_EQ(host.CreateControls(hosted.Project()), 0);
  EXPECT_EQ(sweeps, 0);

  const struct {
    const char* name;
    const char* format;
    int32_t autoSet;
    int32_t width;
  } cases[] = {
      {"Visited", "{year}-{month:2}-{day:2} {hour-24:2}:{minute:2}", 1, 4},
      {"Due", "{day:2}-{month-short}-{year}", 0, 11},
      {"Clock", "{hour-24:2}:{minute:2}:{second:2}", 0, 0},
      {"Bare", "", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto* point =
        dynamic_cast<CTimePoint*>(hosted.Project().FindPointByName(QString::fromLatin1(c.name)));
    ASSERT_NE(point, nullptr);
    const CTimePoint::Settings& s = point->GetSettings();
    EXPECT_EQ(s.valueFormat, QString::fromLatin1(c.format));
    EXPECT_EQ(s.displayFormat, s.valueFormat);
    EXPECT_EQ(s.mode, 1);
    EXPECT_EQ(s.fixed, 0);
    EXPECT_EQ(s.autoSet, c.autoSet);
    EXPECT_EQ(s.width, c.width);
  }
  CTimePoint* visited = dynamic_cast<CTimePoint*>(hosted.Project().FindPointByName("Visited"));
  // The point keeps the custom point's place, number, caption and flags.
  EXPECT_EQ(hosted.Project().Page(0)->IndexOf(visited), 0);
  EXPECT_EQ(visited->UniqueNumber(), 7);
  EXPECT_EQ(visited->Caption(), "Visited on");
  EXPECT_EQ(visited->RequiredMode(), 1);
  EXPECT_EQ(visited->Bold(), 1);
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
