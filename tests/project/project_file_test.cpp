#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "points/custom_point.h"
#include "points/edit_point.h"
#include "points/outlook_point.h"
#include "points/time_point.h"
#include "project/base_point.h"
#include "project/page.h"
#include "project/point_factory.h"
#include "project/project.h"
#include "support/files.h"
#include "support/harness.h"
#include "support/project_builder.h"
#include "support/scoped_services.h"
#include "support/test_project_writer.h"

namespace {

using qlt::test::CScopedServices;

using Writer = CTestProjectWriter;

// A project file of the given version with the default test header and no pages.
QByteArray EmptyFile(int version, const Writer::HeaderFields& header = Writer::HeaderFields()) {
  Writer w(version);
  w.WriteHeader(header);
  w.WriteGraphics();
  w.WriteProperties();
  w.WriteCount(0);
  return w.Bytes();
}

}  // namespace

TEST(ProjectFile, SavedProjectReadsBackToTheSameBytes) {
  CScopedServices services;
  CProject original;
  qlt::test::FillSampleProject(original);
  const QByteArray bytes = original.SaveToBytes();

  CProject copy;
  ASSERT_TRUE(copy.LoadFromBytes(bytes));
  EXPECT_EQ(copy.SaveToBytes(), bytes);
  EXPECT_TRUE(services.Messages().Messages().isEmpty());

  EXPECT_EQ(copy.GetHeader(), original.GetHeader());
  EXPECT_EQ(copy.Graphics(), original.Graphics());
  EXPECT_EQ(copy.Properties(), original.Properties());
  ASSERT_EQ(copy.PageCount(), 2);
  EXPECT_EQ(copy.Page(0)->Properties(), original.Page(0)->Properties());
  QList<int32_t> codes;
  copy.ForEachPoint([&codes](CBasePoint* point) { codes.append(point->TypeCode()); });
  EXPECT_EQ(codes, (QList<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
  EXPECT_FALSE(copy.IsChanged());
  EXPECT_EQ(copy.FormatVersion(), CProject::kFormatVersion);
}

TEST(ProjectFile, VersionHundredFileFromTheDesignerReadsBackByteForByte) {
  CScopedServices services;
  Writer w(100);
  Writer::HeaderFields header;
  header.checkWord = CProject::ComputeCheckWord(header.createdTime, header.uniqueNumber);
  w.WriteHeader(header);
  Writer::GraphicsFields graphics;
  graphics.headerImage = qlt::test::PatternBytes(33, 1);
  graphics.sideImage = qlt::test::PatternBytes(5, 2);
  w.WriteGraphics(graphics);
  CVariantMap properties;
  properties.SetInteger("Graphics.Margin", 6);
  properties.SetInteger("Graphics.Spacing", 4);
  properties.SetInteger("Graphics.Gap", 3);
  w.WriteProperties(properties);
  w.WriteCount(1);
  w.WritePage(1, 99, "Only page", 1);
  Writer::PointFields point;
  point.uniqueNumber = 5;
  point.name = "Field";
  point.defaultValue = CVariant::FromString("x");
  point.properties.SetVariant("readonly", CVariant::FromBool(false));
  w.WritePoint(CEditPoint::kTypeCode, point);
  for (int32_t field : {1, 0, 1, 2, 9, 1, -2, 10, 3}) w.Int(field);
  const QByteArray bytes = w.Bytes();

  CProject project;
  ASSERT_TRUE(project.LoadFromBytes(bytes));
  EXPECT_EQ(project.Graphics().margin, 6);
  EXPECT_EQ(project.Graphics().gap, 3);
  EXPECT_EQ(project.SaveToBytes(), bytes);
}

TEST(ProjectFile, HeaderFieldsOfEveryVersionGetTheirDefaults) {
  CScopedServices services;
  Writer::HeaderFields header;
  for (int version :
       {0, 1, 2, 8, 9, 14, 15, 16, 17, 19, 20, 28, 29, 30, 31, 39, 40, 41, 42, 99, 100}) {
    SCOPED_TRACE(version);
    header.checkWord = CProject::ComputeCheckWord(header.createdTime, header.uniqueNumber);
    CProject project;
    ASSERT_TRUE(project.LoadFromBytes(EmptyFile(version, header)));
    const CProject::Header& h = project.GetHeader();
    EXPECT_EQ(h.uniqueNumber, header.uniqueNumber);
    EXPECT_EQ(h.title, header.title);
    EXPECT_EQ(h.webUrl, header.webUrl);
    EXPECT_EQ(h.notes, version > 8 ? header.notes : QString());
    EXPECT_EQ(h.createdTime, header.createdTime);
    EXPECT_EQ(h.savedTime, header.savedTime);
    EXPECT_EQ(h.revision, version >= 16 ? header.revision : 1);
    EXPECT_EQ(h.checkWord, header.checkWord);
    EXPECT_EQ(h.sessionLock, version >= 2 ? 1 : 0);
    EXPECT_EQ(h.noDelete, version >= 40 ? 1 : 0);
    EXPECT_EQ(h.option3, version >= 31 ? 1 : 0);
    EXPECT_EQ(h.option4, version >= 29 ? 1 : 0);
    EXPECT_EQ(h.unitRestamp, version >= 41 ? 1 : 0);
    EXPECT_EQ(h.autoNewSession, version >= 41 ? 1 : 0);
    EXPECT_EQ(h.useCaptions, version >= 41 ? 1 : 0);
    EXPECT_EQ(h.option8, version >= 41 ? 1 : 0);
    EXPECT_EQ(h.arrivalSound, version >= 42 ? 0 : 1);
    EXPECT_EQ(h.sessionListColumns, version >= 20 ? header.sessionListColumns : QString());
    EXPECT_EQ(project.Graphics().fontFace,
              version >= 17 ? QStringLiteral("DejaVu Sans") : CGraphics().fontFace);
    EXPECT_EQ(project.FormatVersion(), 100);
  }
}

TEST(ProjectFile, CheckWordIsKeptOnlyWhenItMatches) {
  CScopedServices services;
  Writer::HeaderFields header;
  header.createdTime = 0x1'2345'6789LL;  // only the low 32 bits count
  header.uniqueNumber = 0x7000'0000;
  const int32_t expected = static_cast<int32_t>(0x2345'6789u + 0x7000'0000u);

  header.checkWord = expected;
  CProject matching;
  ASSERT_TRUE(matching.LoadFromBytes(EmptyFile(100, header)));
  EXPECT_EQ(matching.GetHeader().checkWord, expected);

  header.checkWord = expected + 1;
  CProject wrong;
  ASSERT_TRUE(wrong.LoadFromBytes(EmptyFile(100, header)));
  EXPECT_EQ(wrong.GetHeader().checkWord, 0);

  // Version 14 has no check word in the file: it is computed.
  CProject old;
  ASSERT_TRUE(old.LoadFromBytes(EmptyFile(14, header)));
  EXPECT_EQ(old.GetHeader().checkWord, expected);

  // A wrong stored value is written back as it was read, that is 0.
  EXPECT_EQ(CProject::ComputeCheckWord(header.createdTime, header.uniqueNumber), expected);
}

TEST(ProjectFile, ImagesKeepTheirBytesAndFlagsFromVersion38) {
  CScopedServices services;
  Writer::GraphicsFields graphics;
  graphics.headerImage = qlt::test::PatternBytes(100, 7);
  graphics.sideImage = qlt::test::PatternBytes(3, 8);
  for (int version : {37, 38}) {
    SCOPED_TRACE(version);
    Writer w(version);
    w.WriteHeader();
    w.WriteGraphics(graphics);
    w.WriteCount(0);
    CProject project;
    ASSERT_TRUE(project.LoadFromBytes(w.Bytes()));
    EXPECT_EQ(project.Graphics().headerImage, graphics.headerImage);
    EXPECT_EQ(project.Graphics().sideImage, graphics.sideImage);
    EXPECT_EQ(project.Graphics().headerImageHighRes, version > 37 ? 1 : 0);
    EXPECT_EQ(project.Graphics().sideImageHighRes, version > 37 ? 1 : 0);
    EXPECT_EQ(project.Graphics().backgroundColour, graphics.background);
    EXPECT_EQ(project.Graphics().headingFontSize, graphics.headingSize);
  }
}

TEST(ProjectFile, PageLayoutTravelsInTheProjectProperties) {
  CScopedServices services;
  Writer w(100);
  w.WriteHeader();
  w.WriteGraphics();
  CVariantMap properties;
  properties.SetInteger("graphics.margin", 9);  // keys are case-insensitive
  properties.SetInteger("Graphics.Spacing", -1);
  w.WriteProperties(properties);
  w.WriteCount(0);
  CProject project;
  ASSERT_TRUE(project.LoadFromBytes(w.Bytes()));
  EXPECT_EQ(project.Graphics().margin, 9);
  EXPECT_EQ(project.Graphics().spacing, CGraphics::kDefaultSpacing);
  EXPECT_EQ(project.Graphics().gap, CGraphics::kDefaultGap);

  project.MutableGraphics().gap = 11;
  CProject copy;
  ASSERT_TRUE(copy.LoadFromBytes(project.SaveToBytes()));
  EXPECT_EQ(copy.Properties().GetVariant("GRAPHICS.GAP"), CVariant::FromInt32(11));
  EXPECT_EQ(copy.Properties().GetVariant("Graphics.Spacing"), CVariant::FromInt32(5));
  EXPECT_EQ(copy.Graphics().gap, 11);
}

TEST(ProjectFile, PageRecordsOfOlderVersions) {
  CScopedServices services;
  for (int version : {2, 3, 25, 26, 99, 100}) {
    SCOPED_TRACE(version);
    Writer w(version);
    w.WriteHeader();
    w.WriteGraphics();
    w.WriteProperties();
    w.WriteCount(1);
    CVariantMap properties;
    properties.SetText("Shade", "dark");
    w.WritePage(0, 555, "Caption", 0, properties);
    CProject project;
    ASSERT_TRUE(project.LoadFromBytes(w.Bytes()));
    ASSERT_EQ(project.PageCount(), 1);
    const CPage* page = project.Page(0);
    if (version > 2) {
      EXPECT_EQ(page->UniqueNumber(), 555);
    } else {
      EXPECT_GT(page->UniqueNumber(), 0);
    }
    EXPECT_EQ(page->Caption(), "Caption");
    EXPECT_EQ(page->Text(), "text");
    EXPECT_EQ(page->Help(), "help");
    EXPECT_EQ(page->Option(), version > 25 ? 0 : 1);
    EXPECT_EQ(page->Properties().GetText("shade"), version > 99 ? "dark" : "");
  }
}

TEST(ProjectFile, SharedPointFieldsOfOlderVersions) {
  CScopedServices services;
  for (int version : {5, 6, 7, 8, 21, 22, 33, 34, 99, 100}) {
    SCOPED_TRACE(version);
    Writer w(version);
    w.BeginSinglePage(2);
    Writer::PointFields fields;
    fields.uniqueNumber = 31;
    fields.name = "Named";
    fields.caption = "Caption";
    fields.help = "Help";
    fields.defaultText = "typed";
    fields.defaultValue = CVariant::FromInt32(17);
    fields.properties.SetText("Colour", "red");
    w.WritePoint(COutlookPoint::kTypeCode, fields);
    w.Int(1);
    fields.name.clear();
    fields.defaultText.clear();
    fields.uniqueNumber = 32;
    w.WritePoint(COutlookPoint::kTypeCode, fields);
    w.Int(1);

    CProject project;
    ASSERT_TRUE(project.LoadFromBytes(w.Bytes()));
    const CBasePoint* point = project.Page(0)->Point(0);
    if (version >= 8) {
      EXPECT_EQ(point->UniqueNumber(), 31);
    }
    EXPECT_NE(point->UniqueNumber(), 0);
    EXPECT_EQ(point->Name(), "Named");
    EXPECT_EQ(point->Caption(), "Caption");
    EXPECT_EQ(point->Help(), "Help");
    EXPECT_EQ(point->Bold(), 0);
    EXPECT_EQ(point->RequiredMode(), version >= 6 ? 2 : 0);
    EXPECT_EQ(point->Visible(), version >= 8 ? 0 : 1);
    EXPECT_EQ(point->IsShown(), version < 8);
    EXPECT_EQ(point->Results(), version >= 8 ? 0 : 1);
    EXPECT_EQ(point->CarryForward(), version >= 22 ? 1 : 0);
    EXPECT_EQ(point->DefaultValue(),
              version >= 34 ? CVariant::FromInt32(17) : CVariant::FromString("typed"));
    EXPECT_EQ(point->Properties().GetText("colour"), version >= 100 ? "red" : "");
    // An empty text default of an older file stays an empty value.
    const CBasePoint* second = project.Page(0)->Point(1);
    EXPECT_EQ(second->DefaultValue(), version >= 34 ? CVariant::FromInt32(17) : CVariant());
    EXPECT_NE(second->UniqueNumber(), point->UniqueNumber());
  }
}

TEST(ProjectFile, LoadingFromAFileRemembersItsPathAndName) {
  CScopedServices services;
  const QString path = qlt::test::TestHome() + "/Inspection.ppc";
  EXPECT_TRUE(qlt::test::WriteFileBytes(path, EmptyFile(100)));
  CProject project;
  ASSERT_TRUE(project.Load(path));
  EXPECT_EQ(project.Path(), path);
  EXPECT_EQ(project.FileName(), "Inspection.ppc");
  EXPECT_EQ(project.GetHeader().title, "Title");
}

TEST(ProjectFile, SaveWritesTheFileAndStampsTheSavedTime) {
  CScopedServices services;
  const QString path = qlt::test::TestHome() + "/Saved.ppc";
  CProject project;
  qlt::test::FillSampleProject(project);
  project.SetPath(path);
  EXPECT_TRUE(project.IsChanged());
  ASSERT_TRUE(project.Save());
  EXPECT_FALSE(project.IsChanged());
  EXPECT_EQ(project.GetHeader().savedTime, CScopedServices::FixedNow().toSecsSinceEpoch());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), project.SaveToBytes());
  EXPECT_FALSE(QFile::exists(path + ".save"));
  EXPECT_FALSE(QFile::exists(path + ".save.ppc"));
  EXPECT_TRUE(services.Messages().Messages().isEmpty());
}

