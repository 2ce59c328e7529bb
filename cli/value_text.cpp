#include "value_text.h"

#include <cstdio>

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

}  // namespace orvalis::cli
