#include "values/abi_values.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <vector>

#include "support/user_locale.h"
#include "values/safe_array.h"
#include "values/variant.h"

namespace {

// Owns a VARIANT for the length of a test.
struct Owned {
  VARIANT v;
  Owned() { VariantInit(&v); }
  ~Owned() { VariantClear(&v); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
};

CVariant TwoByThreeIntegers() {
  CSafeArray array(kVtI4, {{-1, 2}, {5, 3}});
  for (int i = 0; i < 6; ++i) {
    const int32_t value = (i + 1) * 1000;
    memcpy(array.RawData().data() + i * 4, &value, 4);
  }
  return CVariant::FromArray(array);
}

CVariant Strings() {
  CSafeArray array(kVtBstr, {{1, 3}});
  array.Strings()[0] = QStringLiteral("first");
  array.Strings()[2] = QStringLiteral("third \u00e9\u4e2d");  // [1] stays a missing string
  return CVariant::FromArray(array);
}

CVariant NestedVariants() {
  CSafeArray inner(kVtVariant, {{0, 2}});
  inner.Variants()[0] = CVariant::FromString(QStringLiteral("deep"));
  inner.Variants()[1] = CVariant::FromBool(true);
  CSafeArray outer(kVtVariant, {{0, 3}});
  outer.Variants()[0] = CVariant::FromInt32(7);
  outer.Variants()[1] = CVariant::FromArray(inner);
  outer.Variants()[2] = CVariant::FromBytes(QByteArray("\x00\x01\xff", 3));
  return CVariant::FromArray(outer);
}

struct RoundTrip {
  const char* name;
  CVariant value;
  VARTYPE vt;
};

TEST(AbiValues, EveryCoreValueSurvivesTheTripThroughTheAbi) {
  const std::vector<RoundTrip> cases = {
      {"empty", CVariant(), VT_EMPTY},
      {"null", CVariant::Null(), VT_NULL},
      {"i2", CVariant::FromInt16(-32768), VT_I2},
      {"i4", CVariant::FromInt32(-2147483647 - 1), VT_I4},
      {"r4", CVariant::FromFloat(1.5f), VT_R4},
      {"r8", CVariant::FromDouble(-1e300), VT_R8},
      {"currency", CVariant::FromCurrency(-123456789012345), VT_CY},
      {"date", CVariant::FromDate(45000.75), VT_DATE},
      {"text", CVariant::FromString(QStringLiteral("Gr\u00fc\u00dfe \U0001F600")), VT_BSTR},
      {"empty text", CVariant::FromString(QString()), VT_BSTR},
      {"text with a zero", CVariant::FromString(QString(QChar(0)) + QStringLiteral("x")), VT_BSTR},
      {"error", CVariant::FromError(static_cast<int32_t>(0x80020004)), VT_ERROR},
      {"true", CVariant::FromBool(true), VT_BOOL},
      {"false", CVariant::FromBool(false), VT_BOOL},
      {"i1", CVariant::FromInt8(-5), VT_I1},
      {"ui1", CVariant::FromByte(250), VT_UI1},
      {"ui2", CVariant::FromInteger(kVtUi2, 65535), VT_UI2},
      {"ui4", CVariant::FromInteger(kVtUi4, 4294967295u), VT_UI4},
      {"i8", CVariant::FromInteger(kVtI8, INT64_MIN), VT_I8},
      {"ui8", CVariant::FromInteger(kVtUi8, -1), VT_UI8},
      {"int", CVariant::FromInteger(kVtInt, -9), VT_INT},
      {"uint", CVariant::FromInteger(kVtUint, 9), VT_UINT},
      {"bytes", CVariant::FromBytes(QByteArray("TWKFFILE\0x", 10)), VT_ARRAY | VT_UI1},
      {"no bytes", CVariant::FromBytes(QByteArray()), VT_ARRAY | VT_UI1},
      {"2-d integers with bounds", TwoByThreeIntegers(), VT_ARRAY | VT_I4},
      {"strings", Strings(), VT_ARRAY | VT_BSTR},
      {"nested variants", NestedVariants(), VT_ARRAY | VT_VARIANT},
  };
  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(c.name);
    Owned abi;
    ASSERT_EQ(ValueToAbi(c.value, &abi.v), S_OK);
    EXPECT_EQ(abi.v.vt, c.vt);
    CVariant back;
    ASSERT_EQ(ValueFromAbi(abi.v, back), S_OK);
    EXPECT_TRUE(back == c.value);
    // A copy made by the ABI itself reads back the same (deep copies of strings and arrays).
    Owned copy;
    ASSERT_EQ(VariantCopy(&copy.v, &abi.v), S_OK);
    CVariant fromCopy;
    ASSERT_EQ(ValueFromAbi(copy.v, fromCopy), S_OK);
    EXPECT_TRUE(fromCopy == c.value);
  }
}

TEST(AbiValues, ArraysKeepThePlatformsLayout) {
  Owned abi;
  ASSERT_EQ(ValueToAbi(TwoByThreeIntegers(), &abi.v), S_OK);
  SAFEARRAY* psa = abi.v.parray;
  EXPECT_EQ(SafeArrayGetDim(psa), 2u);
  LONG lower = 0;
  LONG upper = 0;
  ASSERT_EQ(SafeArrayGetLBound(psa, 1, &lower), S_OK);
  ASSERT_EQ(SafeArrayGetUBound(psa, 1, &upper), S_OK);
  EXPECT_EQ(lower, -1);
  EXPECT_EQ(upper, 0);
  ASSERT_EQ(SafeArrayGetLBound(psa, 2, &lower), S_OK);
  EXPECT_EQ(lower, 5);
  // The dimensions are kept last first and the first one varies fastest.
  EXPECT_EQ(psa->rgsabound[0].cElements, 3u);
  EXPECT_EQ(static_cast<LONG*>(psa->pvData)[1], 2000);
  EXPECT_EQ(SafeArrayGetLBound(psa, 3, &lower), DISP_E_BADINDEX);
  VARTYPE vt = VT_EMPTY;
  ASSERT_EQ(SafeArrayGetVartype(psa, &vt), S_OK);
  EXPECT_EQ(vt, VT_I4);
  // A locked array is not destroyed under its user.
  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(psa, &data), S_OK);
  EXPECT_TRUE(FAILED(SafeArrayDestroy(psa)));
  ASSERT_EQ(SafeArrayUnaccessData(psa), S_OK);
}

