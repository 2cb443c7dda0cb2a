#include "project/base_point.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

#include "points/edit_point.h"
#include "points/outlook_point.h"
#include "project/page.h"
#include "project/plain_page_window.h"
#include "project/project.h"
#include "support/harness.h"
#include "support/scoped_services.h"
#include "support/test_project_writer.h"
#include "values/file_blob.h"
#include "values/safe_array.h"

namespace {

using qlt::test::CScopedServices;

// A point that counts what it is told and, when asked to, passes every change on by storing a
// new text (which tells its own dependants).
class CCountingPoint : public CBasePoint {
 public:
  CCountingPoint() : CBasePoint(99, QStringLiteral("Counting")) {}
  void OnDep(CBasePoint* changed) override {
    ++depCalls;
    lastChanged = changed;
    maxDepth = std::max(maxDepth, Project()->NotificationDepth());
    if (relayoutOnDep) Page()->Relayout();
    if (propagate) StoreText(QString::number(depCalls));
  }
  void Show(CPageWindow* window) override {
    ++shows;
    CBasePoint::Show(window);
  }
  bool Hide(bool verify) override {
    hides.append(verify);
    return refuse && verify ? false : CBasePoint::Hide(verify);
  }
  int depCalls = 0;
  int maxDepth = 0;
  int shows = 0;
  QList<bool> hides;
  bool propagate = false;
  bool relayoutOnDep = false;
  bool refuse = false;
  CBasePoint* lastChanged = nullptr;
};

CCountingPoint* AddCounting(CPage* page) {
  return static_cast<CCountingPoint*>(page->InsertPoint(std::make_unique<CCountingPoint>()));
}

QByteArray NamesFile(const QStringList& names, const QList<int32_t>& numbers) {
  CTestProjectWriter w(100);
  w.BeginSinglePage(static_cast<int32_t>(names.size()));
  for (int i = 0; i < names.size(); ++i) {
    CTestProjectWriter::PointFields fields;
    fields.name = names[i];
    fields.uniqueNumber = numbers[i];
    w.WritePoint(COutlookPoint::kTypeCode, fields);
    w.Int(1);
  }
  return w.Bytes();
}

}  // namespace

TEST(PointIdentity, ClashingNamesGetANumberOrAHigherOne) {
  CScopedServices services;
  CProject project;
  ASSERT_TRUE(
      project.LoadFromBytes(NamesFile({"Total", "total", "Total1", "Item09", "Item09", "", "",
                                       "Big99999999999999999999", "BIG99999999999999999999"},
                                      {1, 2, 3, 4, 5, 6, 7, 8, 9})));
  QStringList names;
  project.ForEachPoint([&names](CBasePoint* point) { names.append(point->Name()); });
  EXPECT_EQ(names, (QStringList{"Total", "total1", "Total2", "Item09", "Item10", "", "",
                                "Big99999999999999999999", "BIG100000000000000000000"}));
  EXPECT_EQ(project.FindPointByName("TOTAL2")->UniqueNumber(), 3);
  EXPECT_EQ(project.FindPointByName("item10")->UniqueNumber(), 5);
  EXPECT_EQ(project.FindPointByName(""), nullptr);
}

TEST(PointIdentity, ZeroAndRepeatedNumbersAreRedrawn) {
  CScopedServices services;
  CProject project;
  ASSERT_TRUE(project.LoadFromBytes(NamesFile({"a", "b", "c", "d"}, {7, 7, 0, 8})));
  QList<int32_t> numbers;
  project.ForEachPoint([&numbers](CBasePoint* point) { numbers.append(point->UniqueNumber()); });
  EXPECT_EQ(numbers[0], 7);
  EXPECT_EQ(numbers[3], 8);
  for (int32_t number : numbers) EXPECT_GT(number, 0);
  EXPECT_EQ(QSet<int32_t>(numbers.begin(), numbers.end()).size(), 4);
  for (int32_t number : numbers) {
    EXPECT_EQ(project.FindPointByNumber(number)->UniqueNumber(), number);
  }
}

TEST(PointIdentity, DrawnNumbersUseThirtyOneBits) {
  uint64_t state = 12345;
  int32_t highest = 0;
  for (int i = 0; i < 2000; ++i) {
    const int32_t number = CProject::DrawUniqueNumber(state);
    EXPECT_GE(number, 0);
    highest = std::max(highest, number);
  }
  EXPECT_GT(highest, 0x40000000);
}

