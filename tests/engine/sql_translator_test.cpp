// Translation of the dialect's SQL into SQLite's: the rewrites and the statement structure
// the engine relies on, on a real in-memory schema with the engine's functions installed.
// The statements the declaration programs send are run end to end by conformance_test.
#include "engine/sql_translator.h"

#include <gtest/gtest.h>

#include <charconv>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "component/text_fold.h"
#include "memory_db.h"
#include "orvalis/error.h"
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

// The ColumnSpec a declared type stands for.
ColumnSpec SpecFor(std::string_view declared) {
  if (declared.starts_with("TEXT(")) {
    int32_t size = 0;
    std::from_chars(declared.data() + 5, declared.data() + declared.size(), size);
    return {FieldType::kText, size, 0};
  }
  if (declared == "CURRENCY") return {FieldType::kCurrency, 8, 0};
  if (declared == "BOOLEAN") return {FieldType::kBoolean, 1, 0};
  if (declared == "DATETIME") return {FieldType::kDate, 8, 0};
  if (declared == "MEMO TEXT") return {FieldType::kMemo, 0, 0};
  if (declared == "COUNTER") return {FieldType::kLong, 4, kAutoIncrField};
  return {FieldType::kLong, 4, 0};
}

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
      columns_[FoldCase(row.substr(0, bar))] = SpecFor(row.substr(bar + 1));
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

struct RewriteCase {
  const char* dialect;
  const char* sqlite;
};

// The SQLite text with the condition numbers written back in place of their parameters.
std::string WithParameters(const TranslatedStatement& translated) {
  std::string sql = translated.sql;
  for (size_t i = translated.parameters.size(); i > 0; --i) {
    std::string placeholder(1, '?');
    placeholder += std::to_string(i);
    for (size_t at = sql.find(placeholder); at != std::string::npos;
         at = sql.find(placeholder, at)) {
      sql.replace(at, placeholder.size(), translated.parameters[i - 1]);
    }
  }
  return sql;
}

class SqlTranslatorTest : public ::testing::Test {
 protected:
  TranslatedStatement Translate(std::string_view sql) {
    return TranslateSql(sql, schema_.Resolver());
  }
  std::string Sql(std::string_view sql) { return WithParameters(Translate(sql)); }

  SchemaDb schema_;
};

// ---- Rewrites ---------------------------------------------------------------------------

