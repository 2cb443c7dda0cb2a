// How every point type reads its own fields from project files of older format versions, and
// that each writes them back in the current layout.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "points/boolean_point.h"
#include "points/custom_point.h"
#include "points/drop_point.h"
#include "points/edit_point.h"
#include "points/file_point.h"
#include "points/layout_point.h"
#include "points/link_point.h"
#include "points/list_point.h"
#include "points/logic_point.h"
#include "points/math_point.h"
#include "points/outlook_point.h"
#include "points/sketch_point.h"
#include "points/telegram_point.h"
#include "points/time_point.h"
#include "project/page.h"
#include "project/project.h"
#include "support/project_builder.h"
#include "support/scoped_services.h"
#include "support/test_project_writer.h"

namespace {

using qlt::test::CScopedServices;

using Writer = CTestProjectWriter;

// Loads a file of `version` with one point of type T whose own fields `write` writes, and keeps
// the project alive for the returned point.
class CLoadedPoint {
 public:
  template <typename T>
  static std::unique_ptr<CLoadedPoint> Load(int version, const std::function<void(Writer&)>& write,
                                            const CVariantMap& properties = CVariantMap()) {
    Writer w(version);
    w.BeginSinglePage(1);
    Writer::PointFields fields;
    fields.name = "P";
    fields.visible = 0;
    fields.properties = properties;
    w.WritePoint(T::kTypeCode, fields);
    write(w);
    auto loaded = std::make_unique<CLoadedPoint>();
    loaded->ok = loaded->project.LoadFromBytes(w.Bytes());
    loaded->bytes = w.Bytes();
    return loaded;
  }
  template <typename T>
  const T& Point() const {
    const CBasePoint* point = project.Page(0)->Point(0);
    EXPECT_EQ(point->TypeCode(), T::kTypeCode);
    return *static_cast<const T*>(point);
  }
  CProject project;
  QByteArray bytes;
  bool ok = false;
};

template <typename T>
typename T::Settings SettingsAt(int version, const std::function<void(Writer&)>& write,
                                const CVariantMap& properties = CVariantMap()) {
  auto loaded = CLoadedPoint::Load<T>(version, write, properties);
  EXPECT_TRUE(loaded->ok);
  if (!loaded->ok) return typename T::Settings();
  return loaded->template Point<T>().GetSettings();
}

}  // namespace

TEST(MathPointRecord, WidthInFifthsDecimalsAndRoundingByVersion) {
  CScopedServices services;
  auto write = [](bool decimals) {
    return [decimals](Writer& w) {
      w.Str("A + B");
      w.Int(0);
      w.Int(3);
      if (decimals) w.Int(2);
    };
  };
  CMathPoint::Settings s = SettingsAt<CMathPoint>(12, write(false));
  EXPECT_EQ(s.expression, "A + B");
  EXPECT_EQ(s.locked, 0);
  EXPECT_EQ(s.width, 15);
  EXPECT_EQ(s.decimals, -1);
  EXPECT_EQ(s.rounding, 0);

  s = SettingsAt<CMathPoint>(20, write(true));
  EXPECT_EQ(s.width, 15);
  EXPECT_EQ(s.decimals, 2);
  s = SettingsAt<CMathPoint>(21, write(true));
  EXPECT_EQ(s.width, 3);
  EXPECT_EQ(s.rounding, 0);

  // An absurd width saturates instead of overflowing.
  const CMathPoint::Settings huge = SettingsAt<CMathPoint>(20, [](Writer& w) {
    w.Str("1");
    w.Int(1);
    w.Int(-0x7FFFFFFF);
    w.Int(0);
  });
  EXPECT_EQ(huge.width, INT32_MIN);

  CVariantMap properties;
  properties.SetInteger("Rounding", 2);
  EXPECT_EQ(SettingsAt<CMathPoint>(100, write(true), properties).rounding, 2);
  EXPECT_EQ(SettingsAt<CMathPoint>(100, write(true)).rounding, 0);
  EXPECT_EQ(CMathPoint().GetSettings().rounding, 1);
}

