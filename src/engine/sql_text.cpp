#include "engine/sql_text.h"

#include "component/text_fold.h"
#include "orvalis/error.h"

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
  const std::string text = ToText(value);
  if (text.find('\0') != std::string::npos) throw MakeError(ErrorCode::kTypeMismatch);
  return DoubleQuotes(text);
}

namespace {

bool ReadsAsBoolean(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  const size_t last = text.find_last_not_of(' ');
  if (first == std::string_view::npos) return false;
  const std::string word = FoldCase(text.substr(first, last - first + 1));
  return word == "true" || word == "false";
}

}  // namespace

std::string SqlBareValue(const Variant& value) {
  if (value.IsNull() || value.IsEmpty() || value.IsMissing()) return {};
  if (!value.IsString()) return ToText(value);
  const std::string& text = value.string_value();
  if (ReadsAsBoolean(text)) return text;
  // The number the component's own conversion reads ("2.0" is 20: the full stop groups
  // thousands), written as that number is: the statement then addresses the row that a
  // write of the same text stores.
  const std::optional<double> number = ParseNumber(text);
  if (!number) throw MakeError(ErrorCode::kTypeMismatch);
  return ToText(Variant(*number));
}

}  // namespace orvalis
