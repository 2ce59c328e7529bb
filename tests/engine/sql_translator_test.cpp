// Translation of the dialect's SQL into SQLite's: the rewrites and the statement structure
// the engine relies on, on a real in-memory schema with the engine's functions installed.
// The cases live in tests/data/translations.txt (its head gives the notation); the
// statements the declaration programs send are run end to end by conformance_test.
#include "engine/sql_translator.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "component/text_fold.h"
#include "engine/catalog.h"
#include "memory_db.h"
#include "orvalis/error.h"
#include "support/data_cases.h"
#include "support/test_support.h"

namespace orvalis::engine {
namespace {

// Column types are declared as the declaration files declare them.
constexpr const char* kSchema = R"sql(
CREATE TABLE tblDetalhesCFOPs (NroVEK LONG, CFOP TEXT(4) COLLATE NOCASE, Imposto CURRENCY);
CREATE TABLE tblOcorrências (Código COUNTER, NroVEK LONG, CódSubItem TEXT(10) COLLATE NOCASE,
  OpPróprias BOOLEAN, Valor CURRENCY, Descrição MEMO TEXT COLLATE NOCASE);
CREATE TABLE tblVEK (NroVEK LONG, IE TEXT(14) COLLATE NOCASE, Ref1 DATETIME);
CREATE TABLE tblContribuinte (IE TEXT(14) COLLATE NOCASE, RazãoSocial TEXT(60) COLLATE NOCASE,
  CNPJ TEXT(14) COLLATE NOCASE, CNAE TEXT(10) COLLATE NOCASE);
CREATE TABLE tblEstados (Código LONG, Sigla TEXT(2) COLLATE NOCASE);
CREATE TABLE tblDetalhesInterUFs (NroVEK LONG, UF LONG, CFOP TEXT(4) COLLATE NOCASE,
  Imposto CURRENCY);
CREATE TABLE tblZFM_ALC (NroLançamento COUNTER, NroVEK LONG, Valor CURRENCY,
  NF TEXT(10) COLLATE NOCASE, NF2 TEXT(10) COLLATE NOCASE);
CREATE TABLE tblPagamento (NroVEK LONG, OpPróprias BOOLEAN, Valor CURRENCY,
  Data TEXT(10) COLLATE NOCASE);
CREATE TABLE tblRegistroExportação (NroVEK LONG, RE TEXT(12) COLLATE NOCASE);
CREATE INDEX idxRE ON tblRegistroExportação (RE);
)sql";

// The test schema in an in-memory database, and a resolver answering from its declared
// column types (names matched ignoring letter case).
class SchemaDb : public MemoryDb {
 public:
  SchemaDb() {
    Exec(kSchema);
    for (const std::string& row :
         Rows("SELECT m.name || '.' || p.name, p.type FROM sqlite_master m, "
              "pragma_table_info(m.name) p WHERE m.type = 'table'")) {
      const size_t bar = row.rfind('|');
      columns_[FoldCase(row.substr(0, bar))] = ParseDeclaredType(row.substr(bar + 1));
    }
  }

  ColumnResolver Resolver() const {
    return [this](std::string_view table, std::string_view column) -> std::optional<ColumnSpec> {
      auto found = columns_.find(FoldCase(table) + "." + FoldCase(column));
      if (found == columns_.end()) return std::nullopt;
      return found->second;
    };
  }