TEST(LogicPointRecord, ConditionsTextsAndTargetsByVersion) {
  CScopedServices services;
  auto write = [](int version) {
    return [version](Writer& w) {
      w.Str("First");
      w.Int(3);
      w.Str("10");
      if (version >= 35) {
        w.Int(2);
        w.Str("Second");
        w.Int(6);
        w.Str("x");
      }
      if (version >= 29) w.Str("unknown");
      if (version >= 28) {
        w.Str("No");
        w.Str("Yes");
      }
      w.Count(3);
      for (uint32_t target : {5u, 0x80000000u, 7u}) w.Ar().WriteUInt32(target);
    };
  };
  for (int version : {17, 18, 27, 28, 29, 34, 35, 100}) {
    SCOPED_TRACE(version);
    auto loaded = CLoadedPoint::Load<CLogicPoint>(version, write(version));
    ASSERT_TRUE(loaded->ok);
    const CLogicPoint& point = loaded->Point<CLogicPoint>();
    const CLogicPoint::Settings& s = point.GetSettings();
    EXPECT_EQ(s.firstName, "First");
    EXPECT_EQ(s.firstComparison, 3);
    EXPECT_EQ(s.firstValue, "10");
    EXPECT_EQ(s.join, version >= 35 ? 2 : 0);
    EXPECT_EQ(s.secondName, version >= 35 ? "Second" : "");
    EXPECT_EQ(s.secondComparison, version >= 35 ? 6 : 0);
    EXPECT_EQ(s.undeterminedText, version >= 29 ? "unknown" : "");
    EXPECT_EQ(s.falseText, version >= 28 ? "No" : "False");
    EXPECT_EQ(s.trueText, version >= 28 ? "Yes" : "True");
    EXPECT_EQ(s.targets, (QList<uint32_t>{5u, 0x80000000u, 7u}));
    // Files before version 18 did not hide logic points.
    EXPECT_EQ(point.Visible(), version < 18 ? 1 : 0);
  }
}

TEST(TimePointRecord, DateAndTimeStylesOfOlderFilesBecomeFormats) {
  CScopedServices services;
  auto write = [](int version, int32_t date, int32_t time) {
    return [=](Writer& w) {
      w.Int(date);
      if (version >= 4) w.Int(time);
      w.Int(1);                     // AutoSet
      if (version >= 6) w.Int(1);   // Fixed
      if (version >= 19) w.Int(3);  // Width
    };
  };
  CTimePoint::Settings s = SettingsAt<CTimePoint>(3, write(3, 2, 4));
  EXPECT_EQ(s.valueFormat, "{day}-{month}-{year}");
  EXPECT_EQ(s.displayFormat, s.valueFormat);
  EXPECT_EQ(s.mode, 0);
  EXPECT_EQ(s.autoSet, 1);
  EXPECT_EQ(s.fixed, 0);
  EXPECT_EQ(s.width, 0);

  s = SettingsAt<CTimePoint>(20, write(20, 1, 1));
  EXPECT_EQ(s.valueFormat, "{year}-{month}-{day} {hour-24:2}:{minute:2}");
  EXPECT_EQ(s.fixed, 1);
  EXPECT_EQ(s.width, 15);

  s = SettingsAt<CTimePoint>(32, write(32, 9, -3));  // clamped to 4 and 0
  EXPECT_EQ(s.valueFormat, "{day}-{month-short}-{year}");
  EXPECT_EQ(s.width, 3);
  s = SettingsAt<CTimePoint>(32, write(32, 0, 4));
  EXPECT_EQ(s.valueFormat, "{hour-24:2}:{minute:2}:{second:2}:{millisecond:3}");
  s = SettingsAt<CTimePoint>(32, write(32, 3, 3));
  EXPECT_EQ(s.valueFormat, "{month}-{day}-{year} {hour-24:2}:{minute:2}:{second:2}");
  s = SettingsAt<CTimePoint>(32, write(32, 0, 0));
  EXPECT_EQ(s.valueFormat, "");
}