TEST(PointLookup, FindByNameIgnoresCaseAndNeverReturnsTheAsker) {
  CScopedServices services;
  CProject project;
  CPage* page = project.AddPage();
  CBasePoint* first = page->AddPoint(COutlookPoint::kTypeCode);
  first->SetName("Amount");
  CBasePoint* second = project.AddPage()->AddPoint(COutlookPoint::kTypeCode);
  EXPECT_EQ(project.FindPointByName("aMOUNT"), first);
  EXPECT_EQ(project.FindPointByName("Amount", first), nullptr);
  second->SetName("AMOUNT");  // two points of one name until the next load
  EXPECT_EQ(project.FindPointByName("amount", first), second);
  EXPECT_EQ(project.FindPointByName("amount", second), first);
  first->SetName("Other");
  EXPECT_EQ(project.FindPointByName("Amount"), second);
  EXPECT_EQ(project.FindPointByName("other"), first);
  EXPECT_EQ(project.FindPointByNumber(second->UniqueNumber(), second), nullptr);
  page->RemovePoint(first);
  EXPECT_EQ(project.FindPointByName("other"), nullptr);
}

TEST(PointLookup, NamesMatchExactlyWhenTheirCaseFoldedFormsAreEqual) {
  CScopedServices services;
  // Letters outside ASCII, a final sigma, a pair of surrogates, lone surrogates, the dotless i, the
  // Kelvin sign and the sharp s (which folds to itself, not to "ss").
  const QStringList names = {"Amount",
                             "AMOUNT",
                             QString::fromUtf8("Ärger"),
                             QString::fromUtf8("äRGER"),
                             QString::fromUtf8("ΌΡΟΣ"),
                             QString::fromUtf8("όρος"),
                             QString::fromUtf8("Straße"),
                             "STRASSE",
                             QString::fromUtf16(u"\U00010400x"),
                             QString::fromUtf16(u"\U00010428X"),
                             QString(QChar(0xD800)) + "a",
                             QString(QChar(0xD800)) + "A",
                             QString(QChar(0xDC00)),
                             "I",
                             QString::fromUtf8("ı"),
                             QString::fromUtf16(u"\u212A"),
                             "k"};  // the Kelvin sign folds to k
  CProject project;
  CPage* page = project.AddPage();
  QList<CBasePoint*> points;
  for (const QString& name : names) {
    CBasePoint* point = page->AddPoint(COutlookPoint::kTypeCode);
    point->SetName(name);
    points.append(point);
  }
  for (qsizetype i = 0; i < names.size(); ++i) {
    const CBasePoint* found = project.FindPointByName(names[i], points[i]);
    const CBasePoint* expected = nullptr;
    for (qsizetype j = 0; j < names.size() && !expected; ++j) {
      if (j != i && names[j].toCaseFolded() == names[i].toCaseFolded()) expected = points[j];
    }
    EXPECT_EQ(found, expected) << i;
  }
  EXPECT_EQ(project.FindPointByName("STRASSE", points[7]), nullptr);
}

TEST(PointIdentity, LoadedNamesClashAcrossCaseOutsideAscii) {
  CScopedServices services;
  CProject project;
  ASSERT_TRUE(project.LoadFromBytes(
      NamesFile({QString::fromUtf8("Äpfel"), QString::fromUtf8("äPFEL"), QString::fromUtf8("όρος"),
                 QString::fromUtf8("ΌΡΟΣ"), QString::fromUtf8("Straße"), "STRASSE"},
                {1, 2, 3, 4, 5, 6})));
  QStringList names;
  project.ForEachPoint([&names](CBasePoint* point) { names.append(point->Name()); });
  EXPECT_EQ(names, (QStringList{QString::fromUtf8("Äpfel"), QString::fromUtf8("äPFEL1"),
                                QString::fromUtf8("όρος"), QString::fromUtf8("ΌΡΟΣ1"),
                                QString::fromUtf8("Straße"), "STRASSE"}));
}

