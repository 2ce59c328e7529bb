// The dialect's functions installed on SQLite: the Like matcher, text functions, cdate,
// orv_store and the First/Last aggregates, run through real in-memory databases.
#include "engine/sql_functions.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "memory_db.h"
#include "support/data_cases.h"

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

TEST(SqlFunctionsValues, EveryCaseOfTheDataFileComputesTheRuntimesResult) {
  MemoryDb db;
  const auto cases = testing::ReadDataCases(ORVALIS_TEST_DATA_DIR "/sql_functions.txt");
  EXPECT_GT(cases.size(), 30u);
  for (const testing::DataCase& c : cases) {
    ASSERT_EQ(c.lines.size(), 1u) << c.title;
    EXPECT_EQ("-> " + Eval(db, c.title), c.lines[0]) << c.title;
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