TEST(TimePointRecord, FormatsFromVersion33AndTheMathPointProperty) {
  CScopedServices services;
  auto write = [](Writer& w) {
    w.Str("{day}");
    w.Str("{year}");
    w.Int(3);
    w.Int(1);
    w.Int(1);
    w.Int(7);
  };
  CTimePoint::Settings s = SettingsAt<CTimePoint>(33, write);
  EXPECT_EQ(s.displayFormat, "{day}");
  EXPECT_EQ(s.valueFormat, "{year}");
  EXPECT_EQ(s.mode, 3);
  EXPECT_EQ(s.width, 7);
  EXPECT_EQ(s.mathPoint, "");
  CVariantMap properties;
  properties.SetText("math", "Minutes");
  EXPECT_EQ(SettingsAt<CTimePoint>(100, write, properties).mathPoint, "Minutes");
  const CTimePoint fresh;
  EXPECT_EQ(fresh.GetSettings().displayFormat, "{weekday-short} {day} {month-short}, {year}");
  EXPECT_EQ(fresh.GetSettings().valueFormat, "{year}-{month:2}-{day:2}");
  EXPECT_EQ(fresh.GetSettings().mode, 2);
}

TEST(BooleanPointRecord, LegacyStylesGiveTextsAndButtons) {
  CScopedServices services;
  struct Expected {
    int32_t legacy;
    const char* texts[3];
    int32_t style;
  };
  const Expected table[] = {
      {0, {"Yes", "No", "NA"}, 2},      {1, {"True", "False", "NA"}, 2},
      {2, {"Yes", "No", "NA"}, 1},      {3, {"True", "False", "NA"}, 1},
      {4, {"Safe", "Unsafe", "NA"}, 2}, {5, {"1", "0", "99"}, 2},
      {6, {"True", "False", "NA"}, 1},  {-1, {"True", "False", "NA"}, 1},
  };
  for (const Expected& e : table) {
    SCOPED_TRACE(e.legacy);
    const CBooleanPoint::Settings s =
        SettingsAt<CBooleanPoint>(6, [&e](Writer& w) { w.Int(e.legacy); });
    EXPECT_EQ(s.trueText, e.texts[0]);
    EXPECT_EQ(s.falseText, e.texts[1]);
    EXPECT_EQ(s.naText, e.texts[2]);
    EXPECT_EQ(s.style, e.style);
  }
  const CBooleanPoint::Settings s = SettingsAt<CBooleanPoint>(7, [](Writer& w) {
    w.Str("On");
    w.Str("Off");
    w.Str("?");
    w.Int(-1);  // stored one below the style
  });
  EXPECT_EQ(s.trueText, "On");
  EXPECT_EQ(s.naText, "?");
  EXPECT_EQ(s.style, 0);
}

TEST(DropPointRecord, FlagsWidthAndItemsByVersion) {
  CScopedServices services;
  auto write = [](int version) {
    return [version](Writer& w) {
      if (version >= 23) w.Int(1);
      w.Int(1);  // Editable
      w.Int(1);  // Remember
      if (version >= 6) w.Int(1);
      if (version >= 19) w.Int(4);
      w.Count(2);
      w.Str("01;Apple");
      w.Str("02;Pear");
    };
  };
  for (int version : {5, 6, 19, 21, 23, 100}) {
    SCOPED_TRACE(version);
    CVariantMap properties;
    properties.SetVariant("clear", CVariant::FromBool(true));
    const CDropPoint::Settings s = SettingsAt<CDropPoint>(version, write(version), properties);
    EXPECT_EQ(s.multiSelect, version >= 23 ? 1 : 0);
    EXPECT_EQ(s.editable, 1);
    EXPECT_EQ(s.remember, 1);
    EXPECT_EQ(s.split, version >= 6 ? 1 : 0);
    EXPECT_EQ(s.width, version >= 21 ? 4 : version >= 19 ? 20 : 0);
    EXPECT_EQ(s.items, (QStringList{"01;Apple", "02;Pear"}));
    EXPECT_EQ(s.clearable, version >= 100);
  }
  // "clear" counts only as a boolean.
  CVariantMap properties;
  properties.SetInteger("clear", 1);
  EXPECT_FALSE(SettingsAt<CDropPoint>(100, write(100), properties).clearable);
}