TEST(PointIdentity, UnevenPagesAreAllIndexed) {
  // The indexes are sized from the first pages of a file; later pages with many more or no
  // points must still be found by name and number, with clashes across pages resolved.
  CScopedServices services;
  const QList<int> pointsPerPage = {1, 0, 300, 2, 0, 500};
  CTestProjectWriter w(100);
  w.WriteHeader();
  w.WriteGraphics();
  w.WriteProperties();
  w.WriteCount(static_cast<int32_t>(pointsPerPage.size()));
  int32_t number = 1;
  for (int count : pointsPerPage) {
    w.WritePage(count);
    for (int i = 0; i < count; ++i) {
      CTestProjectWriter::PointFields fields;
      fields.name = QStringLiteral("N%1").arg(number % 700);  // the last page repeats names
      fields.uniqueNumber = number++;
      w.WritePoint(COutlookPoint::kTypeCode, fields);
      w.Int(1);
    }
  }
  CProject project;
  ASSERT_TRUE(project.LoadFromBytes(w.Bytes()));
  int total = 0;
  QSet<QString> folded;
  project.ForEachPoint([&](CBasePoint* point) {
    ++total;
    EXPECT_EQ(project.FindPointByNumber(point->UniqueNumber()), point);
    EXPECT_EQ(project.FindPointByName(point->Name()), point);
    folded.insert(point->Name().toCaseFolded());
  });
  EXPECT_EQ(total, 803);
  EXPECT_EQ(folded.size(), 803);
}

TEST(RequiredCheck, EmptyRequiredPointAsksAndFollowsTheAnswer) {
  CScopedServices services;
  CProject project;
  CBasePoint* point = project.AddPage()->AddPoint(COutlookPoint::kTypeCode);
  point->SetCaption("Site <%_UnitID%>");
  point->SetRequiredMode(1);
  point->Init();
  point->Show(nullptr);
  EXPECT_EQ(point->DisplayCaption(), "Site Unit-7");

  EXPECT_TRUE(point->Hide(false));
  EXPECT_TRUE(services.Messages().Messages().isEmpty());

  services.Messages().QueueAnswer(kIdNo);
  EXPECT_FALSE(point->Hide(true));
  services.Messages().QueueAnswer(kIdYes);
  EXPECT_TRUE(point->Hide(true));
  ASSERT_EQ(services.Messages().Messages().size(), 2);
  QString expected = CScopedServices::Text("Point.Required");
  expected.replace("%s", "Site Unit-7");
  EXPECT_EQ(services.Messages().Messages()[0].text, expected);
  EXPECT_EQ(services.Messages().Messages()[0].style,
            unsigned(kMbYesNo | kMbIconExclamation | kMbDefButton2));

  point->SetRequiredMode(2);
  services.Messages().ClearMessages();
  EXPECT_FALSE(point->Hide(true));
  ASSERT_EQ(services.Messages().Messages().size(), 1);
  expected = CScopedServices::Text("Point.Required2");
  expected.replace("%s", "Site Unit-7");
  EXPECT_EQ(services.Messages().Messages()[0].text, expected);
  EXPECT_EQ(services.Messages().Messages()[0].style, unsigned(kMbOk | kMbIconExclamation));

  // A value, or a point hidden by a logic point, passes without a question.
  services.Messages().ClearMessages();
  point->SetValue("x");
  EXPECT_TRUE(point->Hide(true));
  point->SetValue("");
  point->SetShown(false);
  EXPECT_TRUE(point->Hide(true));
  point->SetShown(true);
  point->SetRequiredMode(0);
  EXPECT_TRUE(point->Hide(true));
  EXPECT_TRUE(services.Messages().Messages().isEmpty());
}

TEST(Dependants, CycleOfTwoPointsEndsAtTheNestingBound) {
  CScopedServices services;
  CProject project;
  CPage* page = project.AddPage();
  CCountingPoint* a = AddCounting(page);
  CCountingPoint* b = AddCounting(page);
  a->propagate = true;
  b->propagate = true;
  a->AddDependent(b);
  b->AddDependent(a);
  a->AddDependent(b);  // no duplicates
  EXPECT_EQ(a->Dependants().size(), 1);
  EXPECT_TRUE(a->StoreText("start"));
  // Depths 0 to 10 may still notify: eleven calls in all, then the chain stops.
  EXPECT_EQ(a->depCalls + b->depCalls, CProject::kMaxNotificationDepth + 1);
  EXPECT_EQ(std::max(a->maxDepth, b->maxDepth), CProject::kMaxNotificationDepth + 1);
  EXPECT_EQ(project.NotificationDepth(), 0);
}

