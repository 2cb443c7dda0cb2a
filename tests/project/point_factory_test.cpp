#include "project/point_factory.h"

#include <gtest/gtest.h>

#include "points/custom_point.h"
#include "project/base_point.h"

TEST(PointFactory, RegistersEveryTypeInItsOrder) {
  const CPointFactory factory;
  QStringList names;
  for (const auto& entry : factory.Entries()) names.append(entry.displayName);
  EXPECT_EQ(names, (QStringList{"Boolean",   "Edit",      "Selection",   "Drop List", "Date/Time",
                                "Layout",    "Link",      "Ultra Drop",  "Logic",     "Math",
                                "Formatter", "File",      "Sketch",      "Camera",    "Barcode",
                                "GPS",       "Numpad",    "Incrementor", "Contacts",  "Print",
                                "Slider",    "Stopwatch", "Voice",       "Crossdata", "Telegram"}));
}

TEST(PointFactory, EntriesCarryCodesDescriptionsIconsFlagsAndClasses) {
  const CPointFactory factory;
  const auto* contacts = factory.Find(8);
  ASSERT_NE(contacts, nullptr);
  EXPECT_EQ(contacts->displayName, "Contacts");
  EXPECT_EQ(contacts->description, "Import address book");
  EXPECT_EQ(contacts->iconResource, 168);
  EXPECT_EQ(contacts->flags, 15);
  EXPECT_TRUE(contacts->classId.isNull());

  const auto* logic = factory.Find(10);
  ASSERT_NE(logic, nullptr);
  EXPECT_EQ(logic->description, "Show and hide points conditionally");
  EXPECT_EQ(logic->iconResource, 171);

  const auto* barcode =
      factory.Find(12, QUuid::fromString(QStringLiteral("{CA2C599F-2B4F-4F0B-B4B2-17F359F8A067}")));
  ASSERT_NE(barcode, nullptr);
  EXPECT_EQ(barcode->displayName, "Barcode");
  EXPECT_EQ(barcode->progId, "TWKF.Barcode");
  EXPECT_EQ(barcode->flags, 3);
  EXPECT_EQ(barcode->iconResource, 147);
  EXPECT_TRUE(barcode->builtIn);

  const auto* cross = factory.FindByProgId("twkf.cross");
  ASSERT_NE(cross, nullptr);
  EXPECT_EQ(cross->classId,
            QUuid::fromString(QStringLiteral("{AD194798-DB31-4EE4-B9EA-C18801054C8F}")));
  EXPECT_EQ(cross->description, "Fetch data from another session");
  EXPECT_EQ(cross->flags, 7);

  int custom = 0;
  for (const auto& entry : factory.Entries()) {
    if (entry.typeCode == 12) {
      ++custom;
      EXPECT_FALSE(entry.classId.isNull()) << entry.displayName.toStdString();
    }
  }
  EXPECT_EQ(custom, 12);
  EXPECT_EQ(factory.Find(12), nullptr);
  EXPECT_EQ(factory.Find(15), nullptr);
}

TEST(PointFactory, OutsideClassesAreAddedOnceAndTheExcludedNever) {
  CPointFactory factory;
  const QUuid outside = QUuid::createUuid();
  const auto* entry = factory.AddExternalClass(outside, "TWKF.Thermometer");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->displayName, "Thermometer");
  EXPECT_EQ(entry->description, "Custom Point");
  EXPECT_EQ(entry->flags, 15);
  EXPECT_EQ(entry->imageIndex, -1);
  EXPECT_EQ(factory.AddExternalClass(outside, "Again"), nullptr);
  EXPECT_EQ(factory.Find(12, outside)->displayName, "Thermometer");
  EXPECT_EQ(factory.AddExternalClass(CPointFactory::kLegacyDateTimeClass, "x"), nullptr);
  EXPECT_EQ(factory.AddExternalClass(CPointFactory::kExcludedClass, "x"), nullptr);
  EXPECT_EQ(factory.AddExternalClass(QUuid::createUuid(), "")->displayName, "Custom Point");
  EXPECT_EQ(factory.Entries().size(), 27);
}

TEST(PointFactory, CreatesAPointForEveryTypeCode) {
  const QStringList typeNames{"Boolean",   "Selection", "Edit",    "Drop List", "Link",
                              "Date/Time", "Layout",    "Outlook", "Math",      "Logic",
                              "Sketch",    "Custom",    "File",    "Telegram"};
  for (int32_t code = 1; code <= 14; ++code) {
    auto point = CPointFactory::CreatePoint(code);
    ASSERT_NE(point, nullptr) << code;
    EXPECT_EQ(point->TypeCode(), code);
    EXPECT_EQ(point->TypeName(), typeNames[code - 1]);
  }
  EXPECT_EQ(CPointFactory::CreatePoint(0), nullptr);
  EXPECT_EQ(CPointFactory::CreatePoint(15), nullptr);
  // A new logic point is visible and no result of the session.
  auto logic = CPointFactory::CreatePoint(10);
  EXPECT_EQ(logic->Visible(), 1);
  EXPECT_EQ(logic->Results(), 0);
}

TEST(PointFactory, ClassIdentifiersAreStoredInTheirPlatformLayout) {
  const QUuid id = QUuid::fromString(QStringLiteral("{0A8400F0-1851-4FCE-83DC-6CB063EFAE42}"));
  const QByteArray bytes = CCustomPoint::ClassIdBytes(id);
  EXPECT_EQ(bytes.toHex(), QByteArray("f000840a5118ce4f83dc6cb063efae42"));
  EXPECT_EQ(CCustomPoint::ClassIdFromBytes(bytes), id);
  EXPECT_EQ(id, CPointFactory::kLegacyDateTimeClass);
}