TEST(ListPointRecord, SplitFromVersion7) {
  CScopedServices services;
  for (int version : {6, 7}) {
    const CListPoint::Settings s = SettingsAt<CListPoint>(version, [version](Writer& w) {
      w.Int(0);
      if (version >= 7) w.Int(1);
      w.Count(1);
      w.Str("A");
    });
    EXPECT_EQ(s.singleSelect, 0);
    EXPECT_EQ(s.split, version >= 7 ? 1 : 0);
    EXPECT_EQ(s.items, QStringList{"A"});
  }
}

TEST(EditPointRecord, LinesAndLaterFieldsByVersion) {
  CScopedServices services;
  struct Case {
    int version;
    int32_t numeric;
    int32_t lines;   // the lines field as stored from version 10
    int32_t second;  // the second of the two values of versions 5 to 9
    int32_t expectedLines;
  };
  const Case cases[] = {
      {4, 1, 0, 0, -4},  {4, 0, 0, 0, 1},  {9, 1, 0, 1, -4}, {9, 1, 0, 0, 1},    {9, 0, 0, 1, 1},
      {20, 0, 0, 0, -4}, {20, 1, 3, 0, 3}, {21, 0, 0, 0, 0}, {44, 1, -2, 0, -2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.version << " " << c.numeric << " " << c.second);
    const CEditPoint::Settings s = SettingsAt<CEditPoint>(c.version, [&c](Writer& w) {
      w.Int(c.numeric);
      if (c.version >= 44) w.Int(1);
      w.Int(1);   // range check
      w.Int(-3);  // minimum
      w.Int(30);  // maximum
      w.Int(1);   // arrows
      if (c.version >= 10) {
        w.Int(c.lines);
      } else if (c.version >= 5) {
        w.Int(99);
        w.Int(c.second);
      }
      if (c.version >= 25) w.Int(12);
      if (c.version >= 30) w.Int(4);
    });
    EXPECT_EQ(s.numeric, c.numeric);
    EXPECT_EQ(s.password, c.version >= 44 ? 1 : 0);
    EXPECT_EQ(s.rangeCheck, 1);
    EXPECT_EQ(s.minimum, -3);
    EXPECT_EQ(s.maximum, 30);
    EXPECT_EQ(s.arrows, 1);
    EXPECT_EQ(s.lines, c.expectedLines);
    EXPECT_EQ(s.maxLength, c.version >= 25 ? 12 : 0);
    EXPECT_EQ(s.padWidth, c.version >= 30 ? 4 : 0);
  }
}

TEST(EditPointRecord, ReadOnlyPropertyCountsOnlyAsATrueBoolean) {
  CScopedServices services;
  auto write = [](Writer& w) {
    for (int32_t field : {0, 0, 0, 0, 100, 0, 1, 0, 0}) w.Int(field);
  };
  CVariantMap properties;
  properties.SetVariant("ReadOnly", CVariant::FromBool(true));
  EXPECT_TRUE(SettingsAt<CEditPoint>(100, write, properties).readOnly);
  properties.SetText("readonly", "true");
  EXPECT_FALSE(SettingsAt<CEditPoint>(100, write, properties).readOnly);
}

