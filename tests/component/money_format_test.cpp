// FormatMoney: the "#,##0.00" format under Brazilian conventions, checked against ICU's
// pt-BR number formatter, and its conversion of other values.
#include <gtest/gtest.h>
#include <unicode/numberformatter.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "orvalis/error.h"
#include "orvalis/variant.h"
#include "support/test_support.h"

namespace orvalis {
namespace {

constexpr int64_t kMaxRaw = std::numeric_limits<int64_t>::max();
constexpr int64_t kMinRaw = std::numeric_limits<int64_t>::min();

TEST(FormatMoneyTest, ConvertsVariantsFirst) {
  const std::vector<std::pair<Variant, std::string_view>> cases = {
      {Variant::Null(), ""},
      {Variant(), ""},
      {Variant("1.234,5"), "1.234,50"},
      {Variant(" -0,004 "), "0,00"},
      {Variant(-0.005), "-0,01"},
      {Variant::Integer(-3), "-3,00"},
      {Variant(true), "-1,00"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(FormatMoney(value), text);
  EXPECT_EQ(testing::ErrorOf([] { FormatMoney(Variant("abc")); }), 13);
  EXPECT_EQ(testing::ErrorOf([] { FormatMoney(Variant(1e20)); }), 6);
}

// ---- Agreement with ICU ---------------------------------------------------------------

// The amount as a plain decimal string ("-1234.5678"), so ICU never sees a double.
std::string DecimalString(Currency amount) {
  const int64_t raw = amount.raw();
  const uint64_t magnitude = raw < 0 ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
  std::string text = raw < 0 ? "-" : "";
  text += std::to_string(magnitude / 10000);
  text += '.';
  text += std::to_string(magnitude % 10000 + 10000).substr(1);
  return text;
}

// ICU's pt-BR rendering with two decimals, ties away from zero, grouping always on and no
// sign on a value that rounds to zero.
std::string IcuMoney(Currency amount) {
  static const icu::number::LocalizedNumberFormatter formatter =
      icu::number::NumberFormatter::withLocale(icu::Locale("pt", "BR"))
          .precision(icu::number::Precision::fixedFraction(2))
          .roundingMode(UNUM_ROUND_HALFUP)
          .grouping(UNUM_GROUPING_ON_ALIGNED)
          .sign(UNUM_SIGN_NEGATIVE);
  UErrorCode status = U_ZERO_ERROR;
  const std::string decimal = DecimalString(amount);
  const icu::UnicodeString text =
      formatter.formatDecimal(icu::StringPiece(decimal), status).toString(status);
  EXPECT_FALSE(U_FAILURE(status)) << u_errorName(status);
  std::string utf8;
  return text.toUTF8String(utf8);
}

// Values whose rounding or grouping is delicate.
std::vector<int64_t> EdgeAmounts() {
  std::vector<int64_t> raws = {
      0,       1,       -1,           49,           -49,          50,          -50,       51,
      -51,     9999950, -9999950,     9999949,      -9999949,     10000000,    -10000000, 99999950,
      kMaxRaw, kMinRaw, kMaxRaw - 49, kMaxRaw - 50, kMinRaw + 50, kMinRaw + 49};
  int64_t power = 1;
  for (int digits = 1; digits <= 18; ++digits) {
    power *= 10;
    raws.insert(raws.end(), {power - 50, power - 51, -(power - 50), power, -power});
  }
  return raws;
}

// A deterministic sweep over every magnitude; one in four values is a tie at the cent.
std::vector<int64_t> SweepAmounts() {
  std::mt19937_64 random(20040301);
  std::vector<int64_t> raws;
  for (int i = 0; i < 4000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 18);
    int64_t modulus = 1;
    for (int d = 0; d < digits; ++d) modulus *= 10;
    int64_t raw = static_cast<int64_t>(random() % static_cast<uint64_t>(modulus));
    if (i % 4 == 0) raw = raw - raw % 100 + 50;
    raws.push_back(random() % 2 == 0 ? raw : -raw);
  }
  return raws;
}

// Rounding half away from zero, grouping, no sign on an amount that rounds to zero.
TEST(FormatMoneyIcuTest, AgreesWithIcuOnEdgeAmountsAndASweep) {
  std::vector<int64_t> raws = EdgeAmounts();
  for (int64_t raw : SweepAmounts()) raws.push_back(raw);
  for (const int64_t raw : raws) {
    const Currency amount = Currency::FromRaw(raw);
    ASSERT_EQ(FormatMoney(amount), IcuMoney(amount)) << DecimalString(amount);
  }
}

}  // namespace
}  // namespace orvalis