TEST(ProjectFile, LegacyDateTimeCustomPointBecomesATimePoint) {
  CScopedServices services;
  Writer w(100);
  w.BeginSinglePage(3);
  Writer::PointFields fields;
  fields.uniqueNumber = 901;
  fields.name = "Stamp";
  fields.caption = "When";
  fields.help = "Help";
  fields.defaultValue = CVariant::FromString("2020-01-01");
  w.WritePoint(CCustomPoint::kTypeCode, fields);
  w.Count(0);
  w.Raw(CCustomPoint::ClassIdBytes(CPointFactory::kLegacyDateTimeClass));
  w.Str("DateTime Control");
  CVariantMap bag;
  bag.SetInteger("date", 1);
  bag.SetInteger("time", 1);
  bag.SetInteger("autoset", 5);
  bag.SetInteger("size", 40);
  bag.Serialize(w.Ar(), false);
  fields = Writer::PointFields();
  fields.uniqueNumber = 902;
  fields.name = "After";
  w.WritePoint(COutlookPoint::kTypeCode, fields);
  w.Int(1);
  // A second legacy point with other styles: date 9 is clamped to 4, time 3 means seconds.
  fields.uniqueNumber = 903;
  fields.name = "Other";
  w.WritePoint(CCustomPoint::kTypeCode, fields);
  w.Count(0);
  w.Raw(CCustomPoint::ClassIdBytes(CPointFactory::kLegacyDateTimeClass));
  w.Str("");
  bag.Clear();
  bag.SetInteger("date", 9);
  bag.SetInteger("time", 3);
  bag.Serialize(w.Ar(), false);

  CProject project;
  ASSERT_TRUE(project.LoadFromBytes(w.Bytes()));
  const CPage* page = project.Page(0);
  ASSERT_EQ(page->PointCount(), 3);
  // The replacement is made at the end of the page while it is being read, so it takes the
  // place of the point it replaces.
  EXPECT_EQ(page->Point(1)->Name(), "After");
  ASSERT_EQ(page->Point(0)->TypeCode(), CTimePoint::kTypeCode);
  const auto* time = static_cast<const CTimePoint*>(page->Point(0));
  EXPECT_EQ(time->UniqueNumber(), 901);
  EXPECT_EQ(time->Name(), "Stamp");
  EXPECT_EQ(time->Caption(), "When");
  EXPECT_EQ(time->Help(), "Help");
  EXPECT_EQ(time->RequiredMode(), 2);
  EXPECT_EQ(time->Visible(), 0);
  EXPECT_EQ(time->CarryForward(), 1);
  EXPECT_EQ(time->DefaultValue(), CVariant::FromString("2020-01-01"));
  EXPECT_EQ(time->GetSettings().valueFormat, "{year}-{month:2}-{day:2} {hour-24:2}:{minute:2}");
  EXPECT_EQ(time->GetSettings().displayFormat, time->GetSettings().valueFormat);
  EXPECT_EQ(time->GetSettings().mode, 1);
  EXPECT_EQ(time->GetSettings().autoSet, 1);
  EXPECT_EQ(time->GetSettings().fixed, 0);
  EXPECT_EQ(time->GetSettings().width, 11);
  EXPECT_EQ(project.FindPointByName("stamp"), time);
  EXPECT_EQ(project.FindPointByNumber(901), time);
  const auto* other = static_cast<const CTimePoint*>(page->Point(2));
  ASSERT_EQ(other->TypeCode(), CTimePoint::kTypeCode);
  EXPECT_EQ(other->GetSettings().valueFormat,
            "{day:2}-{month-short}-{year} {hour-24:2}:{minute:2}:{second:2}");
  EXPECT_EQ(other->GetSettings().width, 0);
  EXPECT_EQ(other->GetSettings().autoSet, 0);
  // The session-list columns still name the point.
  EXPECT_EQ(project.GetHeader().sessionListColumns, "A;B;");
}

