#include "value_text.h"

#include <cinttypes>
#include <cstdio>

#include "orvalis/error.h"
#include "component/utf8.h"

namespace orvalis::cli {

std::string JsonText(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    } else {
      out.push_back(c);
    }
  }
  return out + "\"";
}

std::string CsvField(std::string_view text) {
  const bool quoted = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                      (!text.empty() && (text.front() == ' ' || text.back() == ' '));
  if (!quoted) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  return out + "\"";
}

std::string ValueText(const Variant& value) {
  if (value.IsEmpty() || value.IsNull()) return "";
  if (value.IsString()) return value.string_value();
  if (value.kind() == VariantKind::kCurrency) return FormatMoney(value);
  return ToText(value);
}

std::string JsonValue(const Variant& value) {
  switch (value.kind()) {
    case VariantKind::kEmpty:
    case VariantKind::kNull:
      return "null";
    case VariantKind::kInteger:
    case VariantKind::kLong:
    case VariantKind::kByte:
      return ToText(value);
    default:
      return JsonText(ValueText(value));
  }
}

std::string JsonNumber(const Variant& value) {
  if (value.IsEmpty() || value.IsNull()) return "null";
  Currency amount;
  try {
    amount = ToCurrency(value);
  } catch (const Error&) {
    return "null";
  }
  // Ten-thousandths written exactly, with at least the two decimals of a money text.
  const int64_t raw = amount.raw();
  const uint64_t magnitude = raw < 0 ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
  char digits[32];
  std::snprintf(digits, sizeof digits, "%s%" PRIu64 ".%04" PRIu64, raw < 0 ? "-" : "",
                magnitude / 10000, magnitude % 10000);
  std::string text = digits;
  while (text.back() == '0' && text[text.size() - 3] != '.') text.pop_back();
  return text;
}

std::string PaddedRight(std::string_view text, size_t width) {
  const size_t characters = CountCharacters(text);
  return std::string(text) + std::string(characters < width ? width - characters : 0, ' ');
}

}  // namespace orvalis::cli
