// Caller values as the record classes put them into their statements.
//
// A value between the statement's single quotes (a text key, a Like pattern) goes in
// through SqlValueText (sql_text.h): its quotes doubled, so it is matched as it stands.
// The helpers here serve the places without quotes, where doubling cannot protect the
// statement: a value placed bare (a declaration number, a Boolean) and a date text
// between # marks. Each gives the value's usual text, or refuses with 13 (Type mismatch)
// a text that could end its place and change what the statement means.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "orvalis/variant.h"

namespace orvalis::records {

// The runtime's text of `value`; Null, Empty and Missing give "".
std::string ValueText(const Variant& value);

// A value placed bare: numbers as their digits, Booleans as True/False, Null and Empty as
// nothing. A text goes in as it is when it reads as a number or as True/False; any other
// text raises 13.
std::string BareValue(const Variant& value);

// A date text placed between # marks: the text itself; 13 when it holds a '#'.
std::string DateLiteralText(std::string_view text);

// The first `count` characters (not bytes) of UTF-8 `text`.
std::string_view FirstCharacters(std::string_view text, size_t count);

}  // namespace orvalis::records
