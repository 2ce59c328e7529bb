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

}  // namespace
}  // namespace orvalis::engine
