#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "support/qt_print.h"
#include "values/archive.h"
#include "values/safe_array.h"
#include "values/variant.h"

namespace {

QByteArray Archived(const CVariant& value) {
  CArchive out;
  value.Serialize(out);
  return out.Buffer();
}

CVariant RoundTrip(const CVariant& value) {
  CArchive in(Archived(value));
  CVariant back = CVariant::Deserialize(in);
  EXPECT_TRUE(in.AtEnd());
  return back;
}

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

// Builder for hand-made archives.
struct Bytes {
  CArchive ar;
  Bytes& Word(uint16_t v) {
    ar.WriteWord(v);
    return *this;
  }
  Bytes& Int(int32_t v) {
    ar.WriteInt32(v);
    return *this;
  }
  Bytes& Raw(const QByteArray& b) {
    ar.WriteBytes(b);
    return *this;
  }
  const QByteArray& Get() const { return ar.Buffer(); }
};

CVariant Read(const QByteArray& bytes) {
  CArchive in(bytes);
  return CVariant::Deserialize(in);
}

template <typename T>
void Put(CSafeArray& array, qsizetype index, T value) {
  std::memcpy(array.RawData().data() + index * sizeof(T), &value, sizeof(T));
}

}  // namespace

// --- exact bytes of the archive form -----------------------------------------------------------

TEST(VariantArchiveBytes, ScalarsAreTheTypeWordThenTheLittleEndianPayload) {
  EXPECT_EQ(Archived(CVariant()), Hex("0000"));
  EXPECT_EQ(Archived(CVariant::Null()), Hex("0100"));
  EXPECT_EQ(Archived(CVariant::FromInt16(-2)), Hex("0200feff"));
  EXPECT_EQ(Archived(CVariant::FromInt32(0x01020304)), Hex("030004030201"));
  EXPECT_EQ(Archived(CVariant::FromFloat(1.0f)), Hex("04000000803f"));
  EXPECT_EQ(Archived(CVariant::FromDouble(1.0)), Hex("0500000000000000f03f"));
  EXPECT_EQ(Archived(CVariant::FromDate(2.0)), Hex("07000000000000000040"));
  EXPECT_EQ(Archived(CVariant::FromError(static_cast<int32_t>(0x80020004))), Hex("0a0004000280"));
  EXPECT_EQ(Archived(CVariant::FromBool(true)), Hex("0b00ffff"));
  EXPECT_EQ(Archived(CVariant::FromBool(false)), Hex("0b000000"));
  EXPECT_EQ(Archived(CVariant::FromInt8(-1)), Hex("1000ff"));
  EXPECT_EQ(Archived(CVariant::FromByte(0x80)), Hex("110080"));
}

TEST(VariantArchiveBytes, CurrencyIsItsLowHalfThenItsHighHalf) {
  EXPECT_EQ(Archived(CVariant::FromCurrency(0x0000000700000005LL)), Hex("06000500000007000000"));
  EXPECT_EQ(Archived(CVariant::FromCurrency(-10000)), Hex("0600f0d8ffffffffffff"));
}

TEST(VariantArchiveBytes, StringIsAByteCountThenUtf16) {
  EXPECT_EQ(Archived(CVariant::FromString("Ab")), Hex("08000400000041006200"));
  EXPECT_EQ(Archived(CVariant::FromString(QString())), Hex("080000000000"));
  EXPECT_EQ(Archived(CVariant::FromString(QString(QChar(0x20AC)))), Hex("080002000000ac20"));
}

TEST(VariantArchiveBytes, ArrayIsDimensionsBoundsThenElementsInStorageOrder) {
  // A 2 x 3 array of 16-bit integers with bounds 1..2 and -1..1; first dimension fastest.
  CSafeArray array(kVtI2, {{1, 2}, {-1, 3}});
  for (int i = 0; i < 6; ++i) Put<int16_t>(array, i, static_cast<int16_t>(i + 1));
  EXPECT_EQ(Archived(CVariant::FromArray(array)), Hex("0220"
                                                      "02000000"
                                                      "01000000"
                                                      "02000000"
                                                      "ffffffff"
                                                      "01000000"
                                                      "010002000300040005000600"));
}