// ---- refusals

TEST(ProjectLoadRefusal, ForeignFileShowsCantOpenOnly) {
  CScopedServices services;
  Writer::HeaderFields header;
  header.magic = "Auditmoor2";
  CProject project;
  EXPECT_FALSE(project.LoadFromBytes(EmptyFile(100, header)));
  ASSERT_EQ(services.Messages().Messages().size(), 1);
  EXPECT_EQ(services.Messages().Messages()[0].text, CScopedServices::Text("Project.CantOpen"));
  EXPECT_EQ(services.Messages().Messages()[0].style & kMbIconMask, kMbIconExclamation);
  EXPECT_EQ(project.PageCount(), 0);
  EXPECT_FALSE(project.IsLoading());
}

TEST(ProjectLoadRefusal, TooNewFileShowsTooNewThenCantOpen) {
  CScopedServices services;
  CProject project;
  EXPECT_FALSE(project.LoadFromBytes(EmptyFile(101)));
  const auto& shown = services.Messages().Messages();
  ASSERT_EQ(shown.size(), 2);
  EXPECT_EQ(shown[0].text, CScopedServices::Text("Project.TooNew"));
  EXPECT_EQ(shown[1].text, CScopedServices::Text("Project.CantOpen"));
  EXPECT_FALSE(shown[0].text.isEmpty());
  EXPECT_EQ(shown[0].style & kMbIconMask, kMbIconExclamation);
}

