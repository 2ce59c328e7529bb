// The runtime's conversions between variant kinds, under Brazilian conventions.
#include <algorithm>
#include <charconv>
#include <limits>
#include <string>
#include <variant>

#include "component/rounding.h"
#include "component/text_scan.h"
#include "orvalis/error.h"
#include "orvalis/variant.h"

namespace orvalis {

namespace {

[[noreturn]] void ThrowOverflow() { throw MakeError(ErrorCode::kOverflow); }
[[noreturn]] void ThrowTypeMismatch() { throw MakeError(ErrorCode::kTypeMismatch); }

// ---- Reading numbers from text --------------------------------------------------------

// A number read from text: its value is digits x 10^exponent, negated when `negative`.
// The digits carry no leading or trailing zeros; zero has no digits.
struct DecimalText {
  bool negative = false;
  std::string digits;
  int64_t exponent = 0;
};

// Exponents beyond this are clamped: far outside every range the callers accept.
constexpr int64_t kExponentCap = 100000;

// Reads the exponent of "1,5E-3" from just after the 'E'; false when it is malformed.
bool ReadExponent(std::string_view text, size_t& i, int64_t& exponent) {
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  const size_t start = i;
  int64_t value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = std::min(value * 10 + (text[i] - '0'), kExponentCap);
  }
  exponent += negative ? -value : value;
  return i > start;
}

void StripZeros(DecimalText& number) {
  std::string& digits = number.digits;
  const size_t last = digits.find_last_not_of('0');
  if (last == std::string::npos) {
    digits.clear();
    return;
  }
  number.exponent += static_cast<int64_t>(digits.size() - last - 1);
  digits.erase(last + 1);
  digits.erase(0, digits.find_first_not_of('0'));
}

// The one reader of numeric text: blanks around, an optional sign, digits with single
// full stops between them (thousands), an optional comma and decimals, an optional
// exponent ("1,5E3"). Nothing when the text is anything else or has no digit.
std::optional<DecimalText> ReadDecimalText(std::string_view text) {
  text = TrimBlanks(text);
  DecimalText number;
  size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) number.negative = text[i++] == '-';
  bool any_digit = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    const bool grouping =
        c == '.' && i > 0 && IsDigit(text[i - 1]) && i + 1 < text.size() && IsDigit(text[i + 1]);
    if (!IsDigit(c) && !grouping) break;
    if (IsDigit(c)) number.digits.push_back(c), any_digit = true;
  }
  if (i < text.size() && text[i] == ',') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i) {
      number.digits.push_back(text[i]);
      --number.exponent;
      any_digit = true;
    }
  }
  if (!any_digit) return std::nullopt;
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
    if (!ReadExponent(text, ++i, number.exponent)) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  StripZeros(number);
  return number;
}

// ---- Numeric view of a variant --------------------------------------------------------

using Number = std::variant<int64_t, Currency, double>;

// The number a variant stands for in a numeric conversion: Booleans are -1/0, dates their
// serial, texts read with ParseNumber (13 when they are not numbers), Empty 0.
Number NumericValue(const Variant& value) {
  switch (value.kind()) {
    case VariantKind::kEmpty:
      return int64_t{0};
    case VariantKind::kNull:
      throw MakeError(ErrorCode::kInvalidUseOfNull);
    case VariantKind::kInteger:
      return int64_t{value.integer_value()};
    case VariantKind::kLong:
      return int64_t{value.long_value()};
    case VariantKind::kByte:
      return int64_t{value.byte_value()};
    case VariantKind::kBoolean:
      return int64_t{value.boolean_value() ? -1 : 0};
    case VariantKind::kCurrency:
      return value.currency_value();
    case VariantKind::kDouble:
      return value.double_value();
    case VariantKind::kDate:
      return value.date_value().serial();
    case VariantKind::kString:
      if (const auto number = ParseNumber(value.string_value())) return *number;
      ThrowTypeMismatch();
    case VariantKind::kObject:
    case VariantKind::kMissing:
      ThrowTypeMismatch();
  }
  ThrowTypeMismatch();
}