TEST(Dependants, UnchangedTextNotifiesNobody) {
  CScopedServices services;
  CProject project;
  CPage* page = project.AddPage();
  CBasePoint* source = page->AddPoint(COutlookPoint::kTypeCode);
  CCountingPoint* watcher = AddCounting(page);
  source->AddDependent(watcher);
  EXPECT_TRUE(source->StoreText("12"));
  EXPECT_FALSE(source->StoreText("12"));
  EXPECT_EQ(watcher->depCalls, 1);
  EXPECT_EQ(watcher->lastChanged, source);
  // The same through values: 12 as a number compares equal to the text 12 only by value rules.
  EXPECT_FALSE(source->StoreValue(CVariant::FromString("12")));
  EXPECT_TRUE(source->StoreValue(CVariant::FromInt32(13)));
  EXPECT_EQ(watcher->depCalls, 2);
  // An empty value and the empty text read the same.
  CBasePoint* empty = page->AddPoint(COutlookPoint::kTypeCode);
  EXPECT_FALSE(empty->StoreText(""));
  EXPECT_TRUE(empty->Value().IsEmpty());
}

TEST(Dependants, RelayoutAskedDuringNotificationRunsOnceAtTheEnd) {
  CScopedServices services;
  CProject project;
  CPage* page = project.AddPage();
  CBasePoint* source = page->AddPoint(COutlookPoint::kTypeCode);
  CCountingPoint* first = AddCounting(page);
  CCountingPoint* second = AddCounting(page);
  first->relayoutOnDep = true;
  second->relayoutOnDep = true;
  source->AddDependent(first);
  source->AddDependent(second);
  CPlainPageWindow window;
  page->Activate(&window);
  EXPECT_EQ(window.RelayoutCount(), 0);
  source->StoreText("1");
  EXPECT_EQ(window.RelayoutCount(), 1);
  page->Relayout();
  EXPECT_EQ(window.RelayoutCount(), 2);
  page->Leave(false);
  page->Relayout();
  EXPECT_EQ(window.RelayoutCount(), 2);
}

TEST(Dependants, RemovedPointLeavesEveryDependantsList) {
  CScopedServices services;
  CProject project;
  CPage* page = project.AddPage();
  CBasePoint* source = page->AddPoint(COutlookPoint::kTypeCode);
  CCountingPoint* watcher = AddCounting(page);
  source->AddDependent(watcher);
  page->RemovePoint(watcher);
  EXPECT_TRUE(source->Dependants().isEmpty());
  EXPECT_TRUE(source->StoreText("safe"));
}

TEST(PageOperations, ActivateShowsEveryPointAndLeaveStopsAtTheFirstRefusal) {
  CScopedServices services;
  CProject project;
  CPage* page = project.AddPage();
  CCountingPoint* first = AddCounting(page);
  CCountingPoint* refusing = AddCounting(page);
  CCountingPoint* last = AddCounting(page);
  refusing->refuse = true;
  CPlainPageWindow window;
  page->Activate(&window);
  EXPECT_EQ(page->Window(), &window);
  EXPECT_EQ(first->shows + refusing->shows + last->shows, 3);
  EXPECT_FALSE(page->IsActivating());

  CBasePoint* failing = nullptr;
  EXPECT_FALSE(page->Leave(true, &failing));
  EXPECT_EQ(failing, refusing);
  EXPECT_TRUE(last->hides.isEmpty());
  EXPECT_EQ(page->Window(), &window);

  // A read-only session is never verified.
  project.SetReadOnly(true);
  EXPECT_TRUE(page->Leave(true, &failing));
  EXPECT_EQ(failing, nullptr);
  EXPECT_EQ(last->hides, QList<bool>{false});
  EXPECT_EQ(page->Window(), nullptr);
}

TEST(PageOperations, AddRemoveAndFindPoints) {
  CScopedServices services;
  CProject project;
  project.MutableHeader().sessionListColumns = "Total;Name;total;TotalX;SubTotal;";
  CPage* page = project.AddPage();
  CBasePoint* a = page->AddPoint(COutlookPoint::kTypeCode);
  CBasePoint* b = page->AddPoint(COutlookPoint::kTypeCode, 0);
  CBasePoint* c = page->AddPoint(COutlookPoint::kTypeCode, 99);
  EXPECT_EQ(page->AddPoint(42), nullptr);
  ASSERT_EQ(page->PointCount(), 3);
  EXPECT_EQ(page->Point(0), b);
  EXPECT_EQ(page->Point(1), a);
  EXPECT_EQ(page->Point(2), c);
  EXPECT_EQ(a->ControlId(), 1002);

  a->SetName("Total");
  const int changes = project.ChangeCount();
  page->RemovePoint(a);
  EXPECT_EQ(project.GetHeader().sessionListColumns, "Name;TotalX;SubTotal;");
  EXPECT_GT(project.ChangeCount(), changes);
  EXPECT_EQ(page->PointCount(), 2);

  b->SetItemRect(QRect(0, 0, 100, 20));
  c->SetItemRect(QRect(0, 20, 100, 0));
  EXPECT_EQ(page->PointAt(5, 5), b);
  EXPECT_EQ(page->PointAt(5, 20), nullptr);  // no height
  b->SetShown(false);
  EXPECT_EQ(page->PointAt(5, 5), nullptr);
}

