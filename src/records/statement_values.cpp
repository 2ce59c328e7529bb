#include "statement_values.h"

#include "orvalis/error.h"
#include "orvalis/text_fold.h"

namespace orvalis::records {

namespace {

bool ReadsAsBoolean(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  const size_t last = text.find_last_not_of(' ');
  if (first == std::string_view::npos) return false;
  const std::string word = FoldCase(text.substr(first, last - first + 1));
  return word == "true" || word == "false";
}

}  // namespace

std::string ValueText(const Variant& value) {
  if (value.IsNull() || value.IsEmpty() || value.IsMissing()) return {};
  return ToText(value);
}

std::string BareValue(const Variant& value) {
  std::string text = ValueText(value);
  if (value.IsString() && !ParseNumber(text) && !ReadsAsBoolean(text)) {
    throw MakeError(ErrorCode::kTypeMismatch);
  }
  return text;
}

std::string DateLiteralText(std::string_view text) {
  if (text.find('#') != std::string_view::npos) throw MakeError(ErrorCode::kTypeMismatch);
  return std::string(text);
}

std::string_view FirstCharacters(std::string_view text, size_t count) {
  size_t end = 0;
  for (size_t taken = 0; end < text.size() && taken < count; ++taken) {
    ++end;  // past the lead byte, then past its continuation bytes
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  }
  return text.substr(0, end);
}

}  // namespace orvalis::records