TEST(VariantArchiveBytes, StringArrayElementsEachCarryTheirByteCount) {
  CSafeArray array(kVtBstr, {{0, 3}});
  array.Strings()[0] = "A";
  array.Strings()[2] = "";  // the missing element 1 and this empty one both write count 0
  EXPECT_EQ(Archived(CVariant::FromArray(array)), Hex("0820"
                                                      "01000000"
                                                      "00000000"
                                                      "02000000"
                                                      "020000004100"
                                                      "00000000"
                                                      "00000000"));
}

TEST(VariantArchiveBytes, ArraysOfVariantsAndObjectsWriteNoElements) {
  for (uint16_t element :
       std::initializer_list<uint16_t>{kVtVariant, kVtDispatch, kVtUnknown, uint16_t{15}, kVtEmpty,
                                       kVtNull, uint16_t{24}, uint16_t{36}}) {
    const QByteArray bytes = Archived(CVariant::FromArray(CSafeArray(element, {{5, 2}})));
    Bytes expected;
    expected.Word(static_cast<uint16_t>(0x2000 | element)).Int(1).Int(5).Int(6);
    EXPECT_EQ(bytes, expected.Get()) << element;
  }
}

TEST(VariantArchiveBytes, ObjectReferencesAreWrittenAsEmpty) {
  int object = 0;
  EXPECT_EQ(Archived(CVariant::FromObject(kVtDispatch, &object)), Hex("0000"));
  EXPECT_EQ(Archived(CVariant::FromObject(kVtUnknown, &object)), Hex("0000"));
  EXPECT_TRUE(RoundTrip(CVariant::FromObject(kVtUnknown, &object)).IsEmpty());
}

// --- round trips -------------------------------------------------------------------------------

TEST(VariantArchiveRoundTrip, EveryScalarTypeReadsBackIdentical) {
  const std::vector<CVariant> values = {
      CVariant(),
      CVariant::Null(),
      CVariant::FromInt16(std::numeric_limits<int16_t>::min()),
      CVariant::FromInt16(12345),
      CVariant::FromInt32(std::numeric_limits<int32_t>::min()),
      CVariant::FromInt32(-7),
      CVariant::FromFloat(3.25f),
      CVariant::FromFloat(-std::numeric_limits<float>::infinity()),
      CVariant::FromDouble(0.1),
      CVariant::FromDouble(-0.0),
      CVariant::FromDouble(std::numeric_limits<double>::quiet_NaN()),
      CVariant::FromDouble(std::numeric_limits<double>::denorm_min()),
      CVariant::FromCurrency(std::numeric_limits<int64_t>::min()),
      CVariant::FromCurrency(123456789012345LL),
      CVariant::FromDate(45366.75),
      CVariant::FromDate(-1.25),
      CVariant::FromString(""),
      CVariant::FromString("Quillet"),
      // Any code unit survives, including a lone surrogate and an embedded NUL.
      CVariant::FromString(QString(reinterpret_cast<const QChar*>(u"\U0001F600 \xD800 a\0b"), 8)),
      CVariant::FromString(QString(70000, QChar(0x263A))),
      CVariant::FromError(-2147352572),
      CVariant::FromBool(true),
      CVariant::FromBool(false),
      CVariant::FromInt8(-128),
      CVariant::FromInt8(127),
      CVariant::FromByte(255),
      CVariant::FromInteger(kVtUi2, 65535),
      CVariant::FromInteger(kVtUi4, 4294967295LL),
      CVariant::FromInteger(kVtI8, std::numeric_limits<int64_t>::min()),
      CVariant::FromInteger(kVtUi8, -1),
      CVariant::FromInteger(kVtInt, -5),
      CVariant::FromInteger(kVtUint, 7),
  };
  for (const CVariant& value : values) {
    const CVariant back = RoundTrip(value);
    EXPECT_EQ(back.Type(), value.Type());
    EXPECT_TRUE(back == value) << "type " << value.Type();
  }
}

TEST(VariantArchiveRoundTrip, ByteArrayKeepsItsBytes) {
  QByteArray bytes;
  for (int i = 0; i < 1000; ++i) bytes.append(static_cast<char>(i * 7));
  const CVariant back = RoundTrip(CVariant::FromBytes(bytes));
  EXPECT_EQ(back.Type(), kVtArray | kVtUi1);
  EXPECT_TRUE(back.IsByteArray());
  EXPECT_EQ(back.Bytes(), bytes);
  EXPECT_TRUE(RoundTrip(CVariant::FromBytes(QByteArray())).IsByteArray());
}

