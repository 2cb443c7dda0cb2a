// `qlt project dump|build`, run as the built tool: round trips of whole projects through their
// JSON form, hand-written forms with defaults, the demo project, and refused input.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QUuid>
#include <cmath>
#include <cstring>
#include <limits>

#include "points/custom_point.h"
#include "points/edit_point.h"
#include "points/link_point.h"
#include "points/logic_point.h"
#include "points/math_point.h"
#include "points/time_point.h"
#include "project/base_point.h"
#include "project/page.h"
#include "project/point_factory.h"
#include "project/point_type.h"
#include "project/project.h"
#include "support/files.h"
#include "support/harness.h"
#include "support/project_builder.h"
#include "support/tool_runner.h"
#include "values/safe_array.h"

namespace {

using qlt::test::ReadFileBytes;
using qlt::test::WriteFileBytes;
using Result = qlt::test::ToolRun;

// `qlt project` with the arguments.
Result RunProject(const QStringList& arguments) {
  return qlt::test::RunQlt(QStringList{QStringLiteral("project")} + arguments);
}

QString Home(const QString& name) { return qlt::test::TestHome() + QLatin1Char('/') + name; }

const QString kDemoSource =
    QStringLiteral(QLT_TEST_DATA_DIR "/../../resources/demo/site_inspection.json");

template <typename T>
QByteArray Raw(std::initializer_list<T> values) {
  QByteArray bytes;
  for (T value : values) bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
  return bytes;
}

template <typename To, typename From>
To Bits(From from) {
  To to;
  std::memcpy(&to, &from, sizeof to);
  return to;
}

CVariant Array(uint16_t type, std::vector<CSafeArray::Bound> bounds, const QByteArray& raw) {
  CSafeArray array(type, bounds);
  array.RawData() = raw;
  return CVariant::FromArray(array);
}

// Every value type the file can hold, with the awkward cases of each.
void AddEveryValue(CVariantMap& map) {
  map.SetVariant("empty", CVariant());
  map.SetVariant("null", CVariant::Null());
  map.SetVariant("i2", CVariant::FromInt16(-12345));
  map.SetVariant("i4", CVariant::FromInt32(std::numeric_limits<int32_t>::min()));
  map.SetVariant("r4", CVariant::FromFloat(0.1f));
  map.SetVariant("r4 nan payload", CVariant::FromFloat(Bits<float>(uint32_t{0x7FC00001})));
  map.SetVariant("r8", CVariant::FromDouble(0.1 + 0.2));
  map.SetVariant("r8 tiny", CVariant::FromDouble(5e-324));
  map.SetVariant("r8 negative zero", CVariant::FromDouble(-0.0));
  map.SetVariant("r8 infinity", CVariant::FromDouble(-std::numeric_limits<double>::infinity()));
  map.SetVariant("r8 nan", CVariant::FromDouble(std::numeric_limits<double>::quiet_NaN()));
  map.SetVariant("r8 nan payload", CVariant::FromDouble(Bits<double>(0x7FF8000000000123ull)));
  map.SetVariant("currency", CVariant::FromCurrency(-1234567891));
  map.SetVariant("currency min", CVariant::FromCurrency(std::numeric_limits<int64_t>::min()));
  map.SetVariant("date exact", CVariant::FromDate(45413.4375));
  map.SetVariant("date inexact", CVariant::FromDate(45413.123456789));
  map.SetVariant("date before 1900", CVariant::FromDate(-1.25));
  map.SetVariant("string", CVariant::FromString(QStringLiteral("\"quoted\" \\ line\nfeed \u00e9 "
                                                               "\U0001F600 \x01\x7f")));
  map.SetVariant("string nul", CVariant::FromString(QString(QChar(0)) + QStringLiteral("after")));
  map.SetVariant("string lone surrogate",
                 CVariant::FromString(QString(QChar(0xD800)) + QChar(0xDC01) + QChar(0xDC02)));
  map.SetVariant("bool true", CVariant::FromBool(true));
  map.SetVariant("bool false", CVariant::FromBool(false));
  map.SetVariant("bool odd word", CVariant::FromInteger(kVtBool, 1));
  map.SetVariant("error", CVariant::FromError(static_cast<int32_t>(0x80020004)));
  map.SetVariant("i1", CVariant::FromInt8(-128));
  map.SetVariant("ui1", CVariant::FromByte(255));
  map.SetVariant("ui2", CVariant::FromInteger(kVtUi2, 65535));
  map.SetVariant("ui4", CVariant::FromInteger(kVtUi4, 0xFFFFFFFFll));
  map.SetVariant("i8", CVariant::FromInteger(kVtI8, std::numeric_limits<int64_t>::min()));
  map.SetVariant("ui8", CVariant::FromInteger(kVtUi8, -1));
  map.SetVariant("int", CVariant::FromInteger(kVtInt, -7));
  map.SetVariant("uint", CVariant::FromInteger(kVtUint, 4000000000ll));

  map.SetVariant("bytes", CVariant::FromBytes(qlt::test::PatternBytes(1000, 9)));
  map.SetVariant("bytes empty", CVariant::FromBytes(QByteArray()));
  map.SetVariant("ui1 from 1", Array(kVtUi1, {{1, 3}}, Raw<uint8_t>({1, 2, 255})));
  map.SetVariant("i1 array", Array(kVtI1, {{0, 2}}, Raw<int8_t>({-1, 127})));
  map.SetVariant("i2 array", Array(kVtI2, {{-2, 2}}, Raw<int16_t>({-32768, 32767})));
  map.SetVariant("ui2 array", Array(kVtUi2, {{0, 1}}, Raw<uint16_t>({65535})));
  map.SetVariant("bool array", Array(kVtBool, {{0, 3}}, Raw<int16_t>({-1, 0, 5})));
  map.SetVariant("i4 4d", Array(kVtI4, {{-1, 2}, {0, 1}, {5, 2}, {0, 1}},
                                Raw<int32_t>({1, -2, 3, std::numeric_limits<int32_t>::min()})));
  map.SetVariant("int array", Array(kVtInt, {{0, 1}}, Raw<int32_t>({-9})));
  map.SetVariant("error array", Array(kVtError, {{0, 1}}, Raw<int32_t>({-2147352572})));
  map.SetVariant("ui4 array", Array(kVtUi4, {{0, 1}}, Raw<uint32_t>({0xFFFFFFFFu})));
  map.SetVariant("uint array", Array(kVtUint, {{0, 1}}, Raw<uint32_t>({7})));
  map.SetVariant("i8 array", Array(kVtI8, {{0, 1}}, Raw<int64_t>({-5})));
  map.SetVariant("ui8 array", Array(kVtUi8, {{0, 1}}, Raw<uint64_t>({~0ull})));
  map.SetVariant("currency array", Array(kVtCy, {{0, 2}}, Raw<int64_t>({15000, -1})));
  map.SetVariant("r4 array", Array(kVtR4, {{0, 3}}, Raw<float>({1.5f, -0.0f, 3.4e38f})));
  map.SetVariant("r8 array", Array(kVtR8, {{0, 2}},
                                   Raw<double>({1e300, std::numeric_limits<double>::infinity()})));
  map.SetVariant("date array", Array(kVtDate, {{0, 2}}, Raw<double>({45413.5, 0.1})));
  map.SetVariant("decimal array", Array(kVtDecimal, {{0, 1}}, qlt::test::PatternBytes(16, 7)));
  CSafeArray strings(kVtBstr, {{2, 3}});
  strings.Strings() = {QStringLiteral("a"), QString(), QStringLiteral("\u00fc")};
  map.SetVariant("string array", CVariant::FromArray(strings));
  map.SetVariant("variant array", CVariant::FromArray(CSafeArray(kVtVariant, {{0, 2}, {1, 3}})));
  map.SetVariant("dispatch array", CVariant::FromArray(CSafeArray(kVtDispatch, {{0, 4}})));
  map.SetVariant("record array", CVariant::FromArray(CSafeArray(36, {{0, 1}})));
  map.SetVariant("empty array", Array(kVtI4, {{0, 0}}, QByteArray()));
  map.SetVariant("MixedCase Key", CVariant::FromString(QStringLiteral("stored lower-case")));
}

// The sample project with every point type, and every value type in its maps.
QString WriteEveryTypeProject(const QString& name) {
  CProject project;
  qlt::test::FillSampleProject(project);
  AddEveryValue(project.MutableProperties());
  AddEveryValue(project.Page(1)->MutableProperties());
  CPage* first = project.Page(0);
  first->Point(0)->SetDefaultValue(CVariant::FromDate(45413.4375));
  first->Point(1)->SetDefaultValue(CVariant::FromBytes(qlt::test::PatternBytes(30, 8)));
  auto* custom = dynamic_cast<CCustomPoint*>(project.FindPointByName(QStringLiteral("Gadget")));
  AddEveryValue(custom->MutableBag());
  // A point without a name, named as a logic target by its number.
  CBasePoint* unnamed = first->AddPoint(CMathPoint::kTypeCode);
  unnamed->SetUniqueNumber(777);
  auto* logic = dynamic_cast<CLogicPoint*>(project.FindPointByName(QStringLiteral("Rule")));
  logic->MutableSettings().targets = {
      static_cast<uint32_t>(project.FindPointByName(QStringLiteral("Name"))->UniqueNumber()), 777u,
      12345u};
  const QString path = Home(name);
  EXPECT_TRUE(WriteFileBytes(path, project.SaveToBytes()));
  return path;
}

QJsonObject ParseJson(const QByteArray& text) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(text, &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
  return document.object();
}

// Dumps `ppc`, builds the dump again and dumps that: both dumps and both files must match.
void ExpectRoundTrip(const QString& ppc, QByteArray* dumpOut = nullptr) {
  const Result first = RunProject({"dump", ppc});
  ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
  const QString form = ppc + QStringLiteral(".json");
  const QString rebuilt = ppc + QStringLiteral(".rebuilt.ppc");
  ASSERT_TRUE(WriteFileBytes(form, first.out));
  const Result build = RunProject({"build", form, rebuilt});
  ASSERT_EQ(build.exitCode, 0) << build.err.toStdString();
  const Result second = RunProject({"dump", rebuilt});
  ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
  EXPECT_EQ(second.out, first.out);
  EXPECT_EQ(ReadFileBytes(rebuilt), ReadFileBytes(ppc));
  if (dumpOut) *dumpOut = first.out;
}

TEST(ProjectJsonRoundTrip, DumpBuildDumpIsIdenticalForEveryPointAndValueType) {
  const QString ppc = WriteEveryTypeProject(QStringLiteral("every.ppc"));
  QByteArray dump;
  ExpectRoundTrip(ppc, &dump);

  // The dump is plain JSON that shows the model's values in their readable forms.
  const QJsonObject form = ParseJson(dump);
  QSet<QString> types;
  for (const QJsonValue page : form["pages"].toArray()) {
    for (const QJsonValue point : page["points"].toArray()) types.insert(point["type"].toString());
  }
  EXPECT_EQ(types.size(), static_cast<qsizetype>(CPointFactory::PointTypes().size()));
  const QJsonObject properties = form["properties"].toObject();
  EXPECT_EQ(properties["r8 nan payload"]["value"].toString(), "0x7FF8000000000123");
  EXPECT_EQ(properties["r8 negative zero"]["value"].toString(), "-0");
  EXPECT_EQ(properties["r4"]["value"].toDouble(), 0.1);
  EXPECT_EQ(properties["date exact"]["value"].toString(), "2024-05-01T10:30:00");
  EXPECT_TRUE(properties["date inexact"]["value"].isDouble());
  EXPECT_EQ(properties["currency"]["value"].toString(), "-123456.7891");
  EXPECT_EQ(properties["ui8"]["value"].toString(), "18446744073709551615");
  EXPECT_EQ(properties["bool odd word"]["value"].toInt(), 1);
  EXPECT_EQ(properties["bytes"]["type"].toString(), "bytes");
  EXPECT_EQ(properties["ui1 from 1"]["type"].toString(), "array");
  EXPECT_EQ(properties["string nul"]["value"].toString(), QString(QChar(0)) + "after");
  EXPECT_TRUE(properties.contains("mixedcase key"));
  EXPECT_FALSE(properties["variant array"].toObject().contains("values"));
  EXPECT_EQ(properties["record array"]["elementType"].toInt(), 36);
  EXPECT_EQ(properties["graphics.margin"]["value"].toInt(), 7);
  const QJsonObject graphics = form["graphics"].toObject();
  EXPECT_EQ(graphics["backgroundColour"].toString(), "#D0E0F0");
  EXPECT_EQ(graphics["headerImage"]["size"].toInt(), 70000);

  QJsonObject logic;
  for (const QJsonValue point : form["pages"][1]["points"].toArray()) {
    if (point["name"] == "Rule") logic = point["settings"].toObject();
  }
  // Targets show the names of named points and the numbers of the others.
  EXPECT_EQ(logic["targets"].toArray(), (QJsonArray{"Name", 777, 12345}));
}

TEST(ProjectJsonRoundTrip, DemoProjectBuildsLoadsAndRoundTrips) {
  const QString ppc = Home(QStringLiteral("Site Inspection.ppc"));
  const Result build = RunProject({"build", kDemoSource, ppc});
  ASSERT_EQ(build.exitCode, 0) << build.err.toStdString();

  CProject project;
  ASSERT_TRUE(project.Load(ppc));
  EXPECT_EQ(project.GetHeader().title, "Site Inspection");
  EXPECT_GE(project.PageCount(), 4);
  EXPECT_FALSE(project.Graphics().headerImage.isEmpty());
  QString pointName;
  QString value;
  EXPECT_TRUE(project.SendValidation(pointName, value));
  EXPECT_NE(project.FindPointByName(pointName), nullptr);

  QSet<int32_t> typeCodes;
  QSet<QUuid> classes;
  project.ForEachPoint([&](CBasePoint* point) {
    typeCodes.insert(point->TypeCode());
    if (auto* custom = dynamic_cast<CCustomPoint*>(point)) {
      classes.insert(custom->ClassId());
      EXPECT_TRUE(CPointFactory::Instance().Find(CCustomPoint::kTypeCode, custom->ClassId()))
          << custom->Name().toStdString();
    }
    // What the demo's computed points name must exist.
    if (auto* logic = dynamic_cast<CLogicPoint*>(point)) {
      const CLogicPoint::Settings& s = logic->GetSettings();
      EXPECT_NE(project.FindPointByName(s.firstName), nullptr) << s.firstName.toStdString();
      if (s.join != 0) {
        EXPECT_NE(project.FindPointByName(s.secondName), nullptr);
      }
      EXPECT_FALSE(s.targets.isEmpty());
      for (uint32_t target : s.targets) {
        EXPECT_NE(project.FindPointByNumber(static_cast<int32_t>(target)), nullptr);
      }
    }
    if (auto* math = dynamic_cast<CMathPoint*>(point)) {
      static const QRegularExpression kDelimiters(QStringLiteral("[-()+*/%^<>=!&|?:\\s]+"));
      static const QSet<QString> kFunctions = {"int", "abs", "sqrt"};
      for (const QString& token :
           math->GetSettings().expression.split(kDelimiters, Qt::SkipEmptyParts)) {
        bool number = false;
        token.toDouble(&number);
        if (number || kFunctions.contains(token.toLower())) continue;
        EXPECT_NE(project.FindPointByName(token), nullptr) << token.toStdString();
      }
    }
    if (auto* link = dynamic_cast<CLinkPoint*>(point)) {
      const uint32_t target = link->GetSettings().targetPage;
      bool found = target == 0;
      for (const auto& page : project.Pages()) found |= page->UniqueNumber() == int32_t(target);
      EXPECT_TRUE(found) << target;
    }
  });
  for (const CPointType* type : CPointFactory::PointTypes()) {
    EXPECT_TRUE(typeCodes.contains(type->typeCode)) << type->typeName;
  }
  for (const CPointFactory::Entry& entry : CPointFactory::Instance().Entries()) {
    if (entry.builtIn) {
      EXPECT_TRUE(classes.contains(entry.classId)) << entry.progId.toStdString();
    }
  }

  ExpectRoundTrip(ppc);
}

TEST(ProjectJsonBuild, ShortFormTakesTheModelDefaults) {
  const QString form = Home(QStringLiteral("short.json"));
  ASSERT_TRUE(WriteFileBytes(form, R"({
    "uniqueNumber": 99,
    "createdTime": "2024-01-02T03:04:05Z",
    "savedTime": 1704164645,
    "pages": [
      {"properties": {"s": "text", "b": true, "n": 3, "r": 2.5, "big": 5000000000},
       "points": [
         {"type": "Edit", "name": "Count"},
         {"type": "math", "name": "Double", "settings": {"expression": "Count * 2"}},
         {"type": "Link", "settings": {"targetPage": 77}},
         {"type": "Logic", "settings": {"firstName": "Count", "targets": ["double", 5]}},
         {"type": "Custom", "settings": {"progId": "TWKF.GPS"}},
         {"type": "Edit", "name": "Locked", "properties": {"ReadOnly": true}}
       ]},
      {"uniqueNumber": 77}
    ]
  })"));
  const QString ppc = Home(QStringLiteral("short.ppc"));
  const Result build = RunProject({"build", form, ppc});
  ASSERT_EQ(build.exitCode, 0) << build.err.toStdString();

  CProject project;
  ASSERT_TRUE(project.Load(ppc));
  const CProject::Header& h = project.GetHeader();
  EXPECT_EQ(h.revision, 1);
  EXPECT_EQ(h.arrivalSound, 1);
  EXPECT_EQ(h.createdTime, 1704164645);
  EXPECT_EQ(h.savedTime, 1704164645);
  EXPECT_EQ(h.checkWord, CProject::ComputeCheckWord(h.createdTime, 99));
  EXPECT_NE(h.checkWord, 0);
  EXPECT_EQ(project.Graphics(), CGraphics());
  ASSERT_EQ(project.PageCount(), 2);
  CPage* page = project.Page(0);
  EXPECT_EQ(page->Caption(), "New Page");
  EXPECT_EQ(page->Option(), 1);
  EXPECT_NE(page->UniqueNumber(), 77);
  EXPECT_EQ(project.Page(1)->UniqueNumber(), 77);
  EXPECT_EQ(page->Properties().GetVariant("s"), CVariant::FromString("text"));
  EXPECT_EQ(page->Properties().GetVariant("b"), CVariant::FromBool(true));
  EXPECT_EQ(page->Properties().GetVariant("n"), CVariant::FromInt32(3));
  EXPECT_EQ(page->Properties().GetVariant("r"), CVariant::FromDouble(2.5));
  EXPECT_EQ(page->Properties().GetVariant("big"), CVariant::FromDouble(5e9));

  ASSERT_EQ(page->PointCount(), 6);
  QSet<int32_t> numbers;
  for (const auto& point : page->Points()) {
    EXPECT_EQ(point->Bold(), 1);
    EXPECT_EQ(point->Visible(), 1);
    EXPECT_NE(point->UniqueNumber(), 0);
    numbers.insert(point->UniqueNumber());
  }
  EXPECT_EQ(numbers.size(), 6);
  EXPECT_EQ(page->Point(0)->Results(), 1);
  EXPECT_EQ(page->Point(3)->Results(), 0);  // a logic point's own default
  const auto* math = dynamic_cast<CMathPoint*>(page->Point(1));
  ASSERT_NE(math, nullptr);
  CMathPoint::Settings mathDefaults;
  mathDefaults.expression = "Count * 2";
  EXPECT_EQ(math->GetSettings(), mathDefaults);
  const auto* link = dynamic_cast<CLinkPoint*>(page->Point(2));
  EXPECT_EQ(link->GetSettings().colour, 0x00FF0000u);
  EXPECT_EQ(link->GetSettings().targetPage, 77u);
  const auto* logic = dynamic_cast<CLogicPoint*>(page->Point(3));
  EXPECT_EQ(logic->GetSettings().falseText, "False");
  EXPECT_EQ(logic->GetSettings().targets,
            (QList<uint32_t>{static_cast<uint32_t>(math->UniqueNumber()), 5u}));
  const auto* custom = dynamic_cast<CCustomPoint*>(page->Point(4));
  EXPECT_EQ(custom->ClassId(), CPointFactory::Instance().FindByProgId("TWKF.GPS")->classId);
  EXPECT_EQ(custom->UserTypeName(), "TWKF.GPS");
  // A setting given only as its property is taken as the setting.
  EXPECT_TRUE(dynamic_cast<CEditPoint*>(page->Point(5))->GetSettings().readOnly);

  // The same form always makes the same file.
  const QString again = Home(QStringLiteral("again.ppc"));
  ASSERT_EQ(RunProject({"build", form, again}).exitCode, 0);
  EXPECT_EQ(ReadFileBytes(again), ReadFileBytes(ppc));
}

TEST(ProjectJsonBuild, FormWithoutSavedTimeIsStampedNow) {
  const QString form = Home(QStringLiteral("now.json"));
  ASSERT_TRUE(WriteFileBytes(form, R"({"title": "Now"})"));
  const qint64 before = QDateTime::currentSecsSinceEpoch();
  ASSERT_EQ(RunProject({"build", form, Home("now.ppc")}).exitCode, 0);
  CProject project;
  ASSERT_TRUE(project.Load(Home("now.ppc")));
  EXPECT_GE(project.GetHeader().savedTime, before);
  EXPECT_EQ(project.PageCount(), 0);
}

struct BadForm {
  const char* name;
  QByteArray text;
  const char* message;
};

TEST(ProjectJsonBuild, BadFormsAreRefusedWithExitCode2AndWriteNothing) {
  const auto points = [](const char* json) {
    return QByteArray(R"({"pages": [{"points": [)") + json + "]}]}";
  };
  const auto value = [](const char* json) {
    return QByteArray(R"({"properties": {"v": )") + json + "}}";
  };
  const BadForm forms[] = {
      {"syntax", R"({"title": })", "line 1, column 11"},
      {"text after the end", "{} x", "after the end"},
      {"repeated member", R"({"title": "a", "title": "b"})", "appears twice"},
      {"invalid UTF-8", "{\"title\": \"\xff\xfe\"}", "UTF-8"},
      {"hostile nesting", QByteArray(100000, '['), "nested too deeply"},
      {"not an object", "[1]", "expected an object"},
      {"form version", R"({"formVersion": 2})", "form version 1"},
      {"misspelt member", R"({"titel": "x"})", "unknown member \"titel\""},
      {"unknown point type", points(R"({"type": "Edti"})"), "unknown point type \"Edti\""},
      {"point without type", points(R"({"name": "x"})"), "needs \"type\""},
      {"misspelt point member", points(R"({"type": "Edit", "requred": 1})"), "\"requred\""},
      {"misspelt setting", points(R"({"type": "Edit", "settings": {"lenght": 1}})"), "\"lenght\""},
      {"number out of range", points(R"({"type": "Edit", "bold": 3000000000})"),
       "from -2147483648 to 2147483647"},
      {"fraction for an integer", points(R"({"type": "Edit", "bold": 1.5})"), "whole number"},
      {"wrong kind", points(R"({"type": "Edit", "caption": 5})"), "expected a text"},
      {"same name twice", points(R"({"type": "Edit", "name": "A"}, {"type": "Math", "name": "a"})"),
       "already the name of pages[0].points[0]"},
      {"same number twice",
       points(R"({"type": "Edit", "uniqueNumber": 5}, {"type": "Edit", "uniqueNumber": 5})"),
       "already the number of pages[0].points[0]"},
      {"point number 0", points(R"({"type": "Edit", "uniqueNumber": 0})"), "must not be 0"},
      {"unknown target", points(R"({"type": "Logic", "settings": {"targets": ["Nobody"]}})"),
       "no point is named \"Nobody\""},
      {"bad class", points(R"({"type": "Custom", "settings": {"classId": "{nope}"}})"),
       "not a class identifier"},
      {"unknown ProgID", points(R"({"type": "Custom", "settings": {"progId": "TWKF.Nope"}})"),
       "not a built-in class"},
      {"custom without class", points(R"({"type": "Custom"})"), "needs \"classId\""},
      {"bad colour", points(R"({"type": "Layout", "settings": {"colour": "red"}})"),
       "expected a colour"},
      {"scale without image", points(R"({"type": "Layout", "settings": {"imageScale": 1}})"),
       "stored only together with \"image\""},
      {"conflicting setting", points(R"({"type": "Edit", "properties": {"readonly": true},
                  "settings": {"readOnly": false}})"),
       "give it in one place only"},
      {"setting of the wrong type", points(R"({"type": "Edit", "properties": {"readonly": 1}})"),
       "give it in one place only"},
      {"image without bytes", points(R"({"type": "Layout", "settings":
                                          {"image": {"size": 3, "sha1": "aa"}}})"),
       "--no-images"},
      {"image with other bytes", points(R"({"type": "Layout", "settings":
                                             {"image": {"base64": "AAEC", "sha1": "00"}}})"),
       "does not match the image"},
      {"bad base64", points(R"({"type": "Sketch", "settings": {"backgroundImage":
                                                                {"base64": "!!"}}})"),
       "bad base64"},
      {"header flag without image", R"({"graphics": {"headerImageHighRes": 1}})",
       "stored only together"},
      {"negative margin", R"({"graphics": {"margin": -1}})", "must not be negative"},
      {"layout in two places", R"({"graphics": {"gap": 4}, "properties": {"graphics.gap": 3}})",
       "give it in one place"},
      {"wrong check word", R"({"uniqueNumber": 1, "checkWord": 5})", "neither 0 nor"},
      {"time without zone", R"({"createdTime": "2024-01-01T00:00:00"})", "not a time like"},
      {"keys differing in case", R"({"properties": {"Key": 1, "key": 2}})", "repeats"},
      {"unknown value type", value(R"({"type": "i9", "value": 1})"), "unknown value type"},
      {"value without type", value(R"({"value": 1})"), "needs \"type\""},
      {"null value", value("null"), "expected a value"},
      {"i2 out of range", value(R"({"type": "i2", "value": 40000})"), "from -32768 to 32767"},
      {"r4 too large", value(R"({"type": "r4", "value": 1e39})"), "too large"},
      {"bad date", value(R"({"type": "date", "value": "2024-02-30"})"), "not a date"},
      {"bad currency", value(R"({"type": "currency", "value": "1.23456"})"), "currency amount"},
      {"bytes size", value(R"({"type": "bytes", "size": 2, "base64": "AA=="})"), "says 2 bytes"},
      {"too few elements",
       value(R"({"type": "array", "elementType": "i4", "bounds": [[0, 2]], "values": [1]})"),
       "holds 1 items, the bounds give 2"},
      {"elements that are not stored",
       value(R"({"type": "array", "elementType": "variant", "bounds": [[0, 1]], "values": [1]})"),
       "carry no elements"},
      {"five dimensions", value(R"({"type": "array", "elementType": "variant",
                 "bounds": [[0,1],[0,1],[0,1],[0,1],[0,1]]})"),
       "1 to 4 pairs"},
      {"dimension too large",
       value(R"({"type": "array", "elementType": "variant", "bounds": [[0, 40000000]]})"),
       "from 0 to 33554432"},
      {"upper bound overflow",
       value(R"({"type": "array", "elementType": "variant", "bounds": [[2147483647, 2]]})"),
       "32-bit range"},
  };
  const QString out = Home(QStringLiteral("out.ppc"));
  for (const BadForm& bad : forms) {
    SCOPED_TRACE(bad.name);
    const QString form = Home(QStringLiteral("bad.json"));
    ASSERT_TRUE(WriteFileBytes(form, bad.text));
    const Result result = RunProject({"build", form, out});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains(bad.message)) << result.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_FALSE(QFile::exists(out + QStringLiteral(".save")));
  }
}