TEST(AbiValues, BstrsCarryTheirLengthAndAreTerminated) {
  const char16_t text[] = u"ab\0cd";
  BSTR s = SysAllocStringLen(text, 5);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 5u);
  EXPECT_EQ(SysStringByteLen(s), 10u);
  EXPECT_EQ(s[5], 0);
  EXPECT_EQ(TextFromBstr(s).size(), 5);
  SysFreeString(s);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_TRUE(TextFromBstr(nullptr).isEmpty());
  BSTR terminated = SysAllocString(u"xyz");
  EXPECT_EQ(SysStringLen(terminated), 3u);
  SysFreeString(terminated);
}

TEST(AbiValues, MalformedVariantsAreRefusedWithoutTouchingTheValue) {
  const CVariant before = CVariant::FromInt32(11);
  auto refused = [&](const VARIANT& v, HRESULT expected) {
    CVariant value = before;
    EXPECT_EQ(ValueFromAbi(v, value), expected);
    EXPECT_TRUE(value == before);
  };
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_DECIMAL;
  refused(v, DISP_E_BADVARTYPE);
  v.vt = 0x7F;
  refused(v, DISP_E_BADVARTYPE);
  v.vt = VT_ARRAY | VT_I4;
  v.parray = nullptr;
  refused(v, E_INVALIDARG);
  v.vt = VT_BYREF | VT_I4;
  v.plVal = nullptr;
  refused(v, E_INVALIDARG);
  // An array that says it holds strings but is laid out for bytes.
  SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, 0, 4);
  v.vt = VT_ARRAY | VT_BSTR;
  v.parray = bytes;
  refused(v, E_INVALIDARG);
  SafeArrayDestroy(bytes);
  // Five dimensions do not fit the core's arrays.
  SAFEARRAYBOUND five[5] = {{1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}};
  SAFEARRAY* deep = SafeArrayCreate(VT_I4, 5, five);
  v.vt = VT_ARRAY | VT_I4;
  v.parray = deep;
  refused(v, E_INVALIDARG);
  SafeArrayDestroy(deep);
}

