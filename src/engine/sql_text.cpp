#include "orvalis/sql_text.h"

namespace orvalis {

std::string DoubleQuotes(std::string_view text, char quote) {
  std::string out;
  out.reserve(text.size() + 2);
  for (char c : text) {
    if (c == quote) out.push_back(quote);
    out.push_back(c);
  }
  return out;
}

std::string SqlValueText(const Variant& value) {
  if (value.IsNull() || value.IsEmpty() || value.IsMissing()) return {};
  return DoubleQuotes(ToText(value));
}

namespace {

// Optional sign, digits, optionally '.' and digits: a literal SQL reads as that number.
bool IsPlainNumber(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) ++digits;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) ++digits;
  }
  return digits > 0 && i == text.size();
}

}  // namespace

std::string SqlNumberText(const Variant& value) {
  switch (value.kind()) {
    case VariantKind::kEmpty:
    case VariantKind::kNull:
    case VariantKind::kMissing:
      return {};
    case VariantKind::kString:
      if (IsPlainNumber(value.string_value())) return value.string_value();
      return "'" + DoubleQuotes(value.string_value()) + "'";
    case VariantKind::kDouble:
    case VariantKind::kCurrency: {
      std::string text = ToText(value);
      for (char& c : text) {
        if (c == ',') c = '.';
      }
      return text;
    }
    default:
      return ToText(value);
  }
}

}  // namespace orvalis