 private:
  std::map<std::string, ColumnSpec> columns_;
};

// The SQLite text with the condition numbers written back in place of their parameters.
std::string WithParameters(const TranslatedStatement& translated) {
  std::string sql = translated.sql;
  for (size_t i = translated.parameters.size(); i > 0; --i) {
    const std::string placeholder = "?" + std::to_string(i);
    for (size_t at = sql.find(placeholder); at != std::string::npos;
         at = sql.find(placeholder, at)) {
      sql.replace(at, placeholder.size(), translated.parameters[i - 1]);
    }
  }
  return sql;
}

// A select item in the notation of the data file.
std::string Shown(const SelectItemHint& hint) {
  static constexpr const char* kAggregates[] = {"",    "Sum",   "Count", "Avg",  "Min",
                                                "Max", "First", "Last",  "Other"};
  std::string base =
      hint.table.empty() && hint.column.empty() ? "" : hint.table + "." + hint.column;
  if (hint.is_star) base = hint.table.empty() ? "*" : hint.table + ".*";
  if (hint.aggregate != AggregateKind::kNone) {
    return std::string(kAggregates[static_cast<int>(hint.aggregate)]) + "(" + base + ")";
  }
  return hint.is_column || hint.is_star ? base : "expression";
}

// What the check named `check` reads on a translation, in the notation of the data file.
std::string Observed(const std::string& check, const TranslatedStatement& t) {
  static constexpr const char* kKinds[] = {"select", "update",     "delete",
                                           "insert", "drop-table", "other"};
  std::string joined;
  auto join = [&](const std::string& part, const char* separator) {
    joined += (joined.empty() ? "" : separator) + part;
  };
  if (check == "->") return WithParameters(t);
  if (check == "sql") return t.sql;
  if (check == "kind")
    return kKinds[static_cast<int>(t.kind)] + std::string(t.read_only ? " read-only" : "");
  if (check == "list")
    return t.sql.substr(t.select_list_begin, t.select_list_end - t.select_list_begin);
  if (check == "from") return t.sql.substr(t.from_begin, t.from_end - t.from_begin);
  if (check == "parameters") {
    for (const std::string& parameter : t.parameters) join(parameter, " ");
  } else if (check == "tables") {
    for (const TableRef& table : t.tables) join(table.name + "/" + table.alias, ", ");
  } else if (check == "items") {
    for (const SelectItemHint& hint : t.select_items) join(Shown(hint), " | ");
  } else {
    ADD_FAILURE() << "no such check: " << check;
  }
  return joined;
}

class SqlTranslatorTest : public ::testing::Test {
 protected:
  TranslatedStatement Translate(std::string_view sql) {
    return TranslateSql(sql, schema_.Resolver());
  }

  SchemaDb schema_;
};

TEST_F(SqlTranslatorTest, EveryCaseOfTheDataFileTranslatesAsWritten) {
  const auto cases = testing::ReadDataCases(ORVALIS_TEST_DATA_DIR "/translations.txt");
  EXPECT_GT(cases.size(), 60u);
  for (const testing::DataCase& c : cases) {
    std::optional<TranslatedStatement> translated;
    const std::string error = testing::ErrorTextOf([&] { translated = Translate(c.title); });
    for (const std::string& line : c.lines) {
      const auto [check, expected] = testing::FirstWord(line);
      if (check == "error") {
        EXPECT_TRUE(error.starts_with(expected + ": ")) << c.title << "\n" << error;
      } else if (translated) {
        EXPECT_EQ(Observed(check, *translated), expected == "=" ? c.title : expected)
            << c.title << "\n"
            << check;
      } else {
        ADD_FAILURE() << c.title << "\n" << error;
      }
    }
  }
}

TEST_F(SqlTranslatorTest, LikeRangeLetsSqliteUseAnIndex) {
  auto plan = [&](std::string_view dialect) {
    std::string details;
    for (const std::string& row :
         schema_.Rows("EXPLAIN QUERY PLAN " + WithParameters(Translate(dialect))))
      details += row;
    return details;
  };
  EXPECT_NE(plan("SELECT * FROM tblRegistroExportação WHERE RE Like '12*'").find("USING INDEX"),
            std::string::npos);
  EXPECT_EQ(plan("SELECT * FROM tblRegistroExportação WHERE RE Like '*2'").find("USING INDEX"),
            std::string::npos);
}

// ---- Like bounds on indexed columns -----------------------------------------------------

// A table whose Text columns are indexed and compared as text: `t` has text affinity, `n`
// none (numbers and blobs are kept as they are); each holds texts, with and without
// letters, empty, Null, numbers and blobs.
class LikeBoundsTest : public ::testing::Test {
 protected:
  LikeBoundsTest() {
    db_.Exec(
        "CREATE TABLE likes (id INTEGER, t TEXT(10) COLLATE NOCASE, n COLLATE NOCASE);"
        "CREATE INDEX likes_t ON likes (t); CREATE INDEX likes_n ON likes (n)");
    const char* values[] = {
        "NULL",  "''",  "'5'", "'50'",  "'5a'",    "'5A'", "'6'",
        "'7x'",  "'8'", "'4'", "'49'",  "'x5'",    "'ab'", "'Ab'",
        "'AB1'", "'b'", "'@'", "'0'",   "'9'",     "'05'", "5",
        "55",    "5.5", "-5",  "X'35'", "X'3536'", "X''",  "'5' || char(0) || 'z'",
        "'1;'",  "'3'", "'2z'"};
    int id = 0;
    for (const char* t : values) {
      for (const char* n : {values[id % std::size(values)], t}) {
        db_.Exec("INSERT INTO likes VALUES (" + std::to_string(++id) + ", " + t + ", " + n + ")");
      }
    }
  }