TEST(ProjectJsonBuild, FailedBuildLeavesAnExistingFileAlone) {
  const QString out = Home(QStringLiteral("kept.ppc"));
  ASSERT_TRUE(WriteFileBytes(out, "previous content"));
  const QString form = Home(QStringLiteral("bad.json"));
  ASSERT_TRUE(
      WriteFileBytes(form, R"({"pages": [{"points": [{"type": "Edit"}, {"type": "Nope"}]}]})"));
  EXPECT_EQ(RunProject({"build", form, out}).exitCode, 2);
  EXPECT_EQ(ReadFileBytes(out), "previous content");
}

TEST(ProjectJsonCommand, FileProblemsGiveExitCode1) {
  const QString out = Home(QStringLiteral("out.ppc"));
  Result result = RunProject({"build", Home("missing.json"), out});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(result.err.contains("no such file")) << result.err.toStdString();

  const QString form = Home(QStringLiteral("image.json"));
  ASSERT_TRUE(WriteFileBytes(form, R"({"graphics": {"headerImage": {"file": "missing.bmp"}}})"));
  result = RunProject({"build", form, out});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(result.err.contains("missing.bmp")) << result.err.toStdString();
  EXPECT_FALSE(QFile::exists(out));

  ASSERT_TRUE(WriteFileBytes(form, R"({"title": "x"})"));
  const QString unwritable = Home(QStringLiteral("no/such/folder/out.ppc"));
  EXPECT_EQ(RunProject({"build", form, unwritable}).exitCode, 1);
  EXPECT_FALSE(QFile::exists(unwritable));

  EXPECT_EQ(RunProject({"dump", Home("missing.ppc")}).exitCode, 1);
  EXPECT_EQ(RunProject({"dump", qlt::test::TestHome()}).exitCode, 1);
}