TEST(VariantArchiveRoundTrip, FixedSizeArraysOfOneToFourDimensionsWithLowerBounds) {
  const std::vector<std::vector<CSafeArray::Bound>> shapes = {
      {{-3, 4}},
      {{1, 2}, {10, 3}},
      {{-1, 2}, {0, 1}, {100, 3}},
      {{7, 2}, {-7, 2}, {0, 2}, {2147483646, 2}},
      {{0, 3}, {5, 0}},  // an empty dimension makes an empty array
  };
  for (uint16_t element : {kVtI1, kVtUi1, kVtI2, kVtI4, kVtR4, kVtR8, kVtCy, kVtDate, kVtError,
                           kVtBool, kVtDecimal, kVtUi2, kVtUi4, kVtI8, kVtUi8, kVtInt, kVtUint}) {
    for (const auto& shape : shapes) {
      CSafeArray array(element, shape);
      const int size = CSafeArray::ElementSize(element);
      ASSERT_GT(size, 0) << element;
      ASSERT_EQ(array.RawData().size(), array.ElementCount() * size);
      for (qsizetype i = 0; i < array.RawData().size(); ++i) {
        array.RawData()[i] = static_cast<char>(i * 31 + element);
      }
      const CVariant back = RoundTrip(CVariant::FromArray(array));
      ASSERT_EQ(back.Type(), kVtArray | element);
      ASSERT_NE(back.Array(), nullptr);
      EXPECT_EQ(back.Array()->Bounds(), shape) << element;
      EXPECT_EQ(back.Array()->RawData(), array.RawData()) << element;
      EXPECT_TRUE(back == CVariant::FromArray(array));
    }
  }
}

TEST(VariantArchiveRoundTrip, StringArraysKeepEveryElement) {
  CSafeArray array(kVtBstr, {{-1, 2}, {3, 2}});
  array.Strings() = {"north", QString(), "", QString::fromUtf16(u"\u00e9t\u00e9")};
  const CVariant back = RoundTrip(CVariant::FromArray(array));
  ASSERT_NE(back.Array(), nullptr);
  EXPECT_EQ(back.Array()->Bounds(), array.Bounds());
  EXPECT_EQ(back.Array()->Strings(),
            (QList<QString>{"north", "", "", QString::fromUtf16(u"\u00e9t\u00e9")}));
}

TEST(VariantArchiveRoundTrip, ArraysWithoutElementDataKeepTheirShape) {
  CSafeArray variants(kVtVariant, {{1, 3}});
  variants.Variants()[1] = CVariant::FromInt32(9);  // not carried by the archive form
  const CVariant back = RoundTrip(CVariant::FromArray(variants));
  ASSERT_NE(back.Array(), nullptr);
  EXPECT_EQ(back.Type(), kVtArray | kVtVariant);
  EXPECT_EQ(back.Array()->Bounds(), variants.Bounds());
  EXPECT_EQ(back.Array()->ElementCount(), 3);
  // The elements read back as empty variants.
  EXPECT_TRUE(back == CVariant::FromArray(CSafeArray(kVtVariant, {{1, 3}})));
  EXPECT_FALSE(back == CVariant::FromArray(variants));
}

TEST(VariantArchiveRoundTrip, TrailingDataAfterARecordIsLeftForTheCaller) {
  CArchive out;
  CVariant::FromString("one").Serialize(out);
  CVariant::FromArray(CSafeArray(kVtR8, {{0, 2}})).Serialize(out);
  CVariant::FromInt32(3).Serialize(out);
  CArchive in(out.Buffer());
  EXPECT_EQ(CVariant::Deserialize(in).StringPayload(), "one");
  EXPECT_EQ(CVariant::Deserialize(in).Array()->ElementCount(), 2);
  EXPECT_EQ(CVariant::Deserialize(in).IntegerPayload(), 3);
  EXPECT_TRUE(in.AtEnd());
}

// --- malformed input ---------------------------------------------------------------------------

TEST(VariantArchiveMalformed, ZeroOrMoreThanFourDimensionsIsAFormatError) {
  for (int32_t dimensions : {0, 5, -1, std::numeric_limits<int32_t>::max()}) {
    Bytes b;
    b.Word(0x2011).Int(dimensions);
    for (int i = 0; i < 5; ++i) b.Int(0).Int(0);
    EXPECT_THROW(Read(b.Get()), CArchiveError) << dimensions;
  }
}