  // Translated with the columns' facts (`bounds`), or as a column of that type alone.
  std::string Sql(std::string_view dialect, bool bounds) {
    const ColumnResolver resolver = [&](std::string_view,
                                        std::string_view column) -> std::optional<ColumnFacts> {
      if (FoldCase(column) != "t" && FoldCase(column) != "n") return std::nullopt;
      ColumnFacts facts(ColumnSpec{FieldType::kText, 10, 0});
      facts.indexed = facts.text_compared = bounds;
      return facts;
    };
    return TranslateSql(dialect, resolver).sql;
  }

  MemoryDb db_;
};

TEST_F(LikeBoundsTest, BoundsReplaceTheLikesTheyMakeRedundant) {
  EXPECT_EQ(Sql("SELECT id FROM likes WHERE t Like '5*'", true),
            "SELECT id FROM likes WHERE (t >= '5' COLLATE NOCASE AND t < '6' COLLATE NOCASE)");
  EXPECT_EQ(Sql("SELECT id FROM likes WHERE ((t Like '5*') Or (t Like '7*'))", true),
            "SELECT id FROM likes WHERE (t >= '5' COLLATE NOCASE AND t < '8' COLLATE NOCASE AND "
            "((t Like '5*') Or (t Like '7*')))");
  // With letters the bounds hold more than the Like: it stays.
  EXPECT_EQ(Sql("SELECT id FROM likes WHERE t Like 'Ab*'", true),
            "SELECT id FROM likes WHERE (t Like 'Ab*' AND t >= 'ab' COLLATE NOCASE AND t < 'ac' "
            "COLLATE NOCASE)");
  // Other terms, or other columns, in the disjunction: each Like on its own.
  EXPECT_EQ(Sql("SELECT id FROM likes WHERE (t Like '5*' Or n Like '7*')", true),
            "SELECT id FROM likes WHERE ((t >= '5' COLLATE NOCASE AND t < '6' COLLATE NOCASE) Or "
            "(n >= '7' COLLATE NOCASE AND n < '8' COLLATE NOCASE))");
}

TEST_F(LikeBoundsTest, BoundedConditionsMatchWhatTheGeneralRewriteMatches) {
  const char* conditions[] = {
      "t Like '5*'",
      "n Like '5*'",
      "t Like '05*'",
      "n Like '4*'",
      "t Like 'ab*'",
      "t Like '@*'",
      "t Like '1;*'",
      "((t Like '5*') Or (t Like '7*'))",
      "(n Like '9*' Or n Like '0*' Or n Like '5*')",
      "(((t) Like '2*' Or (t) Like '3*' Or (t) Like '4*'))",
      "(t Like '5*' Or t Like 'ab*')",
      "Not (t Like '5*' Or t Like '6*')",
      "(t Like '5*' Or n Like '5*')",
      "(t Like '5*' Or t Like '6*') And (n Like '5*' Or n Like '8*')",
  };
  for (const char* condition : conditions) {
    for (const char* shape :
         {"SELECT id FROM likes WHERE %s ORDER BY id", "SELECT id, %s FROM likes ORDER BY id"}) {
      std::string dialect = shape;
      dialect.replace(dialect.find("%s"), 2, condition);
      const std::string bounded = Sql(dialect, true);
      const std::string general = Sql(dialect, false);
      EXPECT_EQ(db_.Rows(bounded), db_.Rows(general)) << bounded << "\n" << general;
    }
  }
}

}  // namespace
}  // namespace orvalis::engine
