#include "project/point_factory.h"

#include <gtest/gtest.h>

#include <QSet>
#include <algorithm>
#include <vector>

#include "points/custom_point.h"
#include "points/edit_point.h"
#include "points/link_point.h"
#include "project/base_point.h"
#include "project/point_type.h"

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

// The descriptors registered from points/: one point class per type code with a type name of its
// own (the project form matches them without regard to case) whose creator makes a point of that
// type; built-in controls are custom points with distinct classes; entries have distinct ranks.
TEST(PointFactory, RegisteredTypesAreDistinctAndCreateTheirOwnPoints) {
  QSet<int32_t> codes;
  QSet<QString> typeNames;
  QSet<int> ranks;
  QSet<QString> classes;
  QSet<QString> progIds;
  for (const CPointType* type : CPointType::Registered()) {
    const QString label = QString::fromLatin1(type->typeName ? type->typeName : type->progId);
    SCOPED_TRACE(label.toStdString());
    if (type->create) {
      EXPECT_FALSE(codes.contains(type->typeCode));
      codes.insert(type->typeCode);
      EXPECT_FALSE(typeNames.contains(label.toLower()));
      typeNames.insert(label.toLower());
      const auto point = type->create();
      EXPECT_EQ(point->TypeCode(), type->typeCode);
      EXPECT_EQ(point->TypeName(), label);
      EXPECT_EQ(CPointFactory::PointType(type->typeCode), type);
      QSet<QString> fields;
      for (const CPointField& field : type->fields) {
        EXPECT_FALSE(fields.contains(field.Name())) << field.Name().toStdString();
        fields.insert(field.Name());
      }
    } else {
      EXPECT_EQ(type->typeCode, CPointFactory::kCustomTypeCode);
      ASSERT_TRUE(type->classId && type->progId && type->displayName);
      EXPECT_TRUE(type->fields.empty());
      EXPECT_FALSE(classes.contains(QString::fromLatin1(type->classId)));
      classes.insert(QString::fromLatin1(type->classId));
      EXPECT_FALSE(progIds.contains(QString::fromLatin1(type->progId).toLower()));
      progIds.insert(QString::fromLatin1(type->progId).toLower());
    }
    if (type->displayName) {
      EXPECT_FALSE(ranks.contains(type->rank)) << type->rank;
      ranks.insert(type->rank);
    }
  }
  std::vector<int32_t> sorted;
  for (const CPointType* type : CPointFactory::PointTypes()) sorted.push_back(type->typeCode);
  EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end()));
}

TEST(PointFactory, SettingsFieldsReadAndWriteOnlyTheirOwnClassAndKind) {
  const CPointType* type = CPointFactory::PointType(CLinkPoint::kTypeCode);
  ASSERT_NE(type, nullptr);
  const auto find = [type](const QString& name) -> const CPointField* {
    for (const CPointField& field : type->fields) {
      if (field.Name() == name) return &field;
    }
    return nullptr;
  };
  const CPointField* colour = find(QStringLiteral("colour"));
  const CPointField* scale = find(QStringLiteral("imageScale"));
  ASSERT_TRUE(colour && scale);
  EXPECT_EQ(colour->GetKind(), CPointField::Kind::Colour);
  EXPECT_TRUE(colour->StoredWith().isEmpty());
  EXPECT_EQ(scale->StoredWith(), "image");

  CLinkPoint link;
  EXPECT_TRUE(colour->Set(link, uint32_t{0x00123456}));
  EXPECT_EQ(link.GetSettings().colour, 0x00123456u);
  EXPECT_EQ(colour->Get(link), CPointField::Value(uint32_t{0x00123456}));
  // A value of another kind or a point of another class is refused and reads as nothing.
  EXPECT_FALSE(colour->Set(link, int32_t{7}));
  EXPECT_EQ(link.GetSettings().colour, 0x00123456u);
  CEditPoint edit;
  EXPECT_FALSE(colour->Set(edit, uint32_t{1}));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(colour->Get(edit)));
}

TEST(PointFactory, ClassIdentifiersAreStoredInTheirPlatformLayout) {
  const QUuid id = QUuid::fromString(QStringLiteral("{0A8400F0-1851-4FCE-83DC-6CB063EFAE42}"));
  const QByteArray bytes = CCustomPoint::ClassIdBytes(id);
  EXPECT_EQ(bytes.toHex(), QByteArray("f000840a5118ce4f83dc6cb063efae42"));
  EXPECT_EQ(CCustomPoint::ClassIdFromBytes(bytes), id);
  EXPECT_EQ(id, CPointFactory::kLegacyDateTimeClass);
}