TEST(LayoutPointRecord, FontColourDroppedFieldsAndImageScaleByVersion) {
  CScopedServices services;
  auto write = [](int version) {
    return [version](Writer& w) {
      w.Str("Heading");
      w.Int(2);
      if (version >= 12) {
        w.Str("DejaVu Serif");
        w.Int(-18);
        w.Int(1);
        w.Int(1);
      }
      if (version >= 11) w.Ar().WriteUInt32(0x000000FF);
      if (version < 14) {
        w.Int(111);
        w.Int(222);
      }
      w.Count(4);
      w.Raw("IMG!");
      if (version >= 38) w.Int(1);
    };
  };
  for (int version : {10, 11, 12, 13, 14, 37, 38}) {
    SCOPED_TRACE(version);
    const CLayoutPoint::Settings s = SettingsAt<CLayoutPoint>(version, write(version));
    EXPECT_EQ(s.text, "Heading");
    EXPECT_EQ(s.alignment, 2);
    EXPECT_EQ(s.fontFace, version >= 12 ? "DejaVu Serif" : "Tahoma");
    EXPECT_EQ(s.fontSize, version >= 12 ? -18 : -12);
    EXPECT_EQ(s.italic, version >= 12 ? 1 : 0);
    EXPECT_EQ(s.underline, version >= 12 ? 1 : 0);
    EXPECT_EQ(s.colour, version >= 11 ? 0xFFu : 0u);
    EXPECT_EQ(s.image, QByteArray("IMG!"));
    EXPECT_EQ(s.imageScale, version >= 38 ? 1 : 0);
  }
  // Without an image there is no scale field.
  const CLayoutPoint::Settings s = SettingsAt<CLayoutPoint>(100, [](Writer& w) {
    w.Str("---");
    w.Int(1);
    w.Str("Tahoma");
    w.Int(-12);
    w.Int(0);
    w.Int(0);
    w.Int(0);
    w.Count(0);
  });
  EXPECT_TRUE(s.image.isEmpty());
}

TEST(LinkPointRecord, TargetPageFontColourAndImageByVersion) {
  CScopedServices services;
  auto write = [](int version, int32_t hasTarget) {
    return [=](Writer& w) {
      if (version >= 13) {
        w.Ar().WriteUInt32(0x90000001u);
        w.Str("qlt://open");
      } else {
        w.Int(hasTarget);
        w.Ar().WriteUInt32(77);
      }
      if (version >= 45) {
        w.Int(1);
        w.Str("DejaVu Sans");
        w.Int(-16);
        w.Int(1);
        w.Int(0);
      }
      if (version >= 26) w.Ar().WriteUInt32(0x00008000);
      if (version >= 39) {
        w.Count(2);
        w.Raw("PX");
        w.Int(1);
        w.Int(5);
      }
    };
  };
  CLinkPoint::Settings s = SettingsAt<CLinkPoint>(12, write(12, 1));
  EXPECT_EQ(s.targetPage, 77u);
  EXPECT_EQ(s.address, "");
  EXPECT_EQ(s.alignment, 0);
  EXPECT_EQ(s.fontFace, "Tahoma");
  EXPECT_EQ(s.fontSize, -12);
  EXPECT_EQ(s.underline, 1);
  EXPECT_EQ(s.colour, 0x00FF0000u);
  EXPECT_TRUE(s.image.isEmpty());
  EXPECT_EQ(SettingsAt<CLinkPoint>(12, write(12, 0)).targetPage, 0u);

  s = SettingsAt<CLinkPoint>(26, write(26, 0));
  EXPECT_EQ(s.targetPage, 0x90000001u);
  EXPECT_EQ(s.address, "qlt://open");
  EXPECT_EQ(s.colour, 0x00008000u);
  EXPECT_EQ(s.fontSize, -12);

  s = SettingsAt<CLinkPoint>(39, write(39, 0));
  EXPECT_EQ(s.image, QByteArray("PX"));
  EXPECT_EQ(s.imageScale, 1);
  EXPECT_EQ(s.imageFlag, 5);
  EXPECT_EQ(s.alignment, 0);

  s = SettingsAt<CLinkPoint>(45, write(45, 0));
  EXPECT_EQ(s.alignment, 1);
  EXPECT_EQ(s.fontFace, "DejaVu Sans");
  EXPECT_EQ(s.fontSize, -16);
  EXPECT_EQ(s.italic, 1);
  EXPECT_EQ(s.underline, 0);
}

