// Putting caller values into SQL texts safely.
//
// Statements are built by joining literal fragments with values. A value's text goes in
// as the runtime writes it (numbers as their digits, Booleans as True/False, Null and
// Empty as nothing); a single quote inside it is doubled, so a value placed between the
// statement's own quotes is matched as it stands and can never end the literal early or
// change the statement's meaning.
#pragma once

#include <string>
#include <string_view>

#include "orvalis/variant.h"

namespace orvalis {

// The text with every `quote` character doubled: O'Brien -> O''Brien.
std::string DoubleQuotes(std::string_view text, char quote = '\'');

// A value's text for a statement: ToText of the value (Null and Empty give ""), quotes
// doubled. Raises 13 for an object.
std::string SqlValueText(const Variant& value);

// A value for a place in a statement where a number stands without quotes (a declaration
// number, a counter): numbers as their digits with '.' before any decimals, Booleans as
// True/False, Null and Empty as nothing, and a text as it stands when it is a plain
// decimal number ("12", "-1"). Any other text goes in as a quoted literal, quotes doubled,
// so that it is compared as a value ('1) OR (1=1' matches nothing) and can never change
// the statement. Raises 13 for an object.
std::string SqlNumberText(const Variant& value);

}  // namespace orvalis
