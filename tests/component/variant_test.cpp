// Variant kinds, Currency arithmetic, dates and the runtime's conversions.
#include "orvalis/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "orvalis/error.h"

namespace orvalis {
namespace {

// The number of the Error `action` raises; 0 when it raises none.
template <typename Action>
int32_t ErrorNumber(Action action) {
  try {
    action();
  } catch (const Error& error) {
    return error.number();
  }
  return 0;
}

constexpr int64_t kMaxRaw = std::numeric_limits<int64_t>::max();
constexpr int64_t kMinRaw = std::numeric_limits<int64_t>::min();

Currency Money(int64_t raw) { return Currency::FromRaw(raw); }

// ---- Variant --------------------------------------------------------------------------

TEST(VariantTest, ConstructorsGiveTheirKinds) {
  struct Case {
    Variant value;
    VariantKind kind;
    std::string_view name;
  };
  const std::vector<Case> cases = {
      {Variant(), VariantKind::kEmpty, "Empty"},
      {Variant::Null(), VariantKind::kNull, "Null"},
      {Variant::Integer(-7), VariantKind::kInteger, "Integer"},
      {Variant::Long(70000), VariantKind::kLong, "Long"},
      {Variant(5), VariantKind::kLong, "Long"},
      {Variant::Byte(255), VariantKind::kByte, "Byte"},
      {Variant(true), VariantKind::kBoolean, "Boolean"},
      {Variant(Money(15000)), VariantKind::kCurrency, "Currency"},
      {Variant(1.5), VariantKind::kDouble, "Double"},
      {Variant(Date(2.0)), VariantKind::kDate, "Date"},
      {Variant("abc"), VariantKind::kString, "String"},
      {Variant(std::string_view("abc")), VariantKind::kString, "String"},
      {Variant::Nothing(), VariantKind::kObject, "Object"},
      {Variant::Missing(), VariantKind::kMissing, "Error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.value.kind(), c.kind);
    EXPECT_EQ(KindName(c.value.kind()), c.name);
  }
}

TEST(VariantTest, AccessorsAndPredicates) {
  EXPECT_EQ(Variant::Integer(-7).integer_value(), -7);
  EXPECT_EQ(Variant::Long(-70000).long_value(), -70000);
  EXPECT_EQ(Variant::Byte(200).byte_value(), 200);
  EXPECT_TRUE(Variant(true).boolean_value());
  EXPECT_FALSE(Variant(false).boolean_value());
  EXPECT_EQ(Variant(Money(-5)).currency_value(), Money(-5));
  EXPECT_EQ(Variant(0.25).double_value(), 0.25);
  EXPECT_EQ(Variant(Date(3.5)).date_value(), Date(3.5));
  EXPECT_EQ(Variant("ção").string_value(), "ção");

  EXPECT_TRUE(Variant::Nothing().IsNothing());
  EXPECT_TRUE(Variant::Nothing().IsObject());
  EXPECT_FALSE(Variant().IsNothing());
  EXPECT_TRUE(Variant(Money(1)).IsNumeric());
  EXPECT_TRUE(Variant(true).IsNumeric());
  EXPECT_FALSE(Variant(Date(1.0)).IsNumeric());
  EXPECT_FALSE(Variant("1").IsNumeric());
  EXPECT_FALSE(Variant::Null().IsNumeric());
}

TEST(VariantTest, EqualityNeedsSameKindAndValue) {
  EXPECT_EQ(Variant("a"), Variant(std::string("a")));
  EXPECT_EQ(Variant::Null(), Variant::Null());
  EXPECT_FALSE(Variant::Long(1) == Variant::Integer(1));
  EXPECT_FALSE(Variant(true) == Variant::Long(-1));
  EXPECT_FALSE(Variant() == Variant::Null());
  EXPECT_FALSE(Variant("a") == Variant("A"));
}

// ---- Currency -------------------------------------------------------------------------

TEST(CurrencyTest, AddingTenCentsAMillionTimesIsExact) {
  Currency total;
  const Currency ten_cents = *ParseCurrency("0,10");
  for (int i = 0; i < 1'000'000; ++i) total += ten_cents;
  EXPECT_EQ(total, Currency::FromUnits(100'000));
  EXPECT_EQ(FormatMoney(total), "100.000,00");
}

TEST(CurrencyTest, FromDoubleRoundsHalfToEvenAtTheFourthDecimal) {
  const std::vector<std::pair<double, int64_t>> cases = {
      {1.5, 15000},       {0.1, 1000},   {-0.1, -1000},
      {0.00125, 12},      {0.00135, 14}, {-0.00125, -12},
      {0.00025, 2},       {0.00004, 0},  {123456.78901, 1234567890},
      {-2.00005, -20000}, {0.0, 0},
  };
  for (const auto& [value, raw] : cases) {
    SCOPED_TRACE(value);
    EXPECT_EQ(Currency::FromDouble(value).raw(), raw);
  }
}

TEST(CurrencyTest, ArithmeticAndUnits) {
  EXPECT_EQ(Currency::FromUnits(12).raw(), 120000);
  EXPECT_EQ((Money(15000) + Money(-20000)).raw(), -5000);
  EXPECT_EQ((Money(15000) - Money(20000)).raw(), -5000);
  EXPECT_EQ((-Money(15000)).raw(), -15000);
  EXPECT_EQ(Money(15000).ToDouble(), 1.5);
  EXPECT_LT(Money(-1), Money(0));
}

TEST(CurrencyTest, OutOfRangeRaisesOverflow) {
  EXPECT_EQ(ErrorNumber([] { Money(kMaxRaw) + Money(1); }), 6);
  EXPECT_EQ(ErrorNumber([] { Money(kMinRaw) + Money(-1); }), 6);
  EXPECT_EQ(ErrorNumber([] { Money(kMinRaw) - Money(1); }), 6);
  EXPECT_EQ(ErrorNumber([] { Money(kMaxRaw) - Money(-1); }), 6);
  EXPECT_EQ(ErrorNumber([] { -Money(kMinRaw); }), 6);
  EXPECT_EQ(ErrorNumber([] { Currency::FromUnits(922337203685478); }), 6);
  EXPECT_EQ(ErrorNumber([] { Currency::FromUnits(-922337203685478); }), 6);
  EXPECT_EQ(ErrorNumber([] { Currency::FromDouble(1e15); }), 6);
  EXPECT_EQ(ErrorNumber([] { Currency::FromDouble(std::nan("")); }), 6);
  EXPECT_EQ(ErrorNumber([] { Currency::FromUnits(922337203685477); }), 0);
  EXPECT_EQ(ErrorNumber([] { Money(kMaxRaw) + Money(-1); }), 0);
  const Error error = MakeError(ErrorCode::kOverflow);
  EXPECT_EQ(error.description(), "Overflow");
}

// ---- Reading numbers from text --------------------------------------------------------

TEST(ParseNumberTest, ReadsBrazilianNumbers) {
  const std::vector<std::pair<std::string_view, double>> cases = {
      {"1.234,56", 1234.56},
      {" 12,5 ", 12.5},
      {"-1,5", -1.5},
      {"+3", 3},
      {"0,00", 0},
      {",5", 0.5},
      {"5,", 5},
      {"1.234.567", 1234567},
      {"1.23", 123},
      {"1E3", 1000},
      {"1,5e-2", 0.015},
      {"\t-0,25\t", -0.25},
      {"007", 7},
      {"1e-400", 0},
      {"123456789012345678901234", 1.2345678901234568e23},
  };
  for (const auto& [text, value] : cases) {
    SCOPED_TRACE(text);
    const auto parsed = ParseNumber(text);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(*parsed, value);
  }
}

TEST(ParseNumberTest, RejectsTextsThatAreNotNumbers) {
  for (std::string_view text : {"", "   ", "abc", "-", ",", "+,", "1,2,3", "1..2", ".5", "1.",
                                "12a", "1 2", "1e", "1e+", "--1", "1,5.3", "R$ 1,00", "1e400"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ParseNumber(text).has_value());
  }
}

TEST(ParseCurrencyTest, ReadsExactlyAndRoundsHalfToEvenPastTheFourthDecimal) {
  const std::vector<std::pair<std::string_view, int64_t>> cases = {
      {"1.234,5678", 12345678},
      {"0,00", 0},
      {"-0", 0},
      {"1,23455", 12346},
      {"1,23445", 12344},
      {"1,234451", 12345},
      {"-1,23455", -12346},
      {"0,00005", 0},
      {"0,00015", 2},
      {"0,000051", 1},
      {"0,000001", 0},
      {"1E2", 1000000},
      {"12,5E-5", 1},
      {"0,1", 1000},
      {"922.337.203.685.477,5807", kMaxRaw},
      {"-922337203685477,5808", kMinRaw},
      {"922337203685477,58065", kMaxRaw - 1},
      {"  1.000.000,00  ", 10000000000},
  };
  for (const auto& [text, raw] : cases) {
    SCOPED_TRACE(text);
    const auto parsed = ParseCurrency(text);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->raw(), raw);
  }
}

TEST(ParseCurrencyTest, RejectsNonNumbersAndValuesOutOfRange) {
  for (std::string_view text : {"", "abc", "1,2,3", "922337203685477,5808", "922337203685477,58075",
                                "-922337203685477,5809", "1e30", "99999999999999999999"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ParseCurrency(text).has_value());
  }
}

// ---- Conversions ----------------------------------------------------------------------

TEST(ToTextTest, GivesTheRuntimeTextForm) {
  const std::vector<std::pair<Variant, std::string_view>> cases = {
      {Variant(1.5), "1,5"},
      {Variant(1234.5), "1234,5"},
      {Variant(0.1 + 0.2), "0,3"},
      {Variant(-2.25), "-2,25"},
      {Variant(100.0), "100"},
      {Variant(-0.0), "0"},
      {Variant(1.0 / 3), "0,333333333333333"},
      {Variant(123456789012345.0), "123456789012345"},
      {Variant(1e15), "1E+15"},
      {Variant(0.0001), "0,0001"},
      {Variant(0.00001), "1E-05"},
      {Variant(42), "42"},
      {Variant::Integer(-7), "-7"},
      {Variant::Byte(255), "255"},
      {Variant(Money(125000)), "12,5"},
      {Variant(Money(1000000)), "100"},
      {Variant(Money(-1)), "-0,0001"},
      {Variant(Money(kMaxRaw)), "922337203685477,5807"},
      {Variant(Money(kMinRaw)), "-922337203685477,5808"},
      {Variant(true), "True"},
      {Variant(false), "False"},
      {Variant(Date::FromYmd(2004, 3, 1)), "01/03/2004"},
      {Variant(Date::FromYmd(2004, 3, 1, 14, 30, 5)), "01/03/2004 14:30:05"},
      {Variant(), ""},
      {Variant("abc"), "abc"},
  };
  for (const auto& [value, text] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ToText(value), text);
  }
}

// Each conversion applied to a value, as an int64_t, for one table of integer results.
using IntegerConversion = int64_t (*)(const Variant&);
int64_t AsInteger(const Variant& v) { return ToInteger(v); }
int64_t AsLong(const Variant& v) { return ToLong(v); }
int64_t AsByte(const Variant& v) { return ToByte(v); }

struct IntegerCase {
  std::string_view name;
  IntegerConversion convert;
  Variant value;
  int64_t expected;  // when error is 0
  int32_t error;
};

TEST(IntegerConversionTest, RoundsHalfToEvenAndChecksTheRange) {
  const std::vector<IntegerCase> cases = {
      {"CInt(2,5)", AsInteger, Variant(2.5), 2, 0},
      {"CInt(3,5)", AsInteger, Variant(3.5), 4, 0},
      {"CInt(-2,5)", AsInteger, Variant(-2.5), -2, 0},
      {"CInt(-3,5)", AsInteger, Variant(-3.5), -4, 0},
      {"CInt(2,4999)", AsInteger, Variant(2.4999), 2, 0},
      {"CInt(cur 2,5)", AsInteger, Variant(Money(25000)), 2, 0},
      {"CInt(cur 3,5)", AsInteger, Variant(Money(35000)), 4, 0},
      {"CInt(cur -0,5)", AsInteger, Variant(Money(-5000)), 0, 0},
      {"CInt(cur -1,5)", AsInteger, Variant(Money(-15000)), -2, 0},
      {"CInt(cur -1,5001)", AsInteger, Variant(Money(-15001)), -2, 0},
      {"CInt(cur 1,4999)", AsInteger, Variant(Money(14999)), 1, 0},
      {"CInt(\"2,5\")", AsInteger, Variant("2,5"), 2, 0},
      {"CInt(\"1.234\")", AsInteger, Variant("1.234"), 1234, 0},
      {"CInt(True)", AsInteger, Variant(true), -1, 0},
      {"CInt(Empty)", AsInteger, Variant(), 0, 0},
      {"CInt(date 1,5)", AsInteger, Variant(Date(1.5)), 2, 0},
      {"CInt(32767,4)", AsInteger, Variant(32767.4), 32767, 0},
      {"CInt(-32768,5)", AsInteger, Variant(-32768.5), -32768, 0},
      {"CInt(32767,5)", AsInteger, Variant(32767.5), 0, 6},
      {"CInt(40000)", AsInteger, Variant(40000), 0, 6},
      {"CLng(2147483647)", AsLong, Variant(2147483647.0), 2147483647, 0},
      {"CLng(2147483647,5)", AsLong, Variant(2147483647.5), 0, 6},
      {"CLng(1e10)", AsLong, Variant(1e10), 0, 6},
      {"CLng(cur max)", AsLong, Variant(Money(kMaxRaw)), 0, 6},
      {"CLng(NaN)", AsLong, Variant(std::nan("")), 0, 6},
      {"CLng(\"abc\")", AsLong, Variant("abc"), 0, 13},
      {"CLng(\"\")", AsLong, Variant(""), 0, 13},
      {"CLng(Null)", AsLong, Variant::Null(), 0, 94},
      {"CLng(Nothing)", AsLong, Variant::Nothing(), 0, 13},
      {"CLng(Missing)", AsLong, Variant::Missing(), 0, 13},
      {"CByte(255,4)", AsByte, Variant(255.4), 255, 0},
      {"CByte(-0,5)", AsByte, Variant(-0.5), 0, 0},
      {"CByte(255,5)", AsByte, Variant(255.5), 0, 6},
      {"CByte(-1)", AsByte, Variant(-1), 0, 6},
      {"CByte(True)", AsByte, Variant(true), 0, 6},
  };
  for (const IntegerCase& c : cases) {
    SCOPED_TRACE(c.name);
    int64_t result = 0;
    EXPECT_EQ(ErrorNumber([&] { result = c.convert(c.value); }), c.error);
    if (c.error == 0) {
      EXPECT_EQ(result, c.expected);
    }
  }
}

TEST(ToBooleanTest, ReadsWordsAndNumbers) {
  const std::vector<std::pair<Variant, bool>> cases = {
      {Variant("True"), true},   {Variant("false"), false},  {Variant("TRUE"), true},
      {Variant(" true "), true}, {Variant("0"), false},      {Variant("-1"), true},
      {Variant("0,5"), true},    {Variant("0,00"), false},   {Variant(0), false},
      {Variant(0.1), true},      {Variant(Money(0)), false}, {Variant(Money(1)), true},
      {Variant(), false},        {Variant(true), true},      {Variant(Date(0.0)), false},
  };
  for (const auto& [value, expected] : cases) {
    SCOPED_TRACE(ToText(value));
    EXPECT_EQ(ToBoolean(value), expected);
  }
}

TEST(ConversionErrorTest, RaiseTypeMismatchInvalidUseOfNullOrOverflow) {
  EXPECT_EQ(ErrorNumber([] { ToBoolean(Variant("abc")); }), 13);
  EXPECT_EQ(ErrorNumber([] { ToBoolean(Variant("")); }), 13);
  EXPECT_EQ(ErrorNumber([] { ToBoolean(Variant("Truex")); }), 13);
  EXPECT_EQ(ErrorNumber([] { ToBoolean(Variant::Null()); }), 94);
  EXPECT_EQ(ErrorNumber([] { ToText(Variant::Null()); }), 94);
  EXPECT_EQ(ErrorNumber([] { ToText(Variant::Nothing()); }), 13);
  EXPECT_EQ(ErrorNumber([] { ToText(Variant::Missing()); }), 13);
  EXPECT_EQ(ErrorNumber([] { ToDouble(Variant("x")); }), 13);
  EXPECT_EQ(ErrorNumber([] { ToDouble(Variant::Null()); }), 94);
  EXPECT_EQ(ErrorNumber([] { ToCurrency(Variant("abc")); }), 13);
  EXPECT_EQ(ErrorNumber([] { ToCurrency(Variant("1e30")); }), 6);
  EXPECT_EQ(ErrorNumber([] { ToCurrency(Variant(1e30)); }), 6);
  EXPECT_EQ(ErrorNumber([] { ToCurrency(Variant::Null()); }), 94);
  EXPECT_EQ(ErrorNumber([] { ToDate(Variant("abc")); }), 13);
  EXPECT_EQ(ErrorNumber([] { ToDate(Variant("")); }), 13);
  EXPECT_EQ(ErrorNumber([] { ToDate(Variant::Null()); }), 94);
  EXPECT_EQ(ErrorNumber([] { ToDate(Variant(1e10)); }), 6);
  EXPECT_EQ(ErrorNumber([] { ToDate(Variant(-657435.0)); }), 6);
}

TEST(ConversionTest, NumbersCurrencyAndDates) {
  EXPECT_EQ(ToDouble(Variant("1.234,56")), 1234.56);
  EXPECT_EQ(ToDouble(Variant(true)), -1);
  EXPECT_EQ(ToDouble(Variant(Date(38047.5))), 38047.5);
  EXPECT_EQ(ToDouble(Variant(Money(15000))), 1.5);
  EXPECT_EQ(ToDouble(Variant()), 0);

  EXPECT_EQ(ToCurrency(Variant("1.234,5678")).raw(), 12345678);
  EXPECT_EQ(ToCurrency(Variant(true)).raw(), -10000);
  EXPECT_EQ(ToCurrency(Variant(5)).raw(), 50000);
  EXPECT_EQ(ToCurrency(Variant(0.1)).raw(), 1000);
  EXPECT_EQ(ToCurrency(Variant()).raw(), 0);

  EXPECT_EQ(ToDate(Variant("01/03/2004")), Date(38047));
  EXPECT_EQ(ToDate(Variant(38047.5)), Date(38047.5));
  EXPECT_EQ(ToDate(Variant(2)), Date(2));
  EXPECT_EQ(ToDate(Variant(Money(25000))), Date(2.5));
  EXPECT_EQ(ToDate(Variant()), Date(0));
}

// ---- Dates ----------------------------------------------------------------------------

TEST(DateTest, SerialsOfKnownDays) {
  EXPECT_EQ(Date::FromYmd(1899, 12, 30).serial(), 0);
  EXPECT_EQ(Date::FromYmd(1900, 1, 1).serial(), 2);
  EXPECT_EQ(Date::FromYmd(1900, 3, 1).serial(), 61);  // 1900 is not a leap year
  EXPECT_EQ(Date::FromYmd(2000, 1, 1).serial(), 36526);
  EXPECT_EQ(Date::FromYmd(2004, 3, 1).serial(), 38047);
  EXPECT_EQ(Date::FromYmd(2004, 3, 1, 12).serial(), 38047.5);
  EXPECT_EQ(Date::FromYmd(9999, 12, 31).serial(), 2958465);
  EXPECT_EQ(Date::FromYmd(100, 1, 1).serial(), -657434);
  // Before the epoch the fraction counts forward from the day's midnight.
  EXPECT_EQ(Date::FromYmd(1899, 12, 29, 6).serial(), -1.25);
  EXPECT_EQ(Date::FromYmd(1899, 12, 28, 18).serial(), -2.75);
}

TEST(DateTest, EveryDayFrom1900To9999RoundTrips) {
  int previous_year = 1899, previous_month = 12, previous_day = 31;
  for (int serial = 2; serial <= 2958465; ++serial) {
    int year, month, day;
    Date(serial + 0.5).ToYmd(year, month, day);
    const bool next_day =
        day == previous_day + 1 && month == previous_month && year == previous_year;
    const bool next_month =
        day == 1 && (month == previous_month + 1 || (month == 1 && year == previous_year + 1));
    ASSERT_TRUE(next_day || next_month) << serial;
    ASSERT_EQ(Date::FromYmd(year, month, day, 12).serial(), serial + 0.5) << serial;
    previous_year = year, previous_month = month, previous_day = day;
  }
  EXPECT_EQ(previous_year, 9999);
}

TEST(DateTest, SplitsTimesToTheNearestSecond) {
  int hour, minute, second;
  Date::FromYmd(2004, 3, 1, 23, 59, 59).ToHms(hour, minute, second);
  EXPECT_EQ(hour * 10000 + minute * 100 + second, 235959);
  Date(-1.25).ToHms(hour, minute, second);
  EXPECT_EQ(hour * 10000 + minute * 100 + second, 60000);
  int year, month, day;
  Date(-1.25).ToYmd(year, month, day);
  EXPECT_EQ(year * 10000 + month * 100 + day, 18991229);
  // A time a hair before midnight rounds to the next day.
  EXPECT_EQ(FormatDate(Date(38047.999999999)), "02/03/2004");
}

TEST(DateTest, FromYmdRejectsDaysThatDoNotExist) {
  const std::vector<std::vector<int>> cases = {
      {2004, 2, 30},          {2003, 2, 29},
      {1900, 2, 29},          {2004, 13, 1},
      {2004, 0, 1},           {2004, 1, 0},
      {2004, 1, 257},         {99, 1, 1},
      {10000, 1, 1},          {2004, 1, 1, 24, 0, 0},
      {2004, 1, 1, 0, 60, 0}, {2004, 1, 1, 0, 0, 60},
      {2004, 1, 1, -1, 0, 0},
  };
  for (const auto& f : cases) {
    SCOPED_TRACE(testing::PrintToString(f));
    const int error = ErrorNumber([&] {
      Date::FromYmd(f[0], f[1], f[2], f.size() > 3 ? f[3] : 0, f.size() > 3 ? f[4] : 0,
                    f.size() > 3 ? f[5] : 0);
    });
    EXPECT_EQ(error, 5);
  }
  EXPECT_EQ(ErrorNumber([] { Date::FromYmd(2000, 2, 29); }), 0);
}

TEST(FormatDateTest, DayFirstWithTimeWhenNotMidnight) {
  const std::vector<std::pair<double, std::string_view>> cases = {
      {2, "01/01/1900"},
      {38047, "01/03/2004"},
      {38047.75, "01/03/2004 18:00:00"},
      {0, "00:00:00"},
      {0.5, "12:00:00"},
      {-0.5, "12:00:00"},
      {-1.25, "29/12/1899 06:00:00"},
      {-657434, "01/01/0100"},
      {2958465.5, "31/12/9999 12:00:00"},
  };
  for (const auto& [serial, text] : cases) {
    SCOPED_TRACE(serial);
    EXPECT_EQ(FormatDate(Date(serial)), text);
  }
}

TEST(ParseDateTest, ReadsTheAcceptedForms) {
  const std::vector<std::pair<std::string_view, std::string_view>> cases = {
      {"01/03/2004", "01/03/2004"},
      {"1/3/2004", "01/03/2004"},
      {"1/3/04", "01/03/2004"},
      {"1/3/29", "01/03/2029"},
      {"1/3/30", "01/03/1930"},
      {"31/12/99", "31/12/1999"},
      {"1/1/00", "01/01/2000"},
      {"2004-03-01", "01/03/2004"},
      {"2004-3-1", "01/03/2004"},
      {"01-03-2004", "01/03/2004"},
      {"01.03.2004", "01/03/2004"},
      {"29/02/2004", "29/02/2004"},
      {"01/03/2004 14:30", "01/03/2004 14:30:00"},
      {"01/03/2004 14:30:05", "01/03/2004 14:30:05"},
      {"  01/03/2004   8:05:09 ", "01/03/2004 08:05:09"},
      {"2004-03-01 00:00:00", "01/03/2004"},
      {"03/2004", "01/03/2004"},
      {"3/2004", "01/03/2004"},
      {"12/45", "01/12/1945"},
      {"2004/03", "01/03/2004"},
      {"14:30", "14:30:00"},
  };
  for (const auto& [text, formatted] : cases) {
    SCOPED_TRACE(text);
    const auto date = ParseDate(text);
    ASSERT_TRUE(date.has_value());
    EXPECT_EQ(FormatDate(*date), formatted);
  }
}

TEST(ParseDateTest, RejectsTextsThatAreNotDates) {
  for (std::string_view text : {"",
                                "   ",
                                "abc",
                                "31/02/2004",
                                "29/02/2003",
                                "31/04/2004",
                                "00/01/2004",
                                "32/01/2004",
                                "01/13/2004",
                                "13/2004",
                                "01/03/2004 25:00",
                                "01/03/2004 10",
                                "01/03/2004 10:60",
                                "01//2004",
                                "1/2/3/4",
                                "01/03/2004x",
                                "12345/01/01",
                                "2004-03-01T10:00",
                                "01/03/0099",
                                "1/3/2004 12:00 extra"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ParseDate(text).has_value());
  }
}

TEST(ParseDateTest, DayAndMonthAloneTakeTheCurrentYear) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const auto date = ParseDate("15/03");
  ASSERT_TRUE(date.has_value());
  int year, month, day;
  date->ToYmd(year, month, day);
  EXPECT_EQ(year, local.tm_year + 1900);
  EXPECT_EQ(month * 100 + day, 315);
}

TEST(DaysBetweenTest, CountsMidnights) {
  const Date late = Date::FromYmd(2003, 12, 31, 23);
  const Date early_next = Date::FromYmd(2004, 1, 1, 1);
  EXPECT_EQ(DaysBetween(late, early_next), 1);
  EXPECT_EQ(DaysBetween(early_next, late), -1);
  EXPECT_EQ(DaysBetween(Date::FromYmd(2004, 3, 1), Date::FromYmd(2004, 3, 1, 23, 59, 59)), 0);
  EXPECT_EQ(DaysBetween(Date::FromYmd(2004, 1, 1), Date::FromYmd(2005, 1, 1)), 366);
  // Across the epoch: 29/12/1899 18:00 (-1,75) to 30/12/1899 06:00 (0,25).
  EXPECT_EQ(DaysBetween(Date(-1.75), Date(0.25)), 1);
}

}  // namespace
}  // namespace orvalis