TEST(PointLabels, NameCaptionOrTypeName) {
  CScopedServices services;
  CProject project;
  CBasePoint* point = project.AddPage()->AddPoint(CEditPoint::kTypeCode);
  EXPECT_EQ(point->GetLabel(false), "[Edit]");
  point->SetCaption(QString(40, 'c'));
  EXPECT_EQ(point->GetLabel(false), QString(40, 'c'));
  point->SetCaption(QString(41, 'c'));
  EXPECT_EQ(point->GetLabel(false), QString(40, 'c') + "...");
  point->SetName("Name");
  EXPECT_EQ(point->GetLabel(false), "Name");
  EXPECT_EQ(point->GetLabel(true), QString(40, 'c') + "...");
}

TEST(PointOutput, TextsFilesAndOtherValues) {
  CScopedServices services;
  CProject project;
  CBasePoint* point = project.AddPage()->AddPoint(COutlookPoint::kTypeCode);
  const QString folder = qlt::test::TestHome() + "/out.d";
  QDir().mkpath(folder);
  QString text;

  EXPECT_TRUE(point->GetOutputString(CVariant::FromString("plain"), folder + "/r.htm", 0, text));
  EXPECT_EQ(text, "plain");

  const CVariant blob = FileBlob::Make("photo.jpg", QByteArray("JPEGDATA"));
  EXPECT_TRUE(point->GetOutputString(blob, folder + "/report.htm", 2, text));
  EXPECT_EQ(text, "report_2_photo.jpg");
  QFile file(folder + "/report_2_photo.jpg");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("JPEGDATA"));
  EXPECT_TRUE(point->GetOutputString(blob, folder + "/report.htm", 0, text));
  EXPECT_EQ(text, "report_photo.jpg");
  // A dot in a folder name is not an extension.
  EXPECT_TRUE(point->GetOutputString(blob, folder + "/report", 0, text));
  EXPECT_EQ(text, "report_photo.jpg");

  // A file name from outside may not leave the folder.
  const QString escape = "../../escape.txt";
  QByteArray crafted("TWKFFILE");
  const uint32_t length = static_cast<uint32_t>(escape.size());
  for (int i = 0; i < 4; ++i) crafted.append(static_cast<char>((length >> (8 * i)) & 0xFF));
  for (QChar c : escape) {
    crafted.append(static_cast<char>(c.unicode()));
    crafted.append('\0');
  }
  crafted.append("evil");
  EXPECT_FALSE(
      point->GetOutputString(CVariant::FromBytes(crafted), folder + "/report.htm", 0, text));
  EXPECT_FALSE(QFile::exists(qlt::test::TestHome() + "/escape.txt"));

  EXPECT_FALSE(point->GetOutputString(CVariant::FromBytes("plain bytes"), folder, 0, text));
  EXPECT_TRUE(point->GetOutputString(CVariant::FromInt32(12), folder, 0, text));
  EXPECT_EQ(text, "12");
}

TEST(PointValues, SetValueVStoresTheTextAndRepaints) {
  CScopedServices services;
  CProject project;
  CPage* page = project.AddPage();
  CBasePoint* point = page->AddPoint(COutlookPoint::kTypeCode);
  point->SetItemRect(QRect(1, 2, 3, 4));
  CPlainPageWindow window;
  page->Activate(&window);
  EXPECT_EQ(point->SetValueV(CVariant::FromInt32(5)), kPointOk);
  EXPECT_EQ(point->Value(), CVariant::FromString("5"));
  EXPECT_EQ(window.Invalidated(), QList<QRect>{QRect(1, 2, 3, 4)});
  EXPECT_EQ(point->SetValueV(CVariant::FromInt32(5)), kPointOk);
  EXPECT_EQ(window.Invalidated().size(), 1);
  EXPECT_EQ(point->SetValueV(CVariant::Null()), kPointTypeMismatch);
  EXPECT_EQ(point->Value(), CVariant::FromString("5"));
}