uint64_t Magnitude(int64_t value) {
  return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

// Whole units of a currency amount, ties to even.
int64_t RoundedUnits(Currency amount) {
  const int64_t quotient = amount.raw() / 10000;
  const uint64_t rest = Magnitude(amount.raw() % 10000);
  const bool away = rest > 5000 || (rest == 5000 && quotient % 2 != 0);
  return away ? quotient + (amount.raw() < 0 ? -1 : 1) : quotient;
}

// The value rounded half to even; Error 6 outside [min, max].
int64_t RoundedInteger(const Variant& value, int64_t min, int64_t max) {
  const Number number = NumericValue(value);
  int64_t result = 0;
  if (const auto* whole = std::get_if<int64_t>(&number)) {
    result = *whole;
  } else if (const auto* amount = std::get_if<Currency>(&number)) {
    result = RoundedUnits(*amount);
  } else {
    const double rounded = RoundHalfEven(std::get<double>(number));
    if (!(rounded >= static_cast<double>(min) && rounded <= static_cast<double>(max))) {
      ThrowOverflow();
    }
    result = static_cast<int64_t>(rounded);
  }
  if (result < min || result > max) ThrowOverflow();
  return result;
}

// ---- Text forms -----------------------------------------------------------------------

// "12,5", "100", "-0,0001": the amount without trailing decimal zeros.
std::string CurrencyText(Currency amount) {
  const uint64_t magnitude = Magnitude(amount.raw());
  std::string text = amount.raw() < 0 ? "-" : "";
  text += std::to_string(magnitude / 10000);
  if (const uint64_t fraction = magnitude % 10000; fraction != 0) {
    std::string decimals = std::to_string(fraction + 10000).substr(1);
    decimals.erase(decimals.find_last_not_of('0') + 1);
    text += ',' + decimals;
  }
  return text;
}

// Up to 15 significant digits, exponent form outside 1E-5..1E15 ("1E+15", "1E-05").
std::string DoubleText(double value) {
  if (value == 0) return "0";  // also -0
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  std::string text(buffer, result.ptr);
  std::replace(text.begin(), text.end(), '.', ',');
  std::replace(text.begin(), text.end(), 'e', 'E');
  return text;
}

// Full stops between groups of three digits: 1234567 -> "1.234.567".
std::string GroupedDigits(uint64_t value) {
  std::string digits = std::to_string(value);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(i, 1, '.');
  return digits;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view lower) {
  return text.size() == lower.size() &&
         std::equal(text.begin(), text.end(), lower.begin(),
                    [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b; });
}

// Open bounds of the serials of years 100 to 9999: a serial of 01/01/100 is above
// -657435 (its time counts away from zero), one of 31/12/9999 below 2958466.
constexpr double kSerialLowerBound = -657435.0;
constexpr double kSerialUpperBound = 2958466.0;

}  // namespace

// ---- Public conversions ---------------------------------------------------------------

std::optional<double> ParseNumber(std::string_view text) {
  const auto number = ReadDecimalText(text);
  if (!number) return std::nullopt;
  if (number->digits.empty()) return 0.0;
  const std::string plain = number->digits + 'e' + std::to_string(number->exponent);
  double value = 0;
  const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    const int64_t magnitude = static_cast<int64_t>(number->digits.size()) + number->exponent;
    if (magnitude > 0) return std::nullopt;  // beyond the double range
    value = 0;                               // below the smallest double
  }
  return number->negative ? -value : value;
}

std::optional<Currency> ParseCurrency(std::string_view text) {
  const auto number = ReadDecimalText(text);
  if (!number) return std::nullopt;
  const std::string& digits = number->digits;
  const int64_t size = static_cast<int64_t>(digits.size());
  // Digits that make whole ten-thousandths; the rest decides the rounding.
  const int64_t kept = size + number->exponent + 4;
  if (kept > 19) return std::nullopt;  // at least 10^19 ten-thousandths: out of range
  uint64_t magnitude = 0;
  for (int64_t k = 0; k < kept; ++k) magnitude = magnitude * 10 + (k < size ? digits[k] - '0' : 0);
  if (kept >= 0 && kept < size) {
    // Trailing zeros are stripped, so any digit after the first dropped one is nonzero.
    const char first_dropped = digits[kept];
    const bool more = kept + 1 < size;
    if (first_dropped > '5' || (first_dropped == '5' && (more || magnitude % 2 == 1))) {
      ++magnitude;
    }
  }
  const uint64_t limit = uint64_t{1} << 63;  // one past the positive maximum
  if (magnitude > limit || (magnitude == limit && !number->negative)) return std::nullopt;
  return Currency::FromRaw(number->negative ? static_cast<int64_t>(0 - magnitude)
                                            : static_cast<int64_t>(magnitude));
}

