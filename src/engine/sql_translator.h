// Translation of the declaration engine's SQL dialect into SQLite's.
//
// The translator tokenizes the text (string literals, [bracketed names], "quoted texts",
// #date# literals, accented names) and rewrites token by token; it never substitutes
// over raw text. It also reports what the engine needs to run the statement: its kind,
// whether a SELECT is read-only, the tables of its FROM clause, where its select list
// and FROM clause lie in the output, and a type hint for each select item.
//
// Rewrites:
//   [name]               -> "name"                (a quote inside is doubled)
//   "text"               -> 'text'                (the dialect's double-quoted strings)
//   #dd/mm/yyyy#         -> the date's serial number as a numeric literal (day first;
//                           #yyyy-mm-dd# and a time part accepted)
//   True / False         -> -1 / 0
//   DISTINCTROW          -> removed
//   a & b                -> a || b
//   x Like 'pre*'        -> also adds (x >= 'pre' AND x < 'prf') when x is a Text
//                           column and the prefix is plain ASCII without wildcards, so an
//                           index can serve (the like() function itself disables that)
//   currency comparison  -> a numeric literal compared with a Currency column is scaled
//                           to ten-thousandths (Valor = 1,5 compares with 15000)
//   UPDATE t SET c = e   -> SET c = orv_store(e, <type>, <size>) for every assignment,
//                           so the value is converted and checked as a recordset write is
//   trailing ';'         -> removed
// Like itself is left to SQLite's LIKE operator, which the engine replaces with its own
// like() function (the dialect's wildcards, letter case ignored).
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "orvalis/field_type.h"

namespace orvalis::engine {

enum class StatementKind { kSelect, kUpdate, kDelete, kInsert, kDropTable, kOther };

// A table named in a FROM clause (or the target of UPDATE/DELETE/INSERT/DROP TABLE).
struct TableRef {
  std::string name;   // as stored (brackets removed)
  std::string alias;  // the name to qualify its columns with in the output SQL (the alias
                      // when one was given, otherwise the name)
};

// What a select item computes, for typing its result column.
enum class AggregateKind { kNone, kSum, kCount, kAvg, kMin, kMax, kFirst, kLast, kOther };
struct SelectItemHint {
  AggregateKind aggregate = AggregateKind::kNone;
  // For an aggregate over a plain column reference: that column (table part may be empty).
  std::string table;
  std::string column;
  bool is_star = false;  // "*" or "t.*"
};

struct TranslatedStatement {
  std::string sql;  // SQLite text
  StatementKind kind = StatementKind::kOther;
  // SELECT only: GROUP BY, DISTINCT, an aggregate function, UNION, TOP... make the result
  // read-only (a static snapshot).
  bool read_only = false;
  std::vector<TableRef> tables;
  // Byte ranges within `sql` (SELECT only): the select list (after SELECT and any
  // DISTINCT, up to FROM) and the FROM clause's source text (after FROM, up to WHERE,
  // GROUP BY, HAVING, ORDER BY or the end).
  size_t select_list_begin = 0, select_list_end = 0;
  size_t from_begin = 0, from_end = 0;
  std::vector<SelectItemHint> select_items;
};

// Answers the type of a column: `table` is the name or alias as written (possibly empty
// for an unqualified name). Returns nothing for unknown columns.
using ColumnResolver =
    std::function<std::optional<ColumnSpec>(std::string_view table, std::string_view column)>;

// Translates one statement. Raises Error 3075 (syntax error in query expression) for an
// unterminated literal or bracket, an invalid date literal and similar lexical faults;
// SQLite reports the rest when the statement is prepared.
TranslatedStatement TranslateSql(std::string_view jet_sql, const ColumnResolver& resolver);

// Quotes a value for a string literal of the dialect: 'it''s' (single quotes doubled).
std::string QuoteText(std::string_view text);

}  // namespace orvalis::engine