TEST(AbiValues, ByReferenceArgumentsAreFollowedOneLevel) {
  LONG number = 42;
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_BYREF | VT_I4;
  ref.plVal = &number;
  CVariant value;
  ASSERT_EQ(ValueFromAbi(ref, value), S_OK);
  EXPECT_TRUE(value == CVariant::FromInt32(42));
  VARIANT outer;
  VariantInit(&outer);
  outer.vt = VT_BYREF | VT_VARIANT;
  outer.pvarVal = &ref;  // a reference to a reference is not followed
  EXPECT_EQ(ValueFromAbi(outer, value), E_INVALIDARG);
}

struct Coercion {
  const char* name;
  CVariant in;
  VARTYPE to;
  HRESULT expected;
  CVariant out;
};

TEST(AbiValues, ArgumentsAreCoercedAsScriptCallersExpect) {
  ScopedUserLocale locale(QLocale(QLocale::English, QLocale::UnitedStates));
  const std::vector<Coercion> cases = {
      {"text to integer", CVariant::FromString(QStringLiteral("42")), VT_I4, S_OK,
       CVariant::FromInt32(42)},
      {"double to integer rounds half to even", CVariant::FromDouble(2.5), VT_I4, S_OK,
       CVariant::FromInt32(2)},
      {"word to integer", CVariant::FromString(QStringLiteral("abc")), VT_I4, DISP_E_TYPEMISMATCH,
       CVariant()},
      {"too large for an integer", CVariant::FromDouble(1e12), VT_I4, DISP_E_OVERFLOW, CVariant()},
      {"too large for a short", CVariant::FromInt32(40000), VT_I2, DISP_E_OVERFLOW, CVariant()},
      {"integer to text", CVariant::FromInt32(-7), VT_BSTR, S_OK,
       CVariant::FromString(QStringLiteral("-7"))},
      {"empty to text", CVariant(), VT_BSTR, S_OK, CVariant::FromString(QString())},
      {"null to text", CVariant::Null(), VT_BSTR, DISP_E_TYPEMISMATCH, CVariant()},
      {"word true", CVariant::FromString(QStringLiteral("TRUE")), VT_BOOL, S_OK,
       CVariant::FromBool(true)},
      {"zero is false", CVariant::FromDouble(0), VT_BOOL, S_OK, CVariant::FromBool(false)},
      {"word to truth", CVariant::FromString(QStringLiteral("maybe")), VT_BOOL, DISP_E_TYPEMISMATCH,
       CVariant()},
      {"text to double", CVariant::FromString(QStringLiteral("1.25")), VT_R8, S_OK,
       CVariant::FromDouble(1.25)},
      {"text to date", CVariant::FromString(QStringLiteral("1900-01-01")), VT_DATE, S_OK,
       CVariant::FromDate(2.0)},
      {"any to variant", CVariant::FromInt16(3), VT_VARIANT, S_OK, CVariant::FromInt16(3)},
      {"text to object", CVariant::FromString(QStringLiteral("x")), VT_DISPATCH,
       DISP_E_TYPEMISMATCH, CVariant()},
      {"to a decimal", CVariant::FromInt32(1), VT_DECIMAL, DISP_E_BADVARTYPE, CVariant()},
  };
  for (const Coercion& c : cases) {
    SCOPED_TRACE(c.name);
    Owned in;
    ASSERT_EQ(ValueToAbi(c.in, &in.v), S_OK);
    Owned out;
    EXPECT_EQ(CoerceAbi(in.v, c.to, &out.v), c.expected);
    if (c.expected != S_OK) {
      EXPECT_EQ(out.v.vt, VT_EMPTY);
      continue;
    }
    CVariant back;
    ASSERT_EQ(ValueFromAbi(out.v, back), S_OK);
    EXPECT_TRUE(back == c.out);
  }
}

TEST(AbiValues, GuidsParseFromTheirTextForm) {
  GUID guid{};
  ASSERT_TRUE(GuidFromText("{00020400-0000-0000-C000-000000000046}", guid));
  EXPECT_TRUE(guid == IID_IDispatch);
  ASSERT_TRUE(GuidFromText("00020400-0000-0000-c000-000000000046", guid));
  EXPECT_TRUE(guid == IID_IDispatch);
  EXPECT_FALSE(GuidFromText("{00020400-0000-0000-C000-00000000004}", guid));
  EXPECT_FALSE(GuidFromText("{00020400-0000-0000-C000_000000000046}", guid));
  EXPECT_FALSE(GuidFromText("{0002040G-0000-0000-C000-000000000046}", guid));
  EXPECT_FALSE(GuidFromText(nullptr, guid));
}

}  // namespace
