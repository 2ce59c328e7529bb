// Caller values as the record classes put them into their statements.
//
// A value between the statement's single quotes (a text key, a Like pattern) goes in
// through SqlValueText (sql_text.h): its quotes doubled, so it is matched as it stands.
// A value placed bare goes in through SqlBareValue. The helper here serves the date text
// between # marks: it refuses with 13 (Type mismatch) a text that could end its place
// and change what the statement means.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "orvalis/variant.h"

namespace orvalis::records {

// The runtime's text of `value`; Null, Empty and Missing give "".
std::string ValueText(const Variant& value);

// A date text placed between # marks: the text itself; 13 when it holds a '#'.
std::string DateLiteralText(std::string_view text);

}  // namespace orvalis::records