int16_t ToInteger(const Variant& value) {
  return static_cast<int16_t>(RoundedInteger(value, std::numeric_limits<int16_t>::min(),
                                             std::numeric_limits<int16_t>::max()));
}

int32_t ToLong(const Variant& value) {
  return static_cast<int32_t>(RoundedInteger(value, std::numeric_limits<int32_t>::min(),
                                             std::numeric_limits<int32_t>::max()));
}

uint8_t ToByte(const Variant& value) { return static_cast<uint8_t>(RoundedInteger(value, 0, 255)); }

bool ToBoolean(const Variant& value) {
  if (value.IsString()) {
    const std::string_view text = TrimBlanks(value.string_value());
    if (EqualsIgnoringCase(text, "true")) return true;
    if (EqualsIgnoringCase(text, "false")) return false;
  }
  const Number number = NumericValue(value);
  if (const auto* amount = std::get_if<Currency>(&number)) return amount->raw() != 0;
  if (const auto* whole = std::get_if<int64_t>(&number)) return *whole != 0;
  return std::get<double>(number) != 0;
}

Currency ToCurrency(const Variant& value) {
  if (value.IsString()) {
    if (const auto amount = ParseCurrency(value.string_value())) return *amount;
    if (ParseNumber(value.string_value())) ThrowOverflow();
    ThrowTypeMismatch();
  }
  const Number number = NumericValue(value);
  if (const auto* amount = std::get_if<Currency>(&number)) return *amount;
  if (const auto* whole = std::get_if<int64_t>(&number)) return Currency::FromUnits(*whole);
  return Currency::FromDouble(std::get<double>(number));
}

double ToDouble(const Variant& value) {
  const Number number = NumericValue(value);
  if (const auto* amount = std::get_if<Currency>(&number)) return amount->ToDouble();
  if (const auto* whole = std::get_if<int64_t>(&number)) return static_cast<double>(*whole);
  return std::get<double>(number);
}

Date ToDate(const Variant& value) {
  if (value.kind() == VariantKind::kDate) return value.date_value();
  if (value.IsString()) {
    if (const auto date = ParseDate(value.string_value())) return *date;
    ThrowTypeMismatch();
  }
  const double serial = ToDouble(value);
  if (!(serial > kSerialLowerBound && serial < kSerialUpperBound)) ThrowOverflow();
  return Date(serial);
}

std::string ToText(const Variant& value) {
  switch (value.kind()) {
    case VariantKind::kEmpty:
      return "";
    case VariantKind::kNull:
      throw MakeError(ErrorCode::kInvalidUseOfNull);
    case VariantKind::kInteger:
      return std::to_string(value.integer_value());
    case VariantKind::kLong:
      return std::to_string(value.long_value());
    case VariantKind::kByte:
      return std::to_string(value.byte_value());
    case VariantKind::kBoolean:
      return value.boolean_value() ? "True" : "False";
    case VariantKind::kCurrency:
      return CurrencyText(value.currency_value());
    case VariantKind::kDouble:
      return DoubleText(value.double_value());
    case VariantKind::kDate:
      return FormatDate(value.date_value());
    case VariantKind::kString:
      return value.string_value();
    case VariantKind::kObject:
    case VariantKind::kMissing:
      ThrowTypeMismatch();
  }
  ThrowTypeMismatch();
}

std::string FormatMoney(const Variant& value) {
  if (value.IsNull() || value.IsEmpty()) return "";
  return FormatMoney(ToCurrency(value));
}

std::string FormatMoney(Currency value) {
  const uint64_t magnitude = Magnitude(value.raw());
  const uint64_t cents = magnitude / 100 + (magnitude % 100 >= 50 ? 1 : 0);  // ties away
  const std::string sign = value.raw() < 0 && cents != 0 ? "-" : "";
  return sign + GroupedDigits(cents / 100) + ',' + std::to_string(cents % 100 + 100).substr(1);
}

}  // namespace orvalis