TEST(ProjectLoadRefusal, FileCutAtAnyOffsetIsRefusedCleanly) {
  CScopedServices services;
  CProject original;
  qlt::test::FillSampleProject(original);
  // Keep the file small so that every offset can be tried.
  original.MutableGraphics().headerImage = qlt::test::PatternBytes(20, 1);
  const QByteArray bytes = original.SaveToBytes();
  ASSERT_GT(bytes.size(), 1000);
  for (qsizetype size = 0; size < bytes.size(); ++size) {
    services.Messages().ClearMessages();
    CProject project;
    ASSERT_FALSE(project.LoadFromBytes(bytes.left(size))) << size;
    ASSERT_EQ(services.Messages().Messages().size(), 1) << size;
    ASSERT_EQ(project.PageCount(), 0) << size;
    ASSERT_FALSE(project.IsLoading()) << size;
  }
  CProject whole;
  EXPECT_TRUE(whole.LoadFromBytes(bytes));
}

TEST(ProjectLoadRefusal, UnknownPointTypeEndsTheLoad) {
  CScopedServices services;
  for (int32_t code : {0, 15, -1, 1000}) {
    Writer w(100);
    w.BeginSinglePage(1);
    w.WritePoint(code, Writer::PointFields());
    w.Int(1);
    CProject project;
    EXPECT_FALSE(project.LoadFromBytes(w.Bytes())) << code;
    EXPECT_EQ(project.PageCount(), 0);
  }
}

