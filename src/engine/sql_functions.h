// SQL functions the engine installs on every SQLite connection it opens:
//   like(pattern, value)      the dialect's Like (replaces SQLite's LIKE operator):
//                             '*' any run, '?' one character, '#' one digit, [abc],
//                             [a-z], [!a-z]; [*] [?] [#] [[] literal; '%' and '_' plain;
//                             letter case ignored, Portuguese accented letters included;
//                             Null on either side matches nothing (returns NULL); numbers
//                             matched through their text form (7 -> "7", 1.5 -> "1,5",
//                             38412.0 -> "38412"). Returns 1 or 0, as SQLite's predicates.
//   Right(text, n)            the last n characters (UTF-8 aware); Null gives Null.
//   Left(text, n), Mid(text, start[, n]), Len(text), UCase, LCase, Trim: the runtime's
//                             (characters are code points; numbers read as their text).
//   cdate(value)              a text read day first (ParseDate) or a number, as the
//                             date's serial number; raises 3464 for a text that is no date.
//   orv_store(value, type, size)  converts a value assigned by UPDATE ... SET to the
//                             column's storage (EncodeForColumn); raises its errors.
//   First(x), Last(x)         aggregates: the value of the group's first / last row.
// Errors raised inside a function carry the engine's number: the message is
// "orv:<number>:<description>", which the engine turns back into an Error.
#pragma once

#include <string_view>

struct sqlite3;

namespace orvalis::engine {

// Raises Error 3000 when SQLite refuses a registration.
void RegisterSqlFunctions(sqlite3* db);

// The dialect's Like on two UTF-8 texts (the matcher behind like()). Letter case is
// ignored as FoldCase (orvalis/text_fold.h) ignores it; an unclosed '[' is a literal.
bool LikeMatch(std::string_view value, std::string_view pattern);

}  // namespace orvalis::engine