TEST(PointDrawing, HeightIsTheWrappedCaptionPlusTheGapAndPaintUsesTheTextColour) {
  CScopedServices services;
  CProject project;
  project.MutableGraphics().textColour = 0x000000FF;  // red
  project.MutableGraphics().gap = 6;
  // A point that measures and paints as the base does.
  CBasePoint* point = project.AddPage()->InsertPoint(
      std::make_unique<CBasePoint>(COutlookPoint::kTypeCode, QStringLiteral("Outlook")));
  EXPECT_EQ(point->GetHeight(nullptr, 200), 6);  // no caption: the gap only

  point->SetCaption("A caption long enough to wrap over several lines at a narrow width");
  point->Show(nullptr);
  const int wide = point->GetHeight(nullptr, 2000);
  const int narrow = point->GetHeight(nullptr, 60);
  EXPECT_GT(wide, 6);
  EXPECT_GT(narrow, wide);

  QImage image(200, 200, QImage::Format_RGB32);
  image.fill(Qt::white);
  point->SetItemRect(QRect(0, 0, 200, 200));
  QPainter painter(&image);
  EXPECT_EQ(point->Paint(&painter), point->GetHeight(nullptr, 200));
  painter.end();
  bool red = false;
  for (int y = 0; y < 40 && !red; ++y) {
    for (int x = 0; x < 200 && !red; ++x) {
      const QColor colour = image.pixelColor(x, y);
      red = colour.red() > 200 && colour.green() < 80 && colour.blue() < 80;
    }
  }
  EXPECT_TRUE(red);
}

TEST(PointTap, HelpGoesToThePageDisplay) {
  CScopedServices services;
  CProject project;
  CPage* page = project.AddPage();
  CBasePoint* point = page->AddPoint(COutlookPoint::kTypeCode);
  CPlainPageWindow window;
  point->SetCaption("Title");
  page->Activate(&window);
  point->OnTap(1, 1);
  EXPECT_TRUE(window.HelpShown().isEmpty());
  point->SetHelp("How to fill it in");
  point->OnTap(1, 1);
  EXPECT_EQ(window.HelpShown(), QStringList{"Title\nHow to fill it in"});
}

TEST(PageWindow, ControlNotificationsReachTheirPointWithCodeAndIdentifier) {
  CScopedServices services;
  CProject project;
  CPage* page = project.AddPage();
  page->AddPoint(COutlookPoint::kTypeCode);
  CCountingPoint* point = AddCounting(page);

  // Records the commands it is given.
  struct CCommandPoint : CCountingPoint {
    void OnCommand(uint32_t command, intptr_t argument) override {
      commands.append({command, argument});
    }
    QList<QPair<uint32_t, intptr_t>> commands;
  };
  auto* commanded =
      static_cast<CCommandPoint*>(page->InsertPoint(std::make_unique<CCommandPoint>()));
  EXPECT_EQ(point->ControlId(), 1002);
  CPlainPageWindow window;
  const auto box = window.CreateControl(commanded, ControlKind::kEdit, kCsBorder | kCsVisible,
                                        commanded->ControlId());
  window.SetControlText(box, "typed");
  window.Notify(box, kNotifyKillFocus);
  ASSERT_EQ(commanded->commands.size(), 1);
  EXPECT_EQ(CommandNotification(commanded->commands[0].first), kNotifyKillFocus);
  EXPECT_EQ(CommandControlId(commanded->commands[0].first), 1003);
  EXPECT_EQ(commanded->commands[0].second, box);
  EXPECT_EQ(window.ControlText(box), "typed");
  EXPECT_TRUE(window.IsControlVisible(box));

  window.PostCommand(commanded, MakeCommand(kNotifyChange, 7), 0);
  EXPECT_EQ(commanded->commands.size(), 1);
  window.DeliverPosted();
  EXPECT_EQ(commanded->commands.size(), 2);
  window.DestroyControl(box);
  EXPECT_EQ(window.State(box), nullptr);
  window.Notify(box, kNotifyChange);
  EXPECT_EQ(commanded->commands.size(), 2);
}
