// Writing variants into typed columns and reading them back.
#include "engine/stored_value.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "orvalis/error.h"
#include "support/test_support.h"

namespace orvalis {

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

TEST(EncodeTest, StoresTheColumnsFormOrRaisesTheEnginesError) {
  const std::string text255(255, 'x');
  const std::string memo(100000, 'y');
  const struct {
    Variant value;
    ColumnSpec column;
    StoredValue stored;
  } stores[] = {
      {Variant(0.00125), Column(FieldType::kCurrency), int64_t{12}},
      {Variant(" 1.234,56 "), Column(FieldType::kCurrency), int64_t{12345600}},
      {Variant(true), Column(FieldType::kCurrency), int64_t{-10000}},
      {Variant("3,5"), Column(FieldType::kByte), int64_t{4}},
      {Variant(Money(15000)), Column(FieldType::kInteger), int64_t{2}},
      {Variant("1.234"), Column(FieldType::kLong), int64_t{1234}},
      {Variant(0.5), Column(FieldType::kBoolean), int64_t{-1}},
      {Variant("True"), Column(FieldType::kBoolean), int64_t{-1}},
      {Variant("0"), Column(FieldType::kBoolean), int64_t{0}},
      {Variant("2004-03-01 12:00"), Column(FieldType::kDate), 38047.5},
      {Variant(0.1), Column(FieldType::kSingle), static_cast<double>(0.1f)},
      {Variant(Money(125000)), Column(FieldType::kText), std::string("12,5")},
      {Variant(Date(38047)), Column(FieldType::kText), std::string("01/03/2004")},
      {Variant("ção"), Column(FieldType::kText, 3), std::string("ção")},
      {Variant(memo), Column(FieldType::kMemo), memo},
      {Variant(), Column(FieldType::kText), StoredNull{}},
      {Variant::Null(), Column(FieldType::kBoolean), StoredNull{}},
  };
  for (const auto& c : stores) {
    EXPECT_EQ(EncodeForColumn(c.value, c.column), c.stored) << ::testing::PrintToString(c.value);
  }
  const struct {
    Variant value;
    ColumnSpec column;
    int32_t error;
  } refusals[] = {
      {Variant("abc"), Column(FieldType::kCurrency), 3421},
      {Variant("1e30"), Column(FieldType::kCurrency), 3349},
      {Variant(255.5), Column(FieldType::kByte), 3349},
      {Variant(32768), Column(FieldType::kInteger), 3349},
      {Variant(""), Column(FieldType::kBoolean), 3421},
      {Variant("31/02/2004"), Column(FieldType::kDate), 3421},
      {Variant(1e10), Column(FieldType::kDate), 3349},
      {Variant("ççça"), Column(FieldType::kText, 3), 3163},
      {Variant(text255 + "x"), Column(FieldType::kText), 3163},
      {Variant::Nothing(), Column(FieldType::kText), 3421},
  };
  for (const auto& c : refusals) {
    EXPECT_EQ(testing::ErrorTextOf([&] { EncodeForColumn(c.value, c.column); }),
              std::to_string(c.error) + ": " + ErrorText(static_cast<ErrorCode>(c.error)))
        << ::testing::PrintToString(c.value);
  }
}

// ---- Reading --------------------------------------------------------------------------

TEST(DecodeTest, ReadsTheColumnsKindOrTheStoredKindWhenUntyped) {
  const struct {
    StoredValue stored;
    FieldType type;
    Variant value;
  } cases[] = {
      {1.5, FieldType::kCurrency, Variant(Money(15000))},
      {std::string("1,5"), FieldType::kCurrency, Variant(Money(15000))},
      {int64_t{1}, FieldType::kBoolean, Variant(true)},
      {int64_t{200}, FieldType::kByte, Variant::Byte(200)},
      {int64_t{-7}, FieldType::kInteger, Variant::Integer(-7)},
      {2.5, FieldType::kLong, Variant::Long(2)},
      {int64_t{38047}, FieldType::kDate, Variant(Date(38047))},
      {int64_t{12345678901234567}, FieldType::kText, Variant("12345678901234567")},
      {1.5, FieldType::kText, Variant("1,5")},
      {std::string("abc"), FieldType::kLong, Variant("abc")},
      {StoredNull{}, FieldType::kCurrency, Variant::Null()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeFromColumn(c.stored, c.type), c.value) << ::testing::PrintToString(c.stored);
  }
  EXPECT_EQ(DecodeUntyped(int64_t{-2147483648}), Variant::Long(-2147483647 - 1));
  EXPECT_EQ(DecodeUntyped(int64_t{2147483648}), Variant(2147483648.0));
  EXPECT_EQ(DecodeUntyped(std::string("abc")), Variant("abc"));
}

TEST(DecodeTest, ReadingARecordsetsRowIntoAnyVariantGivesWhatTheGeneralReadGives) {
  const StoredValue stored[] = {StoredNull{},
                                int64_t{0},
                                int64_t{-1},
                                int64_t{255},
                                int64_t{32768},
                                int64_t{70000},
                                int64_t{2147483647},
                                int64_t{2147483648},
                                int64_t{-2147483649},
                                1.5,
                                -2.0,
                                std::string(""),
                                std::string("5102"),
                                std::string("1,5"),
                                std::string("abc"),
                                std::string(40, 'x')};
  const FieldType types[] = {FieldType::kBoolean, FieldType::kByte,       FieldType::kInteger,
                             FieldType::kLong,    FieldType::kCurrency,   FieldType::kSingle,
                             FieldType::kDouble,  FieldType::kDate,       FieldType::kBinary,
                             FieldType::kText,    FieldType::kLongBinary, FieldType::kMemo,
                             FieldType::kGUID,    FieldType::kDecimal};
  // What the variant held before: each kind of storage.
  const Variant before[] = {Variant(),      Variant::Null(),   Variant::Long(7),
                            Variant(2.5),   Variant(Money(1)), Variant(Date(2.0)),
                            Variant("old"), Variant::Nothing()};
  for (const StoredValue& value : stored) {
    EXPECT_EQ(StoredOf(ViewOf(value)), value);
    for (FieldType type : types) {
      const Variant expected = DecodeFromColumn(value, type);
      for (const Variant& held : before) {
        SCOPED_TRACE(::testing::PrintToString(value) + " as type " +
                     std::to_string(static_cast<int>(type)) + " over " +
                     ::testing::PrintToString(held));
        Variant into = held;
        DecodeInto(ViewOf(value), type, into);
        EXPECT_EQ(into, expected);
      }
    }
  }
}

TEST(StoredValueTest, ValuesOfTheColumnsKindRoundTrip) {
  const std::vector<std::pair<Variant, FieldType>> cases = {
      {Variant(Money(std::numeric_limits<int64_t>::min())), FieldType::kCurrency},
      {Variant(Money(std::numeric_limits<int64_t>::max())), FieldType::kCurrency},
      {Variant(Date::FromYmd(1899, 12, 29, 6)), FieldType::kDate},
      {Variant(Date::FromYmd(9999, 12, 31, 23, 59, 59)), FieldType::kDate},
      {Variant(0.1), FieldType::kDouble},
  };
  for (const auto& [value, type] : cases) {
    EXPECT_EQ(DecodeFromColumn(EncodeForColumn(value, Column(type)), type), value);
  }
}

}  // namespace
}  // namespace engine
}  // namespace orvalis
