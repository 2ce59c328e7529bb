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
// doubled. Raises 13 for an object and for a text holding a NUL character.
std::string SqlValueText(const Variant& value);

// A value placed bare, without quotes (a declaration number, a counter, a Boolean):
// numbers as their digits, Booleans as True/False, Null and Empty as nothing. A text that
// reads as True/False goes in as it is; one that reads as a number goes in as the number
// the component's conversion makes of it ("2.0" as 20, as a write of "2.0" stores it);
// any other text raises 13 (Type mismatch): placed bare it could end its place and
// change what the statement means.
std::string SqlBareValue(const Variant& value);

}  // namespace orvalis
