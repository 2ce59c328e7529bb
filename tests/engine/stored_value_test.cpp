// Writing variants into typed columns and reading them back.
#include "engine/stored_value.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "orvalis/error.h"

namespace orvalis {

// Readable failure messages for the tables below.
void PrintTo(const Variant& value, std::ostream* out) {
  *out << KindName(value.kind());
  if (!value.IsNull() && !value.IsObject() && !value.IsMissing()) *out << " " << ToText(value);
}

namespace engine {

void PrintTo(const StoredValue& value, std::ostream* out) {
  if (const auto* whole = std::get_if<int64_t>(&value)) *out << "integer " << *whole;
  if (const auto* real = std::get_if<double>(&value)) *out << "real " << *real;
  if (const auto* text = std::get_if<std::string>(&value)) *out << "text '" << *text << "'";
  if (std::holds_alternative<StoredNull>(value)) *out << "NULL";
}

namespace {

ColumnSpec Column(FieldType type, int32_t size = 0, int32_t attributes = 0) {
  return ColumnSpec{type, size > 0 ? size : DefaultSize(type), attributes};
}

Currency Money(int64_t raw) { return Currency::FromRaw(raw); }

// ---- Writing --------------------------------------------------------------------------

struct EncodeCase {
  std::string_view name;
  Variant value;
  ColumnSpec column;
  StoredValue stored;
};

void PrintTo(const EncodeCase& c, std::ostream* out) { *out << c.name; }

class EncodeTest : public testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeTest, StoresTheColumnsForm) {
  EXPECT_EQ(EncodeForColumn(GetParam().value, GetParam().column), GetParam().stored);
}

const std::string kText255(255, 'x');
const std::string kLongMemo(100000, 'y');

INSTANTIATE_TEST_SUITE_P(
    Columns, EncodeTest,
    testing::ValuesIn(std::vector<EncodeCase>{
        {"currency from double", Variant(1.5), Column(FieldType::kCurrency), int64_t{15000}},
        {"currency half even", Variant(0.00125), Column(FieldType::kCurrency), int64_t{12}},
        {"currency from long", Variant(12), Column(FieldType::kCurrency), int64_t{120000}},
        {"currency from zero text", Variant("0,00"), Column(FieldType::kCurrency), int64_t{0}},
        {"currency from text", Variant("1.234,56"), Column(FieldType::kCurrency),
         int64_t{12345600}},
        {"currency from padded text", Variant(" 12,5 "), Column(FieldType::kCurrency),
         int64_t{125000}},
        {"currency exact", Variant(Money(123)), Column(FieldType::kCurrency), int64_t{123}},
        {"currency from true", Variant(true), Column(FieldType::kCurrency), int64_t{-10000}},
        {"currency from false", Variant(false), Column(FieldType::kCurrency), int64_t{0}},
        {"byte max", Variant(255), Column(FieldType::kByte), int64_t{255}},
        {"byte half even", Variant(2.5), Column(FieldType::kByte), int64_t{2}},
        {"byte from text", Variant("3,5"), Column(FieldType::kByte), int64_t{4}},
        {"integer min", Variant(-32768), Column(FieldType::kInteger), int64_t{-32768}},
        {"integer from currency", Variant(Money(15000)), Column(FieldType::kInteger), int64_t{2}},
        {"long from text", Variant("1.234"), Column(FieldType::kLong), int64_t{1234}},
        {"long max", Variant(2147483647), Column(FieldType::kLong), int64_t{2147483647}},
        {"long from true", Variant(true), Column(FieldType::kLong), int64_t{-1}},
        {"counter", Variant(7.0), Column(FieldType::kLong, 0, kAutoIncrField), int64_t{7}},
        {"boolean true", Variant(true), Column(FieldType::kBoolean), int64_t{-1}},
        {"boolean false", Variant(false), Column(FieldType::kBoolean), int64_t{0}},
        {"boolean from number", Variant(5), Column(FieldType::kBoolean), int64_t{-1}},
        {"boolean from zero", Variant(0), Column(FieldType::kBoolean), int64_t{0}},
        {"boolean from fraction", Variant(0.5), Column(FieldType::kBoolean), int64_t{-1}},
        {"boolean from word", Variant("True"), Column(FieldType::kBoolean), int64_t{-1}},
        {"boolean from lower word", Variant("false"), Column(FieldType::kBoolean), int64_t{0}},
        {"boolean from zero text", Variant("0"), Column(FieldType::kBoolean), int64_t{0}},
        {"boolean from number text", Variant("2"), Column(FieldType::kBoolean), int64_t{-1}},
        {"date", Variant(Date(38047.5)), Column(FieldType::kDate), 38047.5},
        {"date from number", Variant(38047), Column(FieldType::kDate), 38047.0},
        {"date from text", Variant("01/03/2004"), Column(FieldType::kDate), 38047.0},
        {"date and time from text", Variant("2004-03-01 12:00"), Column(FieldType::kDate), 38047.5},
        {"double from text", Variant("1,5"), Column(FieldType::kDouble), 1.5},
        {"double from currency", Variant(Money(15000)), Column(FieldType::kDouble), 1.5},
        {"double from long", Variant(3), Column(FieldType::kDouble), 3.0},
        {"single precision", Variant(0.1), Column(FieldType::kSingle), static_cast<double>(0.1f)},
        {"text", Variant("abc"), Column(FieldType::kText, 50), std::string("abc")},
        {"text from double", Variant(1.5), Column(FieldType::kText), std::string("1,5")},
        {"text from boolean", Variant(true), Column(FieldType::kText), std::string("True")},
        {"text from currency", Variant(Money(125000)), Column(FieldType::kText),
         std::string("12,5")},
        {"text from date", Variant(Date(38047)), Column(FieldType::kText),
         std::string("01/03/2004")},
        {"text of full width", Variant(kText255), Column(FieldType::kText), kText255},
        {"text counts characters", Variant("ção"), Column(FieldType::kText, 3), std::string("ção")},
        {"memo is unlimited", Variant(kLongMemo), Column(FieldType::kMemo), kLongMemo},
        {"empty into text", Variant(), Column(FieldType::kText), StoredNull{}},
        {"null into text", Variant::Null(), Column(FieldType::kText), StoredNull{}},
        {"empty into currency", Variant(), Column(FieldType::kCurrency), StoredNull{}},
        {"null into boolean", Variant::Null(), Column(FieldType::kBoolean), StoredNull{}},
        {"null into date", Variant::Null(), Column(FieldType::kDate), StoredNull{}},
    }));

struct EncodeErrorCase {
  std::string_view name;
  Variant value;
  ColumnSpec column;
  int32_t error;
};

void PrintTo(const EncodeErrorCase& c, std::ostream* out) { *out << c.name; }

class EncodeErrorTest : public testing::TestWithParam<EncodeErrorCase> {};

TEST_P(EncodeErrorTest, RaisesTheEnginesError) {
  try {
    EncodeForColumn(GetParam().value, GetParam().column);
    FAIL() << "no error raised";
  } catch (const Error& error) {
    EXPECT_EQ(error.number(), GetParam().error);
    EXPECT_EQ(error.description(), ErrorText(static_cast<ErrorCode>(GetParam().error)));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Columns, EncodeErrorTest,
    testing::ValuesIn(std::vector<EncodeErrorCase>{
        {"currency from word", Variant("abc"), Column(FieldType::kCurrency), 3421},
        {"currency from huge text", Variant("1e30"), Column(FieldType::kCurrency), 3349},
        {"currency from huge double", Variant(1e16), Column(FieldType::kCurrency), 3349},
        {"byte above", Variant(256), Column(FieldType::kByte), 3349},
        {"byte below", Variant(-1), Column(FieldType::kByte), 3349},
        {"byte rounds above", Variant(255.5), Column(FieldType::kByte), 3349},
        {"byte from word", Variant("abc"), Column(FieldType::kByte), 3421},
        {"integer above", Variant(32768), Column(FieldType::kInteger), 3349},
        {"long above", Variant(2147483648.0), Column(FieldType::kLong), 3349},
        {"counter above", Variant(1e10), Column(FieldType::kLong, 0, kAutoIncrField), 3349},
        {"boolean from word", Variant("abc"), Column(FieldType::kBoolean), 3421},
        {"boolean from empty text", Variant(""), Column(FieldType::kBoolean), 3421},
        {"date that does not exist", Variant("31/02/2004"), Column(FieldType::kDate), 3421},
        {"date from word", Variant("abc"), Column(FieldType::kDate), 3421},
        {"date out of range", Variant(1e10), Column(FieldType::kDate), 3349},
        {"single out of range", Variant(1e39), Column(FieldType::kSingle), 3349},
        {"double from word", Variant("x"), Column(FieldType::kDouble), 3421},
        {"text too long", Variant("abcd"), Column(FieldType::kText, 3), 3163},
        {"text too long in characters", Variant("ççça"), Column(FieldType::kText, 3), 3163},
        {"text over default width", Variant(kText255 + "x"), Column(FieldType::kText), 3163},
        {"object into text", Variant::Nothing(), Column(FieldType::kText), 3421},
        {"object into long", Variant::Nothing(), Column(FieldType::kLong), 3421},
        {"missing into currency", Variant::Missing(), Column(FieldType::kCurrency), 3421},
    }));

// ---- Reading --------------------------------------------------------------------------

struct DecodeCase {
  std::string_view name;
  StoredValue stored;
  FieldType type;
  Variant value;
};

void PrintTo(const DecodeCase& c, std::ostream* out) { *out << c.name; }

class DecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, ReadsTheColumnsKind) {
  EXPECT_EQ(DecodeFromColumn(GetParam().stored, GetParam().type), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, DecodeTest,
    testing::ValuesIn(std::vector<DecodeCase>{
        {"currency", int64_t{15000}, FieldType::kCurrency, Variant(Money(15000))},
        {"currency from a real", 1.5, FieldType::kCurrency, Variant(Money(15000))},
        {"currency from text", std::string("1,5"), FieldType::kCurrency, Variant(Money(15000))},
        {"boolean true", int64_t{-1}, FieldType::kBoolean, Variant(true)},
        {"boolean nonzero", int64_t{1}, FieldType::kBoolean, Variant(true)},
        {"boolean false", int64_t{0}, FieldType::kBoolean, Variant(false)},
        {"byte", int64_t{200}, FieldType::kByte, Variant::Byte(200)},
        {"integer", int64_t{-7}, FieldType::kInteger, Variant::Integer(-7)},
        {"long", int64_t{70000}, FieldType::kLong, Variant::Long(70000)},
        {"long from a real", 2.5, FieldType::kLong, Variant::Long(2)},
        {"date", 38047.5, FieldType::kDate, Variant(Date(38047.5))},
        {"date from an integer", int64_t{38047}, FieldType::kDate, Variant(Date(38047))},
        {"double", 1.5, FieldType::kDouble, Variant(1.5)},
        {"double from an integer", int64_t{3}, FieldType::kDouble, Variant(3.0)},
        {"single", static_cast<double>(0.1f), FieldType::kSingle,
         Variant(static_cast<double>(0.1f))},
        {"text", std::string("abc"), FieldType::kText, Variant("abc")},
        {"memo", std::string("abc"), FieldType::kMemo, Variant("abc")},
        {"text from an integer", int64_t{42}, FieldType::kText, Variant("42")},
        {"text from a big integer", int64_t{12345678901234567}, FieldType::kText,
         Variant("12345678901234567")},
        {"text from a real", 1.5, FieldType::kText, Variant("1,5")},
        {"word in a long column", std::string("abc"), FieldType::kLong, Variant("abc")},
        {"null text", StoredNull{}, FieldType::kText, Variant::Null()},
        {"null currency", StoredNull{}, FieldType::kCurrency, Variant::Null()},
        {"null boolean", StoredNull{}, FieldType::kBoolean, Variant::Null()},
    }));

TEST(DecodeUntypedTest, IntegersRealsTextsAndNull) {
  const std::vector<std::pair<StoredValue, Variant>> cases = {
      {int64_t{5}, Variant::Long(5)},
      {int64_t{-2147483648}, Variant::Long(-2147483647 - 1)},
      {int64_t{2147483648}, Variant(2147483648.0)},
      {int64_t{-2147483649}, Variant(-2147483649.0)},
      {1.5, Variant(1.5)},
      {std::string("abc"), Variant("abc")},
      {StoredNull{}, Variant::Null()},
  };
  for (const auto& [stored, value] : cases) {
    SCOPED_TRACE(testing::PrintToString(stored));
    EXPECT_EQ(DecodeUntyped(stored), value);
  }
}

TEST(StoredValueTest, ValuesOfTheColumnsKindRoundTrip) {
  const std::vector<std::pair<Variant, FieldType>> cases = {
      {Variant(Money(std::numeric_limits<int64_t>::min())), FieldType::kCurrency},
      {Variant(Money(std::numeric_limits<int64_t>::max())), FieldType::kCurrency},
      {Variant(true), FieldType::kBoolean},
      {Variant::Byte(0), FieldType::kByte},
      {Variant::Integer(32767), FieldType::kInteger},
      {Variant::Long(-2147483647 - 1), FieldType::kLong},
      {Variant(Date::FromYmd(1899, 12, 29, 6)), FieldType::kDate},
      {Variant(Date::FromYmd(9999, 12, 31, 23, 59, 59)), FieldType::kDate},
      {Variant(0.1), FieldType::kDouble},
      {Variant("ação"), FieldType::kText},
      {Variant(""), FieldType::kMemo},
  };
  for (const auto& [value, type] : cases) {
    SCOPED_TRACE(testing::PrintToString(value));
    EXPECT_EQ(DecodeFromColumn(EncodeForColumn(value, Column(type)), type), value);
  }
}

TEST(FieldTypeTest, DefaultSizes) {
  const std::vector<std::pair<FieldType, int32_t>> cases = {
      {FieldType::kBoolean, 1}, {FieldType::kByte, 1},     {FieldType::kInteger, 2},
      {FieldType::kLong, 4},    {FieldType::kCurrency, 8}, {FieldType::kSingle, 4},
      {FieldType::kDouble, 8},  {FieldType::kDate, 8},     {FieldType::kText, 255},
      {FieldType::kMemo, 0},
  };
  for (const auto& [type, size] : cases) {
    EXPECT_EQ(DefaultSize(type), size) << static_cast<int>(type);
  }
}

}  // namespace
}  // namespace engine
}  // namespace orvalis
