#include "engine/kept_value.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "orvalis/error.h"

namespace orvalis::engine {

namespace {

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" from the same form with or without braces,
// in either letter case; nothing for anything else.
std::optional<std::string> CanonicalGuid(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
    text = text.substr(1, 36);
  }
  if (text.size() != 36) return std::nullopt;
  std::string out = "{";
  for (size_t i = 0; i < text.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? text[i] != '-' : !IsHex(text[i])) return std::nullopt;
    out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(text[i]))));
  }
  return out + "}";
}

// Adds one unit in the last place of a string of decimal digits.
void IncrementDigits(std::string& digits) {
  for (size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return;
    }
    digits[i] = '0';
  }
  digits.insert(digits.begin(), '1');
}

std::string CurrencyText(Currency money) {
  const int64_t raw = money.raw();
  const uint64_t magnitude = raw < 0 ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%s%llu.%04llu", raw < 0 ? "-" : "",
                static_cast<unsigned long long>(magnitude / 10000),
                static_cast<unsigned long long>(magnitude % 10000));
  return buffer;
}

// The value as decimal text with a full stop, exactly as far as its kind allows.
std::optional<std::string> DecimalSource(const Variant& value, int scale) {
  switch (value.kind()) {
    case VariantKind::kString:
      return CanonicalDecimal(value.string_value(), scale, false);
    case VariantKind::kCurrency:
      return CanonicalDecimal(CurrencyText(value.currency_value()), scale, true);
    case VariantKind::kBoolean:
      return value.boolean_value() ? "-1" : "0";
    case VariantKind::kByte:
    case VariantKind::kInteger:
    case VariantKind::kLong:
      return std::to_string(ToLong(value));
    default: {
      char buffer[400];
      std::snprintf(buffer, sizeof buffer, "%.*f", scale + 1, ToDouble(value));
      return CanonicalDecimal(buffer, scale, true);
    }
  }
}

int IntegerDigits(std::string_view canonical) {
  size_t start = canonical.starts_with('-') ? 1 : 0;
  const size_t point = canonical.find('.');
  std::string_view whole = canonical.substr(
      start, point == std::string_view::npos ? std::string_view::npos : point - start);
  return whole == "0" ? 0 : static_cast<int>(whole.size());
}

}  // namespace

bool IsKeptType(FieldType type) {
  return type == FieldType::kBinary || type == FieldType::kLongBinary || type == FieldType::kGUID ||
         type == FieldType::kDecimal;
}

std::optional<std::string> CanonicalDecimal(std::string_view text, int scale, bool point) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const char decimal_mark = point ? '.' : ',';
  std::string whole;
  std::string fraction;
  bool in_fraction = false;
  for (char c : text) {
    if (std::isdigit(static_cast<unsigned char>(c))) {
      (in_fraction ? fraction : whole).push_back(c);
    } else if (c == decimal_mark && !in_fraction) {
      in_fraction = true;
    } else if (!(c == '.' && !point && !in_fraction)) {
      return std::nullopt;  // a group separator is skipped only in the whole part
    }
  }
  if (whole.empty() && fraction.empty()) return std::nullopt;
  std::string digits = whole + fraction.substr(0, std::min<size_t>(fraction.size(), scale));
  digits.append(static_cast<size_t>(scale) - (digits.size() - whole.size()), '0');
  if (fraction.size() > static_cast<size_t>(scale) && fraction[scale] >= '5') {
    IncrementDigits(digits);
  }
  std::string integer = digits.substr(0, digits.size() - static_cast<size_t>(scale));
  const size_t first = integer.find_first_not_of('0');
  integer = first == std::string::npos ? "0" : integer.substr(first);
  std::string out = integer;
  if (scale > 0) out += "." + digits.substr(digits.size() - static_cast<size_t>(scale));
  if (negative && out.find_first_not_of("0.") != std::string::npos) out.insert(0, "-");
  return out;
}

StoredValue EncodeKeptValue(const Variant& value, const ColumnSpec& column) {
  switch (column.type) {
    case FieldType::kBinary:
    case FieldType::kLongBinary: {
      std::string bytes = ToText(value);
      if (column.type == FieldType::kBinary && static_cast<int64_t>(bytes.size()) > column.size) {
        throw MakeError(ErrorCode::kFieldTooSmall);
      }
      return bytes;
    }
    case FieldType::kGUID: {
      auto guid = value.IsString() ? CanonicalGuid(value.string_value()) : std::nullopt;
      if (!guid) throw MakeError(ErrorCode::kConversionError);
      return *guid;
    }
    default: {
      std::optional<std::string> decimal;
      try {
        decimal = DecimalSource(value, column.scale);
      } catch (const Error&) {
        throw MakeError(ErrorCode::kConversionError);
      }
      if (!decimal) throw MakeError(ErrorCode::kConversionError);
      if (column.precision > 0 && IntegerDigits(*decimal) + column.scale > column.precision) {
        throw MakeError(ErrorCode::kNumericOverflow);
      }
      return *decimal;
    }
  }
}

Variant DecodeKeptValue(const StoredValue& stored, FieldType type) {
  if (std::holds_alternative<StoredNull>(stored)) return Variant::Null();
  std::string text;
  if (const auto* bytes = std::get_if<std::string>(&stored)) {
    text = *bytes;
  } else {
    text = DecodeUntyped(stored).IsNull() ? std::string() : ToText(DecodeUntyped(stored));
  }
  if (type == FieldType::kDecimal) {
    for (char& c : text) {
      if (c == '.') c = ',';
    }
  }
  return Variant(text);
}

}  // namespace orvalis::engine