TEST(ProjectLoadRefusal, AbsurdCountsAndLengthsAreRefused) {
  CScopedServices services;
  QList<QByteArray> files;
  {
    Writer w(100);  // two billion pages, no bytes for them
    w.WriteHeader();
    w.WriteGraphics();
    w.WriteProperties();
    w.WriteCount(0x7FFFFFFF);
    files.append(w.Bytes());
  }
  {
    Writer w(100);  // a negative page count
    w.WriteHeader();
    w.WriteGraphics();
    w.WriteProperties();
    w.Ar().WriteWord(0xFFFF);
    w.Int(-5);
    files.append(w.Bytes());
  }
  {
    Writer w(100);  // a header image longer than the file
    w.WriteHeader();
    w.Int(0);
    w.Int(0);
    w.Int(0);
    w.Str("Tahoma");
    w.Int(12);
    w.Str("Tahoma");
    w.Int(12);
    w.Int(0x7FFFFFF0);
    files.append(w.Bytes());
  }
  {
    Writer w(100);  // a negative header image length
    w.WriteHeader();
    w.Int(0);
    w.Int(0);
    w.Int(0);
    w.Str("Tahoma");
    w.Int(12);
    w.Str("Tahoma");
    w.Int(12);
    w.Int(-1);
    w.Int(0);
    files.append(w.Bytes());
  }
  {
    Writer w(100);  // a title of two billion characters
    w.Str("Auditmoor");
    w.Int(100);
    w.Int(1);
    w.Ar().WriteByte(0xFF);
    w.Ar().WriteWord(0xFFFE);
    w.Ar().WriteByte(0xFF);
    w.Ar().WriteWord(0xFFFF);
    w.Int(0x7FFFFFFF);
    files.append(w.Bytes());
  }
  {
    Writer w(100);  // a logic point with two billion targets
    w.BeginSinglePage(1);
    w.WritePoint(10, Writer::PointFields());
    w.Str("a");
    w.Int(0);
    w.Str("1");
    w.Int(0);
    w.Str("b");
    w.Int(0);
    w.Str("2");
    w.Str("u");
    w.Str("f");
    w.Str("t");
    w.Count(0x7FFFFFFF);
    w.Int(1);
    files.append(w.Bytes());
  }
  {
    Writer w(100);  // a layout image longer than the file
    w.BeginSinglePage(1);
    w.WritePoint(7, Writer::PointFields());
    w.Str("text");
    w.Int(1);
    w.Str("Tahoma");
    w.Int(-12);
    w.Int(0);
    w.Int(0);
    w.Int(0);
    w.Count(0x7FFFFFFF);
    files.append(w.Bytes());
  }
  {
    Writer w(100);  // a drop list of two billion items
    w.BeginSinglePage(1);
    w.WritePoint(4, Writer::PointFields());
    for (int i = 0; i < 5; ++i) w.Int(0);
    w.Count(0x7FFFFFFF);
    w.Str("only one");
    files.append(w.Bytes());
  }
  {
    Writer w(100);  // a point properties map of two billion entries
    w.BeginSinglePage(1);
    Writer::PointFields fields;
    w.WritePoint(8, fields);
    files.append(w.Bytes().chopped(2) + QByteArray("\xFF\xFF\xFF\xFF\xFF\x7F", 6));
  }
  for (int i = 0; i < files.size(); ++i) {
    CProject project;
    EXPECT_FALSE(project.LoadFromBytes(files[i])) << i;
    EXPECT_EQ(project.PageCount(), 0) << i;
  }
}

