// The dialect's functions installed on SQLite: the Like matcher, text functions, cdate,
// orv_store and the First/Last aggregates, run through real in-memory databases.
#include "engine/sql_functions.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "memory_db.h"

namespace orvalis::engine {
namespace {

// The first column of the first row of "SELECT <expression>", typed (memory_db.h).
std::string Eval(MemoryDb& db, std::string_view expression) {
  const auto rows = db.Rows("SELECT " + std::string(expression), true);
  return rows.empty() ? "no row" : rows.front();
}

// ---- The Like matcher ------------------------------------------------------------------

struct LikeCase {
  const char* value;
  const char* pattern;
  bool matches;
};

// Literal text with letter case ignored; '*' any run (backtracking included); '?' one
// character, '#' one digit; character lists, ranges and negation; wildcards made literal
// by brackets while SQL's own wildcards are plain; accented letters folded, one character
// each.
constexpr LikeCase kLikeCases[] = {
    {"ABC", "abc", true},   {"abc", "ab", false},
    {"ab", "abc", false},   {"", "", true},
    {"a", "", false},       {"abc", "*b*", true},
    {"", "*", true},        {"abcabd", "*abd", true},
    {"aa", "a*a*a", false}, {"mississippi", "m*s*s*i", true},
    {"abcab", "*c", false}, {"abc", "a?c", true},
    {"ac", "a?c", false},   {"a1c", "a#c", true},
    {"abc", "a#c", false},  {"B", "[a-c]", true},
    {"d", "[a-c]", false},  {"d", "[!a-c]", true},
    {"b", "[!a-c]", false}, {"x", "[xyz]", true},
    {"5", "[0-9]#", false}, {"ab", "a[]b", true},
    {"*", "[*]", true},     {"a", "[*]", false},
    {"?", "[?]", true},     {"#", "[#]", true},
    {"[", "[[]", true},     {"x[", "x[", true},
    {"a%", "a%", true},     {"ab", "a%", false},
    {"ab", "a_", false},    {"ÀÁÂÃÇÉÊÍÓÔÕÚÜ", "àáâãçéêíóôõúü", true},
    {"AÇÃO", "a?ão", true}, {"Ônibus", "[ô]nibus", true},
    {"a", "á", false},      {"×", "÷", false},
};

TEST(SqlFunctionsLike, MatcherFollowsTheDialectsWildcards) {
  for (const LikeCase& c : kLikeCases) {
    EXPECT_EQ(LikeMatch(c.value, c.pattern), c.matches)
        << "'" << c.value << "' Like '" << c.pattern << "'";
  }
}

// A literal pattern is read once for all the rows of a statement: every row matches as
// the pattern read anew for it would (a pattern taken from a column), for texts, numbers
// and Null, and for plain prefixes as well as the other forms.
TEST(SqlFunctionsLike, ALiteralPatternMatchesEveryRowAsOneReadAnew) {
  MemoryDb db;
  db.Exec("CREATE TABLE t (v); CREATE TABLE pattern (p);");
  for (const char* value : {"5101", "51", "5", "", "6101", "aBc", "ABC", "ação", "x5101"}) {
    db.Exec(("INSERT INTO t VALUES ('" + std::string(value) + "')").c_str());
  }
  db.Exec("INSERT INTO t VALUES (NULL), (5101), (1.5)");
  for (const LikeCase& c : kLikeCases) {
    db.Exec(("INSERT INTO t VALUES ('" + std::string(c.value) + "')").c_str());
  }
  std::vector<std::string> patterns = {"5*", "5", "51**", "*", "", "a*", "AB*", "5?01", "1,5"};
  for (const LikeCase& c : kLikeCases) patterns.emplace_back(c.pattern);
  int matched = 0;
  for (const std::string& pattern : patterns) {
    db.Exec(("DELETE FROM pattern; INSERT INTO pattern VALUES ('" + pattern + "')").c_str());
    const std::string literal = "t.v LIKE '" + pattern + "'";
    EXPECT_EQ(db.Value("SELECT count(*) FROM t, pattern WHERE (" + literal +
                       ") IS NOT (t.v LIKE pattern.p)"),
              "integer 0")
        << pattern;
    matched += std::stoi(db.Value("SELECT count(*) FROM t WHERE " + literal).substr(8));
  }
  EXPECT_GT(matched, 40);
}

struct ExpressionCase {
  const char* expression;
  const char* result;
};

// Left and Right are SQLite keywords: called by a quoted name, as the translator writes them.
constexpr ExpressionCase kValueCases[] = {
    // `value LIKE pattern` reaches the dialect's Like; numbers compare in their text form.
    {"'Abc' LIKE 'a*'", "integer 1"},
    {"'abc' LIKE 'a%'", "integer 0"},
    {"NULL LIKE 'a'", "NULL"},
    {"1.5 LIKE '1,5'", "integer 1"},
    {"38412.0 LIKE 38412", "integer 1"},
    {"1e20 LIKE '1E+20'", "integer 1"},
    // Right / Left / Mid / Len count characters, not bytes.
    {"\"Right\"('ÚltimoDígito', 3)", "text 'ito'"},
    {"\"Right\"('abc', 1.6)", "text 'bc'"},
    {"\"Right\"(123, 1)", "text '3'"},
    {"\"Right\"(NULL, 1)", "NULL"},
    {"\"Left\"('ação', 2)", "text 'aç'"},
    {"Mid('ação', 2, 2)", "text 'çã'"},
    {"Len('ação')", "integer 4"},
    {"Len(1.5)", "integer 3"},
    // Letter case of ASCII and the Portuguese accented letters.
    {"UCase('ação é ü')", "text 'AÇÃO É Ü'"},
    {"LCase('ÁÉÍÓÚ ÂÊÔ ÃÕ Ç Ü × X')", "text 'áéíóú âêô ãõ ç ü × x'"},
    {"LCase(2.5)", "text '2,5'"},
    // cdate: texts read day first, numbers kept.
    {"cdate('01/03/2005')", "real 38412"},
    {"cdate('2005-03-01 12:00')", "real 38412.5"},
    {"cdate(38412)", "integer 38412"},
    // orv_store: the column's storage.
    {"orv_store('1.234,56', 5, 8)", "integer 12345600"},
    {"orv_store(1.5, 5, 8)", "integer 15000"},
    {"orv_store(1, 1, 1)", "integer -1"},
    {"orv_store(12, 10, 10)", "text '12'"},
    {"orv_store(5000000000, 7, 8)", "real 5e+09"},
    {"orv_store('01/03/2005', 8, 8)", "real 38412"},
    // Failures carry the engine's number for the engine to raise as an Error.
    {"\"Right\"('abc', -1)", "error orv:5:Invalid procedure call or argument"},
    {"\"Left\"('abc', NULL)", "error orv:94:Invalid use of Null"},
    {"Mid('abc', 1, -1)", "error orv:5:Invalid procedure call or argument"},
    {"\"Right\"('abc', 1e300)", "error orv:6:Overflow"},
    {"cdate('no date')", "error orv:3464:Data type mismatch in criteria expression."},
    {"orv_store('x', 5, 8)", "error orv:3421:Data type conversion error."},
    {"orv_store(100000, 3, 2)", "error orv:3349:Numeric field overflow."},
};

TEST(SqlFunctionsValues, ComputeTheRuntimesResults) {
  MemoryDb db;
  for (const ExpressionCase& c : kValueCases) {
    EXPECT_EQ(Eval(db, c.expression), c.result) << c.expression;
  }
  EXPECT_EQ(Eval(db, "orv_store('abcd', 10, 3)").substr(0, 15), "error orv:3163:");
}

// ---- Aggregates ------------------------------------------------------------------------

TEST(SqlFunctionsAggregates, FirstAndLastKeepTheRowsInReadingOrder) {
  MemoryDb db;
  db.Exec("CREATE TABLE t (v TEXT(5)); INSERT INTO t VALUES ('b'), (NULL), ('a'), ('c');");
  EXPECT_EQ(db.Rows("SELECT First(v) FROM t", true), std::vector<std::string>{"text 'b'"});
  EXPECT_EQ(db.Rows("SELECT Last(v) FROM t", true), std::vector<std::string>{"text 'c'"});
  EXPECT_EQ(db.Rows("SELECT First(v) FROM t WHERE v = 'none'", true),
            std::vector<std::string>{"NULL"});
}

}  // namespace
}  // namespace orvalis::engine