constexpr RewriteCase kRewriteCases[] = {
    // Literals, names and keywords.
    {"SELECT [a\"b] FROM [tbl x]", "SELECT \"a\"\"b\" FROM \"tbl x\""},
    {"SELECT * FROM t WHERE a = \"it's \"\"q\"\"\"", "SELECT * FROM t WHERE a = 'it''s \"q\"'"},
    {"SELECT * FROM t WHERE d = #01/03/2005#", "SELECT * FROM t WHERE d = 38412"},
    {"SELECT * FROM t WHERE d = #2005-03-01 12:00#", "SELECT * FROM t WHERE d = 38412.5"},
    {"SELECT a-#01/01/1899#, 1-True FROM t", "SELECT a- -363, 1- -1 FROM t"},
    {"SELECT t.True, [False], 'True' FROM t", "SELECT t.True, \"False\", 'True' FROM t"},
    {"  SELECT DISTINCTROW a & 'x' & b FROM t ;  ", "SELECT a || 'x' || b FROM t"},
    {"SELECT Right(a,1), Left (a, 2) FROM t LEFT JOIN u ON t.a = u.a",
     "SELECT \"Right\"(a,1), \"Left\" (a, 2) FROM t LEFT JOIN u ON t.a = u.a"},
    {"SELECT TOP 5 a FROM t ORDER BY a", "SELECT a FROM t ORDER BY a LIMIT 5"},
    {"DELETE * FROM t WHERE a = 1", "DELETE FROM t WHERE a = 1"},
    // Numbers compared with a Currency column (or an aggregate of one) are scaled exactly.
    {"SELECT * FROM tblOcorrências WHERE Valor >= 0.0001",
     "SELECT * FROM tblOcorrências WHERE Valor >= 1"},
    {"SELECT * FROM tblOcorrências WHERE 2 < Valor",
     "SELECT * FROM tblOcorrências WHERE 20000 < Valor"},
    {"SELECT * FROM tblOcorrências WHERE Valor = -3",
     "SELECT * FROM tblOcorrências WHERE Valor = -30000"},
    {"SELECT * FROM tblOcorrências WHERE ((tblOcorrências.Valor) <> 12.34567)",
     "SELECT * FROM tblOcorrências WHERE ((tblOcorrências.Valor) <> 123456.7)"},
    {"SELECT * FROM tblOcorrências WHERE Valor = 1e3",
     "SELECT * FROM tblOcorrências WHERE Valor = (1e3*10000)"},
    {"SELECT * FROM tblOcorrências AS o WHERE o.[Valor] = 2",
     "SELECT * FROM tblOcorrências AS o WHERE o.\"Valor\" = 20000"},
    {"SELECT * FROM tblOcorrências WHERE Valor Between 1 And 2.5 AND NroVEK = 5",
     "SELECT * FROM tblOcorrências WHERE Valor Between 10000 And 25000 AND NroVEK = 5"},
    {"SELECT * FROM tblOcorrências WHERE Valor Not In (1, -2.5)",
     "SELECT * FROM tblOcorrências WHERE Valor Not In (10000, -25000)"},
    {"SELECT NroVEK FROM tblOcorrências GROUP BY NroVEK HAVING Sum(Valor) > 100",
     "SELECT NroVEK FROM tblOcorrências GROUP BY NroVEK HAVING Sum(Valor) > 1000000"},
    // Like with a plain ASCII prefix on a Text column gains a range an index can serve.
    {"SELECT * FROM tblRegistroExportação WHERE RE Like '12*'",
     "SELECT * FROM tblRegistroExportação WHERE (RE Like '12*' AND RE >= '12' COLLATE NOCASE "
     "AND RE < '13' COLLATE NOCASE)"},
    {"SELECT * FROM tblRegistroExportação WHERE ((tblRegistroExportação.RE) Like \"Az*\")",
     "SELECT * FROM tblRegistroExportação WHERE (((tblRegistroExportação.RE) Like 'Az*' AND "
     "tblRegistroExportação.RE >= 'az' COLLATE NOCASE AND tblRegistroExportação.RE < 'a{' "
     "COLLATE NOCASE))"},
    {"SELECT * FROM tblRegistroExportação WHERE [RE] Like 'd''a*'",
     "SELECT * FROM tblRegistroExportação WHERE (\"RE\" Like 'd''a*' AND \"RE\" >= 'd''a' "
     "COLLATE NOCASE AND \"RE\" < 'd''b' COLLATE NOCASE)"},
    {"SELECT * FROM tblRegistroExportação WHERE RE Like '1*' & 'x'",
     "SELECT * FROM tblRegistroExportação WHERE RE Like '1*' || 'x'"},
    // UPDATE assignments store through the column's type.
    {"UPDATE tblDetalhesInterUFs SET Imposto='0,00' WHERE Imposto is null",
     "UPDATE tblDetalhesInterUFs SET Imposto=orv_store('0,00', 5, 8) WHERE Imposto is null"},
    {"UPDATE tblZFM_ALC SET tblZFM_ALC.NF2 = Left(NF, 2), Valor = (1.5) WHERE Valor = 2",
     "UPDATE tblZFM_ALC SET NF2 = orv_store(\"Left\"(NF, 2), 10, 10), Valor = orv_store((1.5), "
     "5, 8) WHERE Valor = 20000"},
};