TEST(FilePointRecord, ButtonsAndWatchedFolderByVersion) {
  CScopedServices services;
  auto write = [](int version) {
    return [version](Writer& w) {
      w.Str("Text|*.txt||");
      w.Int(1);
      w.Int(0);
      if (version >= 24) w.Int(2);
      if (version >= 34) {
        w.Int(1);
        w.Str("/in");
        w.Str("txt");
      }
      if (version >= 36) w.Int(1);
    };
  };
  CFilePoint::Settings s = SettingsAt<CFilePoint>(23, write(23));
  EXPECT_EQ(s.filter, "Text|*.txt||");
  EXPECT_EQ(s.attachButton, 3);
  EXPECT_EQ(s.saveButton, 0);
  EXPECT_EQ(s.openButton, 3);
  EXPECT_EQ(s.watchFolder, 0);
  EXPECT_EQ(s.folder, "\\My Documents");
  EXPECT_EQ(s.extensions, "jpg;jpeg");

  s = SettingsAt<CFilePoint>(35, write(35));
  EXPECT_EQ(s.attachButton, 1);
  EXPECT_EQ(s.openButton, 2);
  EXPECT_EQ(s.watchFolder, 1);
  EXPECT_EQ(s.folder, "/in");
  EXPECT_EQ(s.extensions, "txt");
  EXPECT_EQ(s.deleteSource, 0);
  EXPECT_EQ(SettingsAt<CFilePoint>(36, write(36)).deleteSource, 1);
}

TEST(SketchPointRecord, CanvasBackgroundAndImageByVersion) {
  CScopedServices services;
  auto write = [](int version) {
    return [version](Writer& w) {
      w.Int(4);
      if (version >= 43) {
        w.Int(640);
        w.Int(480);
      }
      w.Int(0);
      w.Int(3);
      if (version >= 32) w.Str("Photo");
      if (version >= 14) {
        w.Count(3);
        w.Raw("BMP");
      }
    };
  };
  for (int version : {13, 14, 32, 43}) {
    SCOPED_TRACE(version);
    const CSketchPoint::Settings s = SettingsAt<CSketchPoint>(version, write(version));
    EXPECT_EQ(s.canvasRows, 4);
    EXPECT_EQ(s.canvasWidth, version >= 43 ? 640 : 0);
    EXPECT_EQ(s.canvasHeight, version >= 43 ? 480 : 0);
    EXPECT_EQ(s.penMode, 0);
    EXPECT_EQ(s.palette, 3);
    EXPECT_EQ(s.backgroundPoint, version >= 32 ? "Photo" : "");
    EXPECT_EQ(s.backgroundImage, version >= 14 ? QByteArray("BMP") : QByteArray());
  }
}

TEST(TelegramAndContactsRecords, FieldsInOrder) {
  CScopedServices services;
  const CTelegramPoint::Settings t = SettingsAt<CTelegramPoint>(40, [](Writer& w) {
    w.Str("Alarm");
    w.Int(0);
    w.Int(0);
    w.Int(1);
    w.Str("(GUID)");
    w.Count(2);
    w.Str("Site");
    w.Str("(GUID)");
  });
  EXPECT_EQ(t.telegramName, "Alarm");
  EXPECT_EQ(t.showAlerts, 0);
  EXPECT_EQ(t.send, 0);
  EXPECT_EQ(t.receive, 1);
  EXPECT_EQ(t.matchKey, "(GUID)");
  EXPECT_EQ(t.fields, (QStringList{"Site", "(GUID)"}));

  EXPECT_EQ(SettingsAt<COutlookPoint>(14, [](Writer& w) { w.Int(0); }).option, 0);
  EXPECT_EQ(COutlookPoint().GetSettings().option, 1);
}

