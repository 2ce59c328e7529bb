// SQL functions the engine installs on every SQLite connection it opens:
//   like(pattern, value)      the dialect's Like (replaces SQLite's LIKE operator):
//                             '*' any run, '?' one character, '#' one digit, [abc],
//                             [a-z], [!a-z]; [*] [?] [#] [[] literal; '%' and '_' plain;
//                             letter case ignored, Portuguese accented letters included;
//                             Null on either side matches nothing (returns NULL); numbers
//                             matched through their text form (7 -> "7", 1.5 -> "1,5").
//   Right(text, n)            the last n characters (UTF-8 aware); Null gives Null.
//   Left(text, n), Mid(text, start[, n]), Len(text), UCase, LCase, Trim: the runtime's.
//   cdate(value)              a text read day first (ParseDate) or a number, as the
//                             date's serial number; raises 3464 for a text that is no date.
//   orv_store(value, type, size)  converts a value assigned by UPDATE ... SET to the
//                             column's storage (EncodeForColumn); raises its errors.
// Errors raised inside a function carry the engine's number: the message is
// "orv:<number>:<description>", which the engine turns back into an Error.
#pragma once

#include <string>
#include <string_view>

struct sqlite3;

namespace orvalis::engine {

void RegisterSqlFunctions(sqlite3* db);

// Case folding for text comparison of the dialect: ASCII and Latin-1 letters (including
// the Portuguese accented ones) folded to lower case; other code points unchanged.
std::string FoldCase(std::string_view utf8);

}  // namespace orvalis::engine
