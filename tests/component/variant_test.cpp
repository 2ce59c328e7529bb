// Variant equality, Currency arithmetic, reading numbers and dates from text, dates and the
// runtime's conversions.
#include "orvalis/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "orvalis/error.h"
#include "support/test_support.h"

namespace orvalis {
namespace {

using testing::ErrorOf;

constexpr int64_t kMaxRaw = std::numeric_limits<int64_t>::max();
constexpr int64_t kMinRaw = std::numeric_limits<int64_t>::min();

Currency Money(int64_t raw) { return Currency::FromRaw(raw); }

// ---- Currency -------------------------------------------------------------------------

TEST(CurrencyTest, AddingTenCentsAMillionTimesIsExact) {
  Currency total;
  const Currency ten_cents = *ParseCurrency("0,10");
  for (int i = 0; i < 1'000'000; ++i) total += ten_cents;
  EXPECT_EQ(total, Currency::FromUnits(100'000));
  EXPECT_EQ(FormatMoney(total), "100.000,00");
}

TEST(CurrencyTest, FromDoubleRoundsHalfToEvenAndOutOfRangeRaisesOverflow) {
  const std::vector<std::pair<double, int64_t>> cases = {
      {0.1, 1000},     {0.00125, 12},      {0.00135, 14},
      {-0.00125, -12}, {-2.00005, -20000}, {123456.78901, 1234567890},
  };
  for (const auto& [value, raw] : cases) EXPECT_EQ(Currency::FromDouble(value).raw(), raw) << value;
  EXPECT_EQ(ErrorOf([] { Money(kMaxRaw) + Money(1); }), 6);
  EXPECT_EQ(ErrorOf([] { Money(kMinRaw) - Money(1); }), 6);
  EXPECT_EQ(ErrorOf([] { -Money(kMinRaw); }), 6);
  EXPECT_EQ(ErrorOf([] { Currency::FromUnits(922337203685478); }), 6);
  EXPECT_EQ(ErrorOf([] { Currency::FromDouble(std::nan("")); }), 6);
  EXPECT_EQ(ErrorOf([] { Currency::FromUnits(922337203685477); }), 0);
}

// ---- Reading numbers from text --------------------------------------------------------

TEST(ParseNumberTest, ReadsBrazilianNumbersAndCurrencyExactly) {
  const std::vector<std::pair<std::string_view, double>> numbers = {
      {"1.234,56", 1234.56}, {"\t-0,25\t", -0.25}, {",5", 0.5},
      {"1.23", 123},         {"1,5e-2", 0.015},    {"1e-400", 0},
  };
  for (const auto& [text, value] : numbers) EXPECT_EQ(ParseNumber(text), value) << text;
  for (std::string_view text :
       {"", "-", "+,", "1,2,3", "1..2", ".5", "1.", "12a", "1 2", "1e400"}) {
    EXPECT_FALSE(ParseNumber(text).has_value()) << text;
  }
  // Currency is read exactly and rounded half to even past the fourth decimal.
  const std::vector<std::pair<std::string_view, int64_t>> amounts = {
      {"1.234,5678", 12345678},
      {"1,23455", 12346},
      {"1,23445", 12344},
      {"1,234451", 12345},
      {"-1,23455", -12346},
      {"12,5E-5", 1},
      {"922.337.203.685.477,5807", kMaxRaw},
      {"-922337203685477,5808", kMinRaw},
      {"922337203685477,58065", kMaxRaw - 1},
  };
  for (const auto& [text, raw] : amounts) EXPECT_EQ(ParseCurrency(text), Money(raw)) << text;
  for (std::string_view text : {"abc", "922337203685477,58075", "-922337203685477,5809"}) {
    EXPECT_FALSE(ParseCurrency(text).has_value()) << text;
  }
}

// ---- Conversions ----------------------------------------------------------------------

TEST(ToTextTest, GivesTheRuntimeTextForm) {
  const std::vector<std::pair<Variant, std::string_view>> cases = {
      {Variant(0.1 + 0.2), "0,3"},
      {Variant(1.0 / 3), "0,333333333333333"},
      {Variant(1e15), "1E+15"},
      {Variant(0.00001), "1E-05"},
      {Variant(Money(-1)), "-0,0001"},
      {Variant(Money(kMinRaw)), "-922337203685477,5808"},
      {Variant(true), "True"},
      {Variant(Date::FromYmd(2004, 3, 1, 14, 30, 5)), "01/03/2004 14:30:05"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(ToText(value), text);
}

TEST(IntegerConversionTest, RoundsHalfToEvenAndChecksTheRange) {
  EXPECT_EQ(ToInteger(Variant(2.5)), 2);
  EXPECT_EQ(ToInteger(Variant(-3.5)), -4);
  EXPECT_EQ(ToInteger(Variant(Money(-5000))), 0);
  EXPECT_EQ(ToInteger(Variant(Money(-15000))), -2);
  EXPECT_EQ(ToInteger(Variant(true)), -1);
  EXPECT_EQ(ToInteger(Variant(-32768.5)), -32768);
  EXPECT_EQ(ToByte(Variant(-0.5)), 0);
  EXPECT_EQ(ErrorOf([] { ToInteger(Variant(32767.5)); }), 6);
  EXPECT_EQ(ErrorOf([] { ToLong(Variant(2147483647.5)); }), 6);
  EXPECT_EQ(ErrorOf([] { ToByte(Variant(true)); }), 6);
  EXPECT_EQ(ErrorOf([] { ToLong(Variant("abc")); }), 13);
  EXPECT_EQ(ErrorOf([] { ToLong(Variant::Null()); }), 94);
}

TEST(ConversionTest, BooleansNumbersCurrencyDatesAndTheirErrors) {
  EXPECT_TRUE(ToBoolean(Variant(" true ")));
  EXPECT_FALSE(ToBoolean(Variant("0,00")));
  EXPECT_TRUE(ToBoolean(Variant(0.1)));
  EXPECT_FALSE(ToBoolean(Variant()));
  EXPECT_EQ(ToDouble(Variant(true)), -1);
  EXPECT_EQ(ToCurrency(Variant(true)).raw(), -10000);
  EXPECT_EQ(ToCurrency(Variant(0.1)).raw(), 1000);
  EXPECT_EQ(ToDate(Variant(Money(25000))), Date(2.5));
  EXPECT_EQ(ErrorOf([] { ToBoolean(Variant("Truex")); }), 13);
  EXPECT_EQ(ErrorOf([] { ToText(Variant::Null()); }), 94);
  EXPECT_EQ(ErrorOf([] { ToText(Variant::Missing()); }), 13);
  EXPECT_EQ(ErrorOf([] { ToCurrency(Variant("1e30")); }), 6);
  EXPECT_EQ(ErrorOf([] { ToDate(Variant("")); }), 13);
  EXPECT_EQ(ErrorOf([] { ToDate(Variant(-657435.0)); }), 6);
  // Equal values need the same kind.
  EXPECT_FALSE(Variant::Long(1) == Variant::Integer(1));
  EXPECT_FALSE(Variant() == Variant::Null());
}

// ---- Dates ----------------------------------------------------------------------------

TEST(DateTest, SerialsOfKnownDaysAndTimes) {
  EXPECT_EQ(Date::FromYmd(1900, 3, 1).serial(), 61);  // 1900 is not a leap year
  EXPECT_EQ(Date::FromYmd(100, 1, 1).serial(), -657434);
  // Before the epoch the fraction counts forward from the day's midnight.
  EXPECT_EQ(Date::FromYmd(1899, 12, 28, 18).serial(), -2.75);
  int hour, minute, second, year, month, day;
  Date(-1.25).ToHms(hour, minute, second);
  EXPECT_EQ(hour * 10000 + minute * 100 + second, 60000);
  Date(-1.25).ToYmd(year, month, day);
  EXPECT_EQ(year * 10000 + month * 100 + day, 18991229);
  for (const auto& [y, m, d, h] : std::vector<std::tuple<int, int, int, int>>{
           {2003, 2, 29, 0}, {1900, 2, 29, 0}, {2004, 13, 1, 0}, {99, 1, 1, 0}, {2004, 1, 1, 24}}) {
    EXPECT_EQ(ErrorOf([&] { Date::FromYmd(y, m, d, h); }), 5) << y << "-" << m << "-" << d;
  }
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

TEST(FormatDateTest, DayFirstWithTimeWhenNotMidnight) {
  const std::vector<std::pair<double, std::string_view>> cases = {
      {38047.75, "01/03/2004 18:00:00"}, {-0.5, "12:00:00"},
      {-1.25, "29/12/1899 06:00:00"},    {-657434, "01/01/0100"},
      {38047.999999999, "02/03/2004"},  // a hair before midnight rounds to the next day
  };
  for (const auto& [serial, text] : cases) EXPECT_EQ(FormatDate(Date(serial)), text) << serial;
}

TEST(ParseDateTest, ReadsTheAcceptedFormsDayFirst) {
  const std::vector<std::pair<std::string_view, std::string_view>> cases = {
      {"1/3/2004", "01/03/2004"},   {"1/3/29", "01/03/2029"},
      {"1/3/30", "01/03/1930"},     {"2004-3-1", "01/03/2004"},
      {"01.03.2004", "01/03/2004"}, {"  01/03/2004   8:05:09 ", "01/03/2004 08:05:09"},
      {"03/2004", "01/03/2004"},    {"12/45", "01/12/1945"},
      {"2004/03", "01/03/2004"},    {"14:30", "14:30:00"},
  };
  auto read = [](std::string_view text) {
    const auto date = ParseDate(text);
    return date ? FormatDate(*date) : "(none)";
  };
  for (const auto& [text, formatted] : cases) EXPECT_EQ(read(text), formatted) << text;
  for (std::string_view text : {"", "31/02/2004", "29/02/2003", "01/13/2004", "13/2004",
                                "01/03/2004 10", "1/2/3/4", "01/03/2004x", "01/03/0099"}) {
    EXPECT_EQ(read(text), "(none)") << text;
  }
  // Day and month alone take the current year.
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  EXPECT_EQ(read("15/03"), "15/03/" + std::to_string(local.tm_year + 1900));
}

TEST(DaysBetweenTest, CountsMidnights) {
  const Date late = Date::FromYmd(2003, 12, 31, 23);
  const Date early_next = Date::FromYmd(2004, 1, 1, 1);
  EXPECT_EQ(DaysBetween(late, early_next), 1);
  EXPECT_EQ(DaysBetween(early_next, late), -1);
  // Across the epoch: 29/12/1899 18:00 (-1,75) to 30/12/1899 06:00 (0,25).
  EXPECT_EQ(DaysBetween(Date(-1.75), Date(0.25)), 1);
}

}  // namespace
}  // namespace orvalis