TEST(CustomPointRecord, KeepsItsClassNameAndPropertiesWithoutAControl) {
  CScopedServices services;
  const QUuid outside = QUuid::fromString(QStringLiteral("{11223344-5566-7788-99AA-BBCCDDEEFF00}"));
  auto loaded = CLoadedPoint::Load<CCustomPoint>(50, [&outside](Writer& w) {
    w.Count(0);
    w.Raw(CCustomPoint::ClassIdBytes(outside));
    w.Str("Vendor.Thermometer");
    CVariantMap bag;
    bag.SetInteger("Scale", 3);
    bag.SetText("unit", "C");
    bag.Serialize(w.Ar(), false);
  });
  ASSERT_TRUE(loaded->ok);
  const CCustomPoint& point = loaded->Point<CCustomPoint>();
  EXPECT_EQ(point.ClassId(), outside);
  EXPECT_EQ(point.UserTypeName(), "Vendor.Thermometer");
  EXPECT_EQ(point.Bag().GetInteger("scale", 0), 3);
  EXPECT_EQ(point.Bag().GetText("UNIT"), "C");

  CProject copy;
  ASSERT_TRUE(copy.LoadFromBytes(loaded->project.SaveToBytes()));
  const auto* again = static_cast<const CCustomPoint*>(copy.Page(0)->Point(0));
  EXPECT_EQ(again->ClassId(), outside);
  EXPECT_EQ(again->Bag(), point.Bag());
}

// Every type writes its fields so that they read back the same; the sample holds settings that
// differ from the defaults in every field.
TEST(PointRecords, EveryTypeReadsBackItsOwnSettings) {
  CScopedServices services;
  CProject original;
  qlt::test::FillSampleProject(original);
  CProject copy;
  ASSERT_TRUE(copy.LoadFromBytes(original.SaveToBytes()));
  QList<CBasePoint*> before;
  QList<CBasePoint*> after;
  original.ForEachPoint([&before](CBasePoint* point) { before.append(point); });
  copy.ForEachPoint([&after](CBasePoint* point) { after.append(point); });
  ASSERT_EQ(before.size(), after.size());
  for (int i = 0; i < before.size(); ++i) {
    SCOPED_TRACE(before[i]->TypeName().toStdString());
    EXPECT_EQ(after[i]->UniqueNumber(), before[i]->UniqueNumber());
    EXPECT_EQ(after[i]->Name(), before[i]->Name());
    EXPECT_EQ(after[i]->DefaultValue(), before[i]->DefaultValue());
    EXPECT_EQ(after[i]->Properties(), before[i]->Properties());
  }
  auto same = [&](auto* type, int index) {
    using T = std::remove_pointer_t<decltype(type)>;
    EXPECT_EQ(static_cast<T*>(after[index])->GetSettings(),
              static_cast<T*>(before[index])->GetSettings())
        << before[index]->TypeName().toStdString();
  };
  same(static_cast<CBooleanPoint*>(nullptr), 0);
  same(static_cast<CListPoint*>(nullptr), 1);
  same(static_cast<CEditPoint*>(nullptr), 2);
  same(static_cast<CDropPoint*>(nullptr), 3);
  same(static_cast<CLinkPoint*>(nullptr), 4);
  same(static_cast<CTimePoint*>(nullptr), 5);
  same(static_cast<CLayoutPoint*>(nullptr), 6);
  same(static_cast<COutlookPoint*>(nullptr), 7);
  same(static_cast<CMathPoint*>(nullptr), 8);
  same(static_cast<CLogicPoint*>(nullptr), 9);
  same(static_cast<CSketchPoint*>(nullptr), 10);
  same(static_cast<CFilePoint*>(nullptr), 12);
  same(static_cast<CTelegramPoint*>(nullptr), 13);
  EXPECT_NE(static_cast<CEditPoint*>(after[2])->GetSettings(), CEditPoint::Settings());
}