// Statements the translator must give back as they stand.
constexpr const char* kUntouched[] = {
    "SELECT TOP 5 PERCENT a FROM t",
    // No Currency column, or the number is not compared with it directly.
    "SELECT * FROM tblOcorrências WHERE Valor = 5 + 1",
    "SELECT NroVEK FROM tblOcorrências GROUP BY NroVEK HAVING Count(Valor) > 2",
    // Like: other wildcards, no prefix, a longer pattern, not ASCII, not Text, negated.
    "SELECT * FROM tblRegistroExportação WHERE RE Like '1?*'",
    "SELECT * FROM tblRegistroExportação WHERE RE Like '*'",
    "SELECT * FROM tblRegistroExportação WHERE RE Like '1*2'",
    "SELECT * FROM tblRegistroExportação WHERE RE Like 'á*'",
    "SELECT * FROM tblRegistroExportação WHERE NroVEK Like '7*'",
    "SELECT * FROM tblRegistroExportação WHERE RE Not Like '1*'",
    // An assignment to an unknown column.
    "UPDATE tblZFM_ALC SET Nope = 1",
};

TEST_F(SqlTranslatorTest, RewritesTheDialect) {
  for (const RewriteCase& c : kRewriteCases) EXPECT_EQ(Sql(c.dialect), c.sqlite) << c.dialect;
  for (const char* dialect : kUntouched) EXPECT_EQ(Sql(dialect), dialect);
}

TEST_F(SqlTranslatorTest, LikeRangeLetsSqliteUseAnIndex) {
  auto plan = [&](std::string_view dialect) {
    std::string details;
    for (const std::string& row : schema_.Rows("EXPLAIN QUERY PLAN " + Sql(dialect)))
      details += row;
    return details;
  };
  EXPECT_NE(plan("SELECT * FROM tblRegistroExportação WHERE RE Like '12*'").find("USING INDEX"),
            std::string::npos);
  EXPECT_EQ(plan("SELECT * FROM tblRegistroExportação WHERE RE Like '*2'").find("USING INDEX"),
            std::string::npos);
}

// ---- Statement structure ---------------------------------------------------------------

struct KindCase {
  const char* dialect;
  StatementKind kind;
  bool read_only;
};

constexpr KindCase kKindCases[] = {
    {"select * from tblVEK", StatementKind::kSelect, false},
    {"SELECT DISTINCTROW IE FROM tblVEK", StatementKind::kSelect, false},
    {"SELECT DISTINCT IE FROM tblVEK", StatementKind::kSelect, true},
    {"SELECT IE FROM tblVEK GROUP BY IE", StatementKind::kSelect, true},
    {"SELECT IE FROM tblVEK UNION SELECT IE FROM tblContribuinte", StatementKind::kSelect, true},
    {"SELECT * FROM tblVEK WHERE NroVEK IN (SELECT Max(NroVEK) FROM tblVEK)",
     StatementKind::kSelect, false},
    {"UPDATE tblVEK SET IE = '1'", StatementKind::kUpdate, false},
    {"DROP TABLE tblVEK", StatementKind::kDropTable, false},
};

struct TablesCase {
  const char* dialect;
  const char* tables;  // "name/alias" joined with ','
};

constexpr TablesCase kTablesCases[] = {
    {"SELECT * FROM tblEstados INNER JOIN tblDetalhesInterUFs ON tblEstados.Código = "
     "tblDetalhesInterUFs.UF WHERE tblEstados.Sigla = 'SP'",
     "tblEstados/tblEstados,tblDetalhesInterUFs/tblDetalhesInterUFs"},
    {"SELECT * FROM [tbl a] AS x, tblB y WHERE x.k = y.k", "tbl a/x,tblB/y"},
    {"SELECT * FROM (a INNER JOIN b ON a.k = b.k) LEFT JOIN c ON Left(b.x, 2) = c.x, d",
     "a/a,b/b,c/c,d/d"},
    {"SELECT * FROM a WHERE k IN (SELECT k FROM b)", "a/a"},
    {"SELECT a FROM t UNION SELECT a FROM u ORDER BY a", "t/t,u/u"},
    {"DROP TABLE [tbl x];", "tbl x/tbl x"},
};