TEST(ProjectLoadRefusal, MissingFileFailsWithoutAMessage) {
  CScopedServices services;
  CProject project;
  EXPECT_FALSE(project.Load(qlt::test::TestHome() + "/missing.ppc"));
  EXPECT_TRUE(services.Messages().Messages().isEmpty());
}

TEST(ProjectLoadRefusal, FailedLoadEmptiesTheProjectAndWritesNothing) {
  CScopedServices services;
  const QString folder = qlt::test::TestHome() + "/projects";
  QDir().mkpath(folder);
  const QString path = folder + "/Broken.ppc";
  CProject original;
  qlt::test::FillSampleProject(original);
  const QByteArray bytes = original.SaveToBytes().chopped(1);
  EXPECT_TRUE(qlt::test::WriteFileBytes(path, bytes));

  CProject project;
  qlt::test::FillSampleProject(project);
  EXPECT_FALSE(project.Load(path));
  EXPECT_EQ(project.PageCount(), 0);
  EXPECT_EQ(project.GetHeader(), CProject::Header());
  EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"Broken.ppc"});
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), bytes);
}

TEST(ProjectFile, ProjectWithoutAPathIsNotSaved) {
  CScopedServices services;
  CProject project;
  project.AddPage();
  const QDir before(QDir::currentPath());
  const QStringList files = before.entryList(QDir::Files);
  EXPECT_FALSE(project.Save());
  ASSERT_EQ(services.Messages().Messages().size(), 1);
  EXPECT_EQ(services.Messages().Messages()[0].text, CScopedServices::Text("Project.CantSave"));
  EXPECT_EQ(QDir(QDir::currentPath()).entryList(QDir::Files), files);
  EXPECT_TRUE(project.IsChanged());
}
