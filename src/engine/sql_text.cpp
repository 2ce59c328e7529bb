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

}  // namespace orvalis