TEST_F(SqlTranslatorTest, ReportsKindReadOnlyAndTables) {
  for (const KindCase& c : kKindCases) {
    const TranslatedStatement translated = Translate(c.dialect);
    EXPECT_EQ(translated.kind, c.kind) << c.dialect;
    EXPECT_EQ(translated.read_only, c.read_only) << c.dialect;
  }
  for (const TablesCase& c : kTablesCases) {
    std::string tables;
    for (const TableRef& table : Translate(c.dialect).tables) {
      if (!tables.empty()) tables += ",";
      tables += table.name + "/" + table.alias;
    }
    EXPECT_EQ(tables, c.tables) << c.dialect;
  }
}

struct RangeCase {
  const char* dialect;
  const char* select_list;
  const char* from;
};

constexpr RangeCase kRangeCases[] = {
    {"SELECT DISTINCTROW tblContribuinte.*, Right([tblcontribuinte].[IE],1) AS ÚltimoDígito, "
     "tblContribuinte.CNAE FROM tblContribuinte  ORDER BY Right([tblcontribuinte].[IE],1)",
     "tblContribuinte.*, \"Right\"(\"tblcontribuinte\".\"IE\",1) AS ÚltimoDígito, "
     "tblContribuinte.CNAE",
     "tblContribuinte"},
    {"SELECT tblEstados.Sigla AS Sigla, tblDetalhesInterUFs.* FROM tblEstados INNER JOIN "
     "tblDetalhesInterUFs ON tblEstados.Código = tblDetalhesInterUFs.UF WHERE "
     "((tblEstados.Sigla Like 'SP')) ORDER BY tblEstados.Sigla",
     "tblEstados.Sigla AS Sigla, tblDetalhesInterUFs.*",
     "tblEstados INNER JOIN tblDetalhesInterUFs ON tblEstados.Código = tblDetalhesInterUFs.UF"},
    {"SELECT DISTINCT NroVEK FROM [tblVEK] AS v WHERE IE = '1' ;", "NroVEK", "\"tblVEK\" AS v"},
    {"SELECT RE Like '1*' AS m FROM tblRegistroExportação",
     "(RE Like '1*' AND RE >= '1' COLLATE NOCASE AND RE < '2' COLLATE NOCASE) AS m",
     "tblRegistroExportação"},
    {"SELECT NroVEK FROM tblVEK UNION SELECT NroVEK FROM tblPagamento", "NroVEK", "tblVEK"},
};

TEST_F(SqlTranslatorTest, ConditionNumbersBecomeParameters) {
  TranslatedStatement translated = Translate(
      "SELECT TOP 5 NroVEK, 7 AS sete FROM tblOcorrências WHERE (NroVEK = 12) AND (Valor > 1.5) "
      "GROUP BY NroVEK HAVING (NroVEK=-3) ORDER BY 1");
  EXPECT_EQ(translated.parameters, (std::vector<std::string>{"12", "15000", "3"}));
  EXPECT_NE(translated.sql.find("7 AS sete"), std::string::npos) << translated.sql;
  EXPECT_NE(translated.sql.find("HAVING (NroVEK=-?3) ORDER BY 1"), std::string::npos)
      << translated.sql;
  // Statements differing only in the number share their SQLite text.
  EXPECT_EQ(Translate("Select * from tblVEK Where NroVEK=12").sql,
            Translate("Select * from tblVEK Where NroVEK=7").sql);
}

