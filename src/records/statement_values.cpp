#include "statement_values.h"

#include "orvalis/error.h"
#include "component/text_fold.h"

namespace orvalis::records {

std::string LikeLiteral(const Variant& value) {
  std::string literal;
  for (char c : Quoted(value)) {
    if (c == '*' || c == '?' || c == '#' || c == '[') {
      literal.append({'[', c, ']'});
    } else {
      literal.push_back(c);
    }
  }
  return literal;
}

std::string ValueText(const Variant& value) {
  if (value.IsNull() || value.IsEmpty() || value.IsMissing()) return {};
  return ToText(value);
}

std::string DateLiteralText(std::string_view text) {
  if (text.find('#') != std::string_view::npos) throw MakeError(ErrorCode::kTypeMismatch);
  return std::string(text);
}

}  // namespace orvalis::records
