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
//                           #yyyy-mm-dd# and a time part accepted; whole days print
//                           without a fraction: #01/03/2005# gives 38412)
//   True / False         -> -1 / 0
//   DISTINCTROW          -> removed
//   SELECT TOP n         -> the statement ends with LIMIT n
//   DELETE * FROM t      -> DELETE FROM t          (also DELETE t.* FROM t)
//   a & b                -> a || b
//   Left(...), Right(...) and names that SQLite reserves but the dialect does not (Limit,
//                           Escape, Using...) -> double-quoted, so SQLite reads them as names
//   x Like 'pre*'        -> (x Like 'pre*' AND x >= 'pre' COLLATE NOCASE AND x < 'prf'
//                           COLLATE NOCASE) when x is a Text column and the prefix is
//                           plain ASCII without wildcards, so an index can serve (the
//                           like() function itself disables SQLite's LIKE optimisation)
//   currency comparison  -> a numeric literal compared (=, <>, <, <=, >, >=, Between, In)
//                           with a Currency column, or with Sum/Min/Max/Avg/First/Last of
//                           one, is scaled exactly to ten-thousandths (Valor = 1.5
//                           compares with 15000)
//   UPDATE t SET c = e   -> SET c = orv_store(e, <type>, <size>) for every assignment to a
//                           known column, so the value is converted and checked as a
//                           recordset write is; SET t.c = e loses the qualifier SQLite
//                           does not accept
//   trailing ';'         -> removed, with the blanks around the statement
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

// What a select item computes, for typing its result column. kOther: an aggregate inside
// a larger expression (Sum(a) * 2), or one the list does not name (StDev, Var).
enum class AggregateKind { kNone, kSum, kCount, kAvg, kMin, kMax, kFirst, kLast, kOther };
struct SelectItemHint {
  AggregateKind aggregate = AggregateKind::kNone;
  // The plain column reference the item is, or aggregates ("Sum(t.c) AS x"). `table` is
  // the table's name (an alias is resolved to it), found through the resolver for an
  // unqualified name; empty when unknown. For "t.*", `table` names t and `column` is empty.
  std::string table;
  std::string column;
  bool is_star = false;  // "*" or "t.*"
  // A plain column reference (possibly qualified, in parentheses or aliased), not aggregated.
  bool is_column = false;
};

struct TranslatedStatement {
  std::string sql;  // SQLite text
  StatementKind kind = StatementKind::kOther;
  // SELECT only: GROUP BY, DISTINCT, an aggregate function, UNION, TOP... make the result
  // read-only (a static snapshot).
  bool read_only = false;
  // The tables of the FROM clause(s) of the top-level SELECT (all parts of a UNION), or
  // the target of UPDATE, DELETE, INSERT INTO and DROP TABLE.
  std::vector<TableRef> tables;
  // Byte ranges within `sql` (SELECT only; of the first SELECT of a UNION): the select
  // list (after SELECT and any DISTINCT, up to FROM) and the FROM clause's source text
  // (after FROM, up to WHERE, GROUP BY, HAVING, ORDER BY, UNION or the end). Both are
  // exact: they start at the first byte of their first token and end after their last.
  size_t select_list_begin = 0, select_list_end = 0;
  size_t from_begin = 0, from_end = 0;
  std::vector<SelectItemHint> select_items;
  // The numeric literals of WHERE and HAVING, in order: `sql` holds ?1, ?2, ... in their
  // place, to be bound (as integers when they have no fraction or exponent).
  std::vector<std::string> parameters;
  // Where each parameter comes from: the position of its literal among the numeric
  // literals of the dialect text, and whether it was scaled as a currency amount.
  struct ParameterSource {
    uint32_t number;
    bool scaled;
  };
  std::vector<ParameterSource> parameter_sources;
};

// What the translator is told of a column: its type and, for the rewrites of Like, how
// SQLite compares it and whether an index holds it. Made from a type alone, nothing else
// is known (and Like keeps its general rewrite).
struct ColumnFacts {
  ColumnFacts(const ColumnSpec& column) : definition(column) {}  // NOLINT: a type alone converts
  ColumnSpec definition;
  // SQLite compares its values with a text literal as stored (it has text affinity or
  // none), never converting the literal to a number.
  bool text_compared = false;
  bool indexed = false;  // an index of its table includes it
};

// Answers what is known of a column of a table, both names as written without brackets,
// to be matched ignoring letter case. The translator resolves aliases: `table` is a table
// name of the statement, or a qualifier naming none of its tables as written. An
// unqualified column is asked of each table of the statement in turn (of its FROM clause
// first, then of those of its subqueries); `table` is empty only when the statement names
// no table. Returns nothing for unknown columns.
using ColumnResolver =
    std::function<std::optional<ColumnFacts>(std::string_view table, std::string_view column)>;

// Translates one statement. Raises Error 3075 (syntax error in query expression) for an
// unterminated literal or bracket, an invalid date literal and similar lexical faults;
// SQLite reports the rest when the statement is prepared.
TranslatedStatement TranslateSql(std::string_view dialect_sql, const ColumnResolver& resolver);

// A numeric literal multiplied by 10000, exactly ("1.5" gives "15000").
std::string ScaleCurrencyLiteral(std::string_view number);

// Quotes a value for a string literal of the dialect: 'it''s' (single quotes doubled).
std::string QuoteText(std::string_view text);

}  // namespace orvalis::engine