TEST(VariantArchiveMalformed, NegativeDimensionIsAFormatError) {
  Bytes b;
  b.Word(0x2011).Int(1).Int(5).Int(3);  // 5..3: -1 elements
  EXPECT_THROW(Read(b.Get()), CArchiveError);
  // Extreme bounds must not overflow into a plausible count.
  Bytes extreme;
  extreme.Word(0x2011)
      .Int(1)
      .Int(std::numeric_limits<int32_t>::max())
      .Int(std::numeric_limits<int32_t>::min());
  EXPECT_THROW(Read(extreme.Get()), CArchiveError);
}

TEST(VariantArchiveMalformed, DimensionAboveTheLimitIsAFormatErrorEvenWithoutData) {
  Bytes b;
  b.Word(0x200C).Int(1).Int(0).Int(0x2000000);  // 0x2000001 elements, variants carry no data
  EXPECT_THROW(Read(b.Get()), CArchiveError);
  Bytes atLimit;
  atLimit.Word(0x200C).Int(1).Int(0).Int(0x1FFFFFF);
  const CVariant value = Read(atLimit.Get());
  EXPECT_EQ(value.Array()->ElementCount(), 0x2000000);
}

TEST(VariantArchiveMalformed, ElementsBeyondTheInputFailBeforeAnythingIsAllocated) {
  // Four dimensions at the per-dimension limit: 2^100 elements, which would overflow any size
  // computation; every data-carrying type must refuse it from the few bytes present.
  for (uint16_t element : {kVtUi1, kVtR8, kVtDecimal, kVtBstr}) {
    Bytes b;
    b.Word(static_cast<uint16_t>(0x2000 | element)).Int(4);
    for (int d = 0; d < 4; ++d) b.Int(0).Int(0x1FFFFFF);
    b.Raw(QByteArray(64, '\0'));
    EXPECT_THROW(Read(b.Get()), CArchiveError) << element;
  }
  // One dimension at the limit with one byte missing.
  Bytes shortBy1;
  shortBy1.Word(0x2011).Int(1).Int(0).Int(0x1FFFFFF).Raw(QByteArray(0x2000000 - 1, 'x'));
  EXPECT_THROW(Read(shortBy1.Get()), CArchiveError);
}

TEST(VariantArchiveMalformed, HugeArrayOfDatalessElementsIsRefused) {
  Bytes b;
  b.Word(0x200C).Int(4);
  for (int d = 0; d < 4; ++d) b.Int(0).Int(0x1FFFFFF);
  EXPECT_THROW(Read(b.Get()), CArchiveError);
}

TEST(VariantArchiveMalformed, NegativeStringByteCountIsAFormatError) {
  EXPECT_THROW(Read(Bytes().Word(kVtBstr).Int(-2).Get()), CArchiveError);
  EXPECT_THROW(Read(Bytes().Word(0x2008).Int(1).Int(0).Int(0).Int(-1).Get()), CArchiveError);
  // A count larger than the input.
  EXPECT_THROW(Read(Bytes().Word(kVtBstr).Int(0x7FFFFFFE).Raw("ab").Get()), CArchiveError);
}

TEST(VariantArchiveMalformed, OddStringByteCountKeepsWholeCodeUnitsAndTheStreamInStep) {
  CArchive in(Bytes().Word(kVtBstr).Int(3).Raw(Hex("410042")).Word(kVtI2).Word(7).Get());
  EXPECT_EQ(CVariant::Deserialize(in).StringPayload(), "A");
  EXPECT_EQ(CVariant::Deserialize(in).IntegerPayload(), 7);
  CArchive array(
      Bytes().Word(0x2008).Int(1).Int(0).Int(1).Int(1).Raw("z").Int(2).Raw(Hex("4200")).Get());
  EXPECT_EQ(CVariant::Deserialize(array).Array()->Strings(), (QList<QString>{"", "B"}));
  EXPECT_TRUE(array.AtEnd());
}

TEST(VariantArchiveMalformed, TypesWithoutAnArchiveFormAreRefused) {
  for (uint16_t type : std::initializer_list<uint16_t>{
           kVtDispatch, kVtUnknown, kVtVariant, kVtDecimal, uint16_t{15}, uint16_t{24},
           uint16_t{0x4003}, uint16_t{0xFFFF & ~0x2000}}) {
    EXPECT_THROW(Read(Bytes().Word(type).Raw(QByteArray(32, '\0')).Get()), CArchiveError) << type;
  }
}

