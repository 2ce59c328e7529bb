// Counting and cutting UTF-8 text by characters (code points), not bytes: column widths,
// the runtime's Left/Right and the first characters of a setting are all in characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orvalis {

// The number of characters of a UTF-8 text (a malformed byte counts as one).
size_t CountCharacters(std::string_view utf8);
// The first `count` characters (the whole text when shorter).
std::string_view FirstCharacters(std::string_view utf8, size_t count);
// Appends one character (code point) to a UTF-8 text.
void AppendUtf8(std::string& out, char32_t code);

}  // namespace orvalis