TEST(ProjectJsonCommand, BadArgumentsAndForeignFilesGiveExitCode2) {
  const QString notProject = Home(QStringLiteral("text.ppc"));
  ASSERT_TRUE(WriteFileBytes(notProject, "this is not a project file"));
  const Result foreign = RunProject({"dump", notProject});
  EXPECT_EQ(foreign.exitCode, 2);
  EXPECT_TRUE(foreign.out.isEmpty());
  EXPECT_EQ(RunProject({}).exitCode, 2);
  EXPECT_EQ(RunProject({"convert"}).exitCode, 2);
  EXPECT_EQ(RunProject({"build", Home("only-one.json")}).exitCode, 2);
  EXPECT_EQ(RunProject({"dump"}).exitCode, 2);
  EXPECT_EQ(RunProject({"dump", notProject, "--images"}).exitCode, 2);
  EXPECT_EQ(RunProject({"dump", notProject, "--no-images", "--images", Home("img")}).exitCode, 2);
}

TEST(ProjectJsonImages, ImagesCanLiveInFilesBesideTheForm) {
  const QString ppc = WriteEveryTypeProject(QStringLiteral("images.ppc"));
  const QString form = Home(QStringLiteral("forms/images.json"));
  ASSERT_TRUE(QDir().mkpath(Home("forms")));
  const Result dump = RunProject({"dump", ppc, "--out", form, "--images", Home("forms/img")});
  ASSERT_EQ(dump.exitCode, 0) << dump.err.toStdString();
  EXPECT_TRUE(dump.out.isEmpty());

  const QJsonObject json = ParseJson(ReadFileBytes(form));
  const QJsonObject header = json["graphics"]["headerImage"].toObject();
  EXPECT_FALSE(header.contains("base64"));
  const QString file = header["file"].toString();
  EXPECT_TRUE(file.startsWith("img/")) << file.toStdString();
  CProject project;
  ASSERT_TRUE(project.Load(ppc));
  EXPECT_EQ(ReadFileBytes(Home("forms/") + file), project.Graphics().headerImage);

  const QString rebuilt = Home(QStringLiteral("rebuilt.ppc"));
  const Result build = RunProject({"build", form, rebuilt});
  ASSERT_EQ(build.exitCode, 0) << build.err.toStdString();
  EXPECT_EQ(ReadFileBytes(rebuilt), ReadFileBytes(ppc));
}

TEST(ProjectJsonImages, ReviewDumpWithoutImagesDoesNotBuild) {
  const QString ppc = WriteEveryTypeProject(QStringLiteral("review.ppc"));
  const Result dump = RunProject({"dump", ppc, "--no-images"});
  ASSERT_EQ(dump.exitCode, 0) << dump.err.toStdString();
  const QJsonObject header = ParseJson(dump.out)["graphics"].toObject()["headerImage"].toObject();
  EXPECT_EQ(header.keys(), (QStringList{"sha1", "size"}));
  EXPECT_EQ(header["sha1"].toString().size(), 40);

  const QString form = Home(QStringLiteral("review.json"));
  ASSERT_TRUE(WriteFileBytes(form, dump.out));
  const Result build = RunProject({"build", form, Home("review-built.ppc")});
  EXPECT_EQ(build.exitCode, 2);
  EXPECT_TRUE(build.err.contains("graphics.headerImage")) << build.err.toStdString();
  EXPECT_FALSE(QFile::exists(Home("review-built.ppc")));
}

}  // namespace