TEST(VariantArchiveMalformed, EveryTruncationOfAValidRecordThrows) {
  CSafeArray strings(kVtBstr, {{2, 2}, {0, 2}});
  strings.Strings() = {"a", "bc", "", "def"};
  CSafeArray doubles(kVtR8, {{-1, 3}});
  for (const CVariant& value :
       {CVariant::FromInt16(1), CVariant::FromInt32(1), CVariant::FromFloat(1),
        CVariant::FromDouble(1), CVariant::FromCurrency(1), CVariant::FromDate(1),
        CVariant::FromString("text"), CVariant::FromError(1), CVariant::FromBool(true),
        CVariant::FromInt8(1), CVariant::FromByte(1), CVariant::FromArray(strings),
        CVariant::FromArray(doubles),
        CVariant::FromArray(CSafeArray(kVtVariant, {{0, 1}, {0, 1}}))}) {
    const QByteArray bytes = Archived(value);
    for (qsizetype length = 0; length < bytes.size(); ++length) {
      EXPECT_THROW(Read(bytes.left(length)), CArchiveError)
          << "type " << value.Type() << " cut at " << length;
    }
  }
}

// --- arrays built in code ----------------------------------------------------------------------

TEST(SafeArrayShape, ConstructorBringsUnrepresentableShapesIntoRange) {
  EXPECT_EQ(CSafeArray(kVtI4, {}).Bounds(), (std::vector<CSafeArray::Bound>{{0, 0}}));
  EXPECT_EQ(CSafeArray(kVtI4, {{0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}}).Dimensions(), 4);
  EXPECT_EQ(CSafeArray(kVtI4, {{3, -5}}).ElementCount(), 0);
  // The upper bound must fit in 32 bits, so the lower bound gives way.
  const CSafeArray high(kVtI4, {{std::numeric_limits<int32_t>::max(), 3}});
  EXPECT_EQ(high.Bounds()[0].lower, std::numeric_limits<int32_t>::max() - 2);
  EXPECT_TRUE(RoundTrip(CVariant::FromArray(high)) == CVariant::FromArray(high));
}

TEST(SafeArrayShape, DefaultArrayBecomesAnEmptyOneDimensionalArrayInAVariant) {
  const CVariant value = CVariant::FromArray(CSafeArray());
  ASSERT_NE(value.Array(), nullptr);
  EXPECT_EQ(value.Array()->Dimensions(), 1);
  EXPECT_TRUE(RoundTrip(value) == value);
}

TEST(SafeArrayShape, RawDataOfTheWrongSizeStillWritesAReadableRecord) {
  CSafeArray array(kVtI4, {{0, 2}});
  array.RawData().resize(3);
  const CVariant back = RoundTrip(CVariant::FromArray(array));
  EXPECT_EQ(back.Array()->RawData().size(), 8);
}

TEST(VariantEquality, ComparesTypeAndPayloadExactly) {
  EXPECT_TRUE(CVariant::FromInt32(1) == CVariant::FromInt32(1));
  EXPECT_FALSE(CVariant::FromInt32(1) == CVariant::FromInt16(1));
  EXPECT_FALSE(CVariant::FromDouble(0.0) == CVariant::FromDouble(-0.0));
  EXPECT_TRUE(CVariant::FromString("a") != CVariant::FromString("A"));
  EXPECT_FALSE(CVariant::FromBytes("ab") == CVariant::FromBytes("ac"));
  EXPECT_FALSE(CVariant::FromArray(CSafeArray(kVtUi1, {{1, 2}})) ==
               CVariant::FromArray(CSafeArray(kVtUi1, {{0, 2}})));
}

TEST(VariantBytes, OnlyOneDimensionalByteArraysAreByteArrays) {
  EXPECT_TRUE(CVariant::FromBytes("abc").IsByteArray());
  EXPECT_EQ(CVariant::FromBytes("abc").Bytes(), "abc");
  EXPECT_FALSE(CVariant::FromArray(CSafeArray(kVtUi1, {{0, 2}, {0, 2}})).IsByteArray());
  EXPECT_FALSE(CVariant::FromArray(CSafeArray(kVtI1, {{0, 2}})).IsByteArray());
  EXPECT_FALSE(CVariant::FromString("abc").IsByteArray());
  EXPECT_TRUE(CVariant::FromString("abc").Bytes().isEmpty());
}