// The engine rebuilds "SELECT <list>, t.rowid FROM <from> WHERE t.rowid = ?" from the ranges
// (the recordset tests refetch rows that way).
TEST_F(SqlTranslatorTest, RangesDelimitTheSelectListAndFromClause) {
  for (const RangeCase& c : kRangeCases) {
    const TranslatedStatement translated = Translate(c.dialect);
    const std::string& sql = translated.sql;
    const std::string list = sql.substr(translated.select_list_begin,
                                        translated.select_list_end - translated.select_list_begin);
    const std::string from =
        sql.substr(translated.from_begin, translated.from_end - translated.from_begin);
    EXPECT_EQ(list, c.select_list) << c.dialect;
    EXPECT_EQ(from, c.from) << c.dialect;
  }
}

TEST_F(SqlTranslatorTest, HintsTypeTheSelectItems) {
  const TranslatedStatement translated = Translate(
      "SELECT DISTINCTROW Sum(tblDetalhesCFOPs.Imposto) AS [Soma De Imposto], Count(*), "
      "tblDetalhesCFOPs.*, *, cfop, Max(Imposto) * 2, Right(CFOP, 1), First((Imposto)), "
      "Avg(Imposto + 1), ((NroVEK)) AS n FROM tblDetalhesCFOPs");
  struct Expected {
    AggregateKind aggregate;
    const char* table;
    const char* column;
    bool is_star;
    bool is_column;
  };
  const Expected expected[] = {
      {AggregateKind::kSum, "tblDetalhesCFOPs", "Imposto", false, false},
      {AggregateKind::kCount, "", "", false, false},
      {AggregateKind::kNone, "tblDetalhesCFOPs", "", true, false},
      {AggregateKind::kNone, "", "", true, false},
      {AggregateKind::kNone, "tblDetalhesCFOPs", "cfop", false, true},
      {AggregateKind::kOther, "", "", false, false},
      {AggregateKind::kNone, "", "", false, false},
      {AggregateKind::kFirst, "tblDetalhesCFOPs", "Imposto", false, false},
      {AggregateKind::kAvg, "", "", false, false},
      {AggregateKind::kNone, "tblDetalhesCFOPs", "NroVEK", false, true},
  };
  ASSERT_EQ(translated.select_items.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    const SelectItemHint& hint = translated.select_items[i];
    EXPECT_EQ(hint.aggregate, expected[i].aggregate) << "item " << i;
    EXPECT_EQ(hint.table, expected[i].table) << "item " << i;
    EXPECT_EQ(hint.column, expected[i].column) << "item " << i;
    EXPECT_EQ(hint.is_star, expected[i].is_star) << "item " << i;
    EXPECT_EQ(hint.is_column, expected[i].is_column) << "item " << i;
  }
  // Aliases resolve to their table; an unqualified name to the table that has it.
  const TranslatedStatement joined = Translate(
      "SELECT e.Sigla, UF, StDev(d.Imposto) FROM tblEstados AS e INNER JOIN "
      "tblDetalhesInterUFs d ON e.Código = d.UF");
  ASSERT_EQ(joined.select_items.size(), 3u);
  EXPECT_EQ(joined.select_items[0].table + "." + joined.select_items[0].column, "tblEstados.Sigla");
  EXPECT_EQ(joined.select_items[1].table + "." + joined.select_items[1].column,
            "tblDetalhesInterUFs.UF");
  EXPECT_EQ(joined.select_items[2].aggregate, AggregateKind::kOther);
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

// ---- Faults ----------------------------------------------------------------------------

TEST_F(SqlTranslatorTest, LexicalFaultsRaiseSyntaxErrorInExpression) {
  for (const char* dialect :
       {"SELECT * FROM t WHERE a = 'abc", "SELECT * FROM [t WHERE a = 1",
        "SELECT * FROM t WHERE a = \"abc", "SELECT * FROM t WHERE d = #01/03/2005",
        "SELECT * FROM t WHERE d = #32/13/2005#", "SELECT * FROM t WHERE d = #abc#"}) {
    EXPECT_EQ(testing::ErrorOf([&] { Translate(dialect); }), 3075) << dialect;
  }
}

}  // namespace
}  // namespace orvalis::engine
