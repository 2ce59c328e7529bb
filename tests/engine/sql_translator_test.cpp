// Translation of the dialect's SQL into SQLite's: the rewrites, the statement structure
// the engine relies on, and the statements the declaration programs send, run on a real
// in-memory schema with the engine's functions installed.
#include "engine/sql_translator.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <charconv>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/sql_functions.h"
#include "engine/sql_tokenizer.h"
#include "orvalis/error.h"
#include "orvalis/text_fold.h"

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
CREATE TABLE tblZFM_ALC (NroLançamento COUNTER, Data DATETIME, NroVEK LONG,
  CFOP TEXT(4) COLLATE NOCASE, Valor CURRENCY, CNPJDest TEXT(14) COLLATE NOCASE,
  MunicípioDest LONG, NF TEXT(10) COLLATE NOCASE, NF2 TEXT(10) COLLATE NOCASE,
  UF TEXT(2) COLLATE NOCASE);
CREATE TABLE tblMunicípiosZFM_ALC (CódMunicípio LONG, Município TEXT(50) COLLATE NOCASE);
CREATE TABLE tblDIPAM (NroVEK LONG, Código LONG, CódDIPAM TEXT(5) COLLATE NOCASE,
  Município LONG, Valor CURRENCY);
CREATE TABLE tblMunicípios (CódMunicípio LONG, Município TEXT(50) COLLATE NOCASE);
CREATE TABLE tblPagamento (NroVEK LONG, OpPróprias BOOLEAN, Valor CURRENCY,
  Data TEXT(10) COLLATE NOCASE);
CREATE TABLE tblRegistroExportação (NroVEK LONG, RE TEXT(12) COLLATE NOCASE);
CREATE INDEX idxRE ON tblRegistroExportação (RE);
CREATE TABLE tblIESubstituto (Código LONG, IESubstituto TEXT(14) COLLATE NOCASE,
  NF TEXT(10) COLLATE NOCASE);
CREATE TABLE tblResumoCFOPsEntradas (CFOP TEXT(4) COLLATE NOCASE);
CREATE TABLE tblResumoCFOPsSaídas (CFOP TEXT(4) COLLATE NOCASE);
)sql";

// Values as the engine stores them: Currency in ten-thousandths, Booleans -1/0, dates as
// serial numbers.
constexpr const char* kRows = R"sql(
INSERT INTO tblDetalhesCFOPs VALUES (7, '5101', 100000), (12, '5102', 250000),
  (12, '6102', 100000), (12, '7101', 5000), (12, '1102', 50000), (12, '2101', 20000),
  (13, '5101', 1);
INSERT INTO tblOcorrências VALUES (1, 12, '003001', -1, 15000, NULL),
  (2, 12, '003002', 0, 20000, NULL), (3, 12, '004001', -1, 30000, NULL),
  (4, 5, '002001', -1, 0, NULL), (5, 5, '002002', 0, 10000, NULL), (6, 5, '001', -1, NULL, NULL);
INSERT INTO tblVEK VALUES (7, '123', 38412), (8, '123', 38413), (9, '456', 38412);
INSERT INTO tblContribuinte VALUES ('1236', 'Empresa A', 'c1', 'n1'),
  ('5671', 'Empresa B', 'c2', 'n2'), ('9994', 'Empresa C', 'c3', 'n3');
INSERT INTO tblEstados VALUES (35, 'SP'), (33, 'RJ');
INSERT INTO tblDetalhesInterUFs VALUES (7, 35, '6101', NULL), (7, 33, '6101', 500),
  (8, 35, '6101', 700), (7, 35, '6102', NULL);
INSERT INTO tblZFM_ALC VALUES (5, 38412, 7, '6109', 10000, '111', 100, '000123', NULL, 'AM'),
  (6, 38413, 7, '6109', 20000, '222', 300, '000124', NULL, 'AC');
INSERT INTO tblMunicípiosZFM_ALC VALUES (100, 'Manaus'), (200, 'Tabatinga');
INSERT INTO tblDIPAM VALUES (7, 3, '1.1', 100, 5000), (7, 3, NULL, 200, 0), (7, 4, '2.1', 100, 10);
INSERT INTO tblMunicípios VALUES (100, 'Manaus'), (200, 'Parintins');
INSERT INTO tblPagamento VALUES (7, -1, 10000, '02/03/2005'), (7, -1, 20000, '15/01/2005'),
  (7, 0, 30000, '10/01/2005'), (12, -1, 40000, '01/01/2005'), (12, -1, 5000, '01/02/2005'),
  (12, 0, 1, '01/03/2005');
INSERT INTO tblRegistroExportação VALUES (7, '1234'), (7, '1299'), (7, '1300'), (8, '1211');
INSERT INTO tblIESubstituto VALUES (4, '1100', '123'), (4, '1199', '999'), (4, '1200', '123'),
  (5, '1100', '123');
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
class SchemaDb {
 public:
  SchemaDb() {
    sqlite3_open(":memory:", &db_);
    RegisterSqlFunctions(db_);
    Exec(kSchema);
    Exec(kRows);
    LoadColumns();
  }
  ~SchemaDb() { sqlite3_close(db_); }
  SchemaDb(const SchemaDb&) = delete;
  SchemaDb& operator=(const SchemaDb&) = delete;

  sqlite3* db() const { return db_; }

  ColumnResolver Resolver() const {
    return [this](std::string_view table, std::string_view column) -> std::optional<ColumnSpec> {
      auto found = columns_.find(FoldCase(table) + "." + FoldCase(column));
      if (found == columns_.end()) return std::nullopt;
      return found->second;
    };
  }

  void Exec(const std::string& sql) {
    char* message = nullptr;
    ASSERT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK)
        << message << "\n"
        << sql;
  }

  // Runs a statement; returns its rows as text ("integer 7|text 'a'" per row), or
  // "error <message>".
  std::vector<std::string> Rows(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
      return {"error " + std::string(sqlite3_errmsg(db_))};
    }
    std::vector<std::string> rows;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      std::string row;
      for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        if (i > 0) row += "|";
        row += Describe(statement, i);
      }
      rows.push_back(row);
    }
    if (rc != SQLITE_DONE) rows = {"error " + std::string(sqlite3_errmsg(db_))};
    sqlite3_finalize(statement);
    return rows;
  }

  static std::string Describe(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
      case SQLITE_NULL:
        return "NULL";
      case SQLITE_INTEGER:
        return "integer " + std::to_string(sqlite3_column_int64(statement, column));
      case SQLITE_FLOAT: {
        char buffer[32];
        auto written =
            std::to_chars(buffer, buffer + sizeof buffer, sqlite3_column_double(statement, column));
        return "real " + std::string(buffer, written.ptr);
      }
      default:
        return "text '" +
               std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, column))) +
               "'";
    }
  }

 private:
  void LoadColumns() {
    for (const std::string& table : Rows("SELECT name FROM sqlite_master WHERE type = 'table'")) {
      const std::string name = table.substr(6, table.size() - 7);  // text '...'
      sqlite3_stmt* statement = nullptr;
      const std::string pragma = "PRAGMA table_info(\"" + name + "\")";
      sqlite3_prepare_v2(db_, pragma.c_str(), -1, &statement, nullptr);
      while (sqlite3_step(statement) == SQLITE_ROW) {
        const auto* column = reinterpret_cast<const char*>(sqlite3_column_text(statement, 1));
        const auto* declared = reinterpret_cast<const char*>(sqlite3_column_text(statement, 2));
        columns_[FoldCase(name) + "." + FoldCase(column)] = SpecFor(declared);
      }
      sqlite3_finalize(statement);
    }
  }

  sqlite3* db_ = nullptr;
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
    const std::string placeholder = "?" + std::to_string(i);
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

  void ExpectRewrites(std::span<const RewriteCase> cases) {
    for (const RewriteCase& c : cases) EXPECT_EQ(Sql(c.dialect), c.sqlite) << c.dialect;
  }

  SchemaDb schema_;
};

// ---- Tokens ----------------------------------------------------------------------------

std::string Tokens(std::string_view sql) {
  constexpr const char* kNames[] = {"id", "br", "sq", "dq", "date", "num", "op", "ws", "other"};
  std::string out;
  SqlTokenizer tokenizer(sql);
  SqlToken token;
  while (tokenizer.Next(token)) {
    if (token.kind == SqlTokenKind::kWhitespace) continue;
    if (!out.empty()) out += " ";
    out += kNames[static_cast<int>(token.kind)];
    out += ":";
    out += token.text;
  }
  return out;
}

TEST(SqlTokenizer, SplitsTheDialectsTokens) {
  EXPECT_EQ(Tokens("SELECT tblOcorrências.CódSubItem AS ÚltimoDígito,[a b] FROM t;"),
            "id:SELECT id:tblOcorrências op:. id:CódSubItem id:AS id:ÚltimoDígito op:, br:[a b] "
            "id:FROM id:t op:;");
  EXPECT_EQ(Tokens("a='it''s'&\"x\"\"y\"<>#1/3/2005#"),
            "id:a op:= sq:'it''s' op:& dq:\"x\"\"y\" op:<> date:#1/3/2005#");
  EXPECT_EQ(Tokens("x<=1.5 And(y>=.5)Or z<1e3 + t.a2 - 3E-2 ! ?"),
            "id:x op:<= num:1.5 id:And op:( id:y op:>= num:.5 op:) id:Or id:z op:< num:1e3 op:+ "
            "id:t op:. id:a2 op:- num:3E-2 other:! other:?");
  EXPECT_EQ(Tokens("12abc 1.e"), "num:12 id:abc num:1. id:e");
}

// ---- Literals, names and keywords ------------------------------------------------------

constexpr RewriteCase kLexicalCases[] = {
    {"SELECT [Soma De Imposto] FROM [tbl x]", "SELECT \"Soma De Imposto\" FROM \"tbl x\""},
    {"SELECT [a\"b] FROM t", "SELECT \"a\"\"b\" FROM t"},
    {"SELECT * FROM t WHERE a = \"it's \"\"q\"\"\"", "SELECT * FROM t WHERE a = 'it''s \"q\"'"},
    {"SELECT * FROM t WHERE a = 'it''s'", "SELECT * FROM t WHERE a = 'it''s'"},
    {"SELECT * FROM t WHERE d = #01/03/2005#", "SELECT * FROM t WHERE d = 38412"},
    {"SELECT * FROM t WHERE d = #2005-03-01 12:00#", "SELECT * FROM t WHERE d = 38412.5"},
    {"SELECT * FROM t WHERE d > #1/3/2005 06:00:00#", "SELECT * FROM t WHERE d > 38412.25"},
    {"SELECT a-#01/01/1899# FROM t", "SELECT a- -363 FROM t"},
    {"SELECT * FROM t WHERE a = True Or b = false", "SELECT * FROM t WHERE a = -1 Or b = 0"},
    {"SELECT 1-True FROM t", "SELECT 1- -1 FROM t"},
    {"SELECT t.True, [False], 'True' FROM t", "SELECT t.True, \"False\", 'True' FROM t"},
    {"SELECT DISTINCTROW a FROM t", "SELECT a FROM t"},
    {"SELECT a & 'x' & b FROM t", "SELECT a || 'x' || b FROM t"},
    {"  SELECT a FROM t ;  ", "SELECT a FROM t"},
    {"SELECT Right(a,1), Left (a, 2) FROM t LEFT JOIN u ON t.a = u.a",
     "SELECT \"Right\"(a,1), \"Left\" (a, 2) FROM t LEFT JOIN u ON t.a = u.a"},
    {"SELECT Limit, t.Escape FROM t", "SELECT \"Limit\", t.\"Escape\" FROM t"},
    {"SELECT TOP 5 a FROM t ORDER BY a", "SELECT a FROM t ORDER BY a LIMIT 5"},
    {"SELECT TOP 5 PERCENT a FROM t", "SELECT TOP 5 PERCENT a FROM t"},
    {"DELETE * FROM t WHERE a = 1", "DELETE FROM t WHERE a = 1"},
    {"DELETE t.* FROM t", "DELETE FROM t"},
    {"SELECT a FROM t WHERE b = .5", "SELECT a FROM t WHERE b = .5"},
    {"SELECT tblOcorrências.CódSubItem FROM tblOcorrências",
     "SELECT tblOcorrências.CódSubItem FROM tblOcorrências"},
};

TEST_F(SqlTranslatorTest, RewritesLiteralsNamesAndKeywords) { ExpectRewrites(kLexicalCases); }

// ---- Currency literals -----------------------------------------------------------------

constexpr RewriteCase kCurrencyCases[] = {
    {"SELECT * FROM tblOcorrências WHERE Valor = 1.5",
     "SELECT * FROM tblOcorrências WHERE Valor = 15000"},
    {"SELECT * FROM tblOcorrências WHERE Valor >= 0.0001",
     "SELECT * FROM tblOcorrências WHERE Valor >= 1"},
    {"SELECT * FROM tblOcorrências WHERE Valor > .5",
     "SELECT * FROM tblOcorrências WHERE Valor > 5000"},
    {"SELECT * FROM tblOcorrências WHERE 2 < Valor",
     "SELECT * FROM tblOcorrências WHERE 20000 < Valor"},
    {"SELECT * FROM tblOcorrências WHERE Valor = -3",
     "SELECT * FROM tblOcorrências WHERE Valor = -30000"},
    {"SELECT * FROM tblOcorrências WHERE Valor = 007",
     "SELECT * FROM tblOcorrências WHERE Valor = 70000"},
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
    // Left alone: no Currency column, or the literal is not compared with it directly.
    {"SELECT * FROM tblOcorrências WHERE NroVEK = 5",
     "SELECT * FROM tblOcorrências WHERE NroVEK = 5"},
    {"SELECT * FROM tblOcorrências WHERE Valor = 5 + 1",
     "SELECT * FROM tblOcorrências WHERE Valor = 5 + 1"},
    {"SELECT * FROM tblOcorrências WHERE 1 + Valor = 5",
     "SELECT * FROM tblOcorrências WHERE 1 + Valor = 5"},
    {"SELECT NroVEK FROM tblOcorrências GROUP BY NroVEK HAVING Count(Valor) > 2",
     "SELECT NroVEK FROM tblOcorrências GROUP BY NroVEK HAVING Count(Valor) > 2"},
    {"SELECT * FROM tblOcorrências WHERE Valor = '1,5'",
     "SELECT * FROM tblOcorrências WHERE Valor = '1,5'"},
};

TEST_F(SqlTranslatorTest, ScalesNumbersComparedWithCurrencyColumns) {
  ExpectRewrites(kCurrencyCases);
}

// ---- Like prefix ranges ----------------------------------------------------------------

constexpr RewriteCase kLikeCases[] = {
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
    // Left alone: other wildcards, no prefix, a non-Text column, negation, a longer pattern.
    {"SELECT * FROM tblRegistroExportação WHERE RE Like '1?*'",
     "SELECT * FROM tblRegistroExportação WHERE RE Like '1?*'"},
    {"SELECT * FROM tblRegistroExportação WHERE RE Like '*1'",
     "SELECT * FROM tblRegistroExportação WHERE RE Like '*1'"},
    {"SELECT * FROM tblRegistroExportação WHERE RE Like '1*2'",
     "SELECT * FROM tblRegistroExportação WHERE RE Like '1*2'"},
    {"SELECT * FROM tblRegistroExportação WHERE RE Like '*'",
     "SELECT * FROM tblRegistroExportação WHERE RE Like '*'"},
    {"SELECT * FROM tblRegistroExportação WHERE RE Like 'á*'",
     "SELECT * FROM tblRegistroExportação WHERE RE Like 'á*'"},
    {"SELECT * FROM tblRegistroExportação WHERE NroVEK Like '7*'",
     "SELECT * FROM tblRegistroExportação WHERE NroVEK Like '7*'"},
    {"SELECT * FROM tblRegistroExportação WHERE RE Not Like '1*'",
     "SELECT * FROM tblRegistroExportação WHERE RE Not Like '1*'"},
    {"SELECT * FROM tblRegistroExportação WHERE RE Like '1*' & 'x'",
     "SELECT * FROM tblRegistroExportação WHERE RE Like '1*' || 'x'"},
};

TEST_F(SqlTranslatorTest, AddsARangeToLikeWithAPlainPrefix) { ExpectRewrites(kLikeCases); }

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

// ---- UPDATE assignments ----------------------------------------------------------------

constexpr RewriteCase kUpdateCases[] = {
    {"UPDATE tblDetalhesInterUFs SET Imposto='0,00' WHERE Imposto is null",
     "UPDATE tblDetalhesInterUFs SET Imposto=orv_store('0,00', 5, 8) WHERE Imposto is null"},
    {"UPDATE tblZFM_ALC SET NF2 = NF", "UPDATE tblZFM_ALC SET NF2 = orv_store(NF, 10, 10)"},
    {"UPDATE tblZFM_ALC SET tblZFM_ALC.NF2 = Left(NF, 2), Valor = (1.5) WHERE Valor = 2",
     "UPDATE tblZFM_ALC SET NF2 = orv_store(\"Left\"(NF, 2), 10, 10), Valor = orv_store((1.5), "
     "5, 8) WHERE Valor = 20000"},
    {"UPDATE tblZFM_ALC SET Nope = 1", "UPDATE tblZFM_ALC SET Nope = 1"},
};

TEST_F(SqlTranslatorTest, StoresUpdatedValuesThroughTheColumnsType) {
  ExpectRewrites(kUpdateCases);
}

TEST_F(SqlTranslatorTest, UpdateStoresCurrencyTextAsTenThousandths) {
  schema_.Exec(Sql("UPDATE tblDetalhesInterUFs SET Imposto='0,00' WHERE Imposto is null"));
  EXPECT_EQ(schema_.Rows("SELECT typeof(Imposto), Imposto FROM tblDetalhesInterUFs"),
            (std::vector<std::string>{"text 'integer'|integer 0", "text 'integer'|integer 500",
                                      "text 'integer'|integer 700", "text 'integer'|integer 0"}));
  EXPECT_EQ(schema_.Rows(Sql("UPDATE tblZFM_ALC SET NF2 = 'much too long'")).front(),
            "error orv:3163:The field is too small to accept the amount of data you attempted "
            "to add.  Try inserting or pasting less data.");
}

// ---- Statement structure ---------------------------------------------------------------

struct KindCase {
  const char* dialect;
  StatementKind kind;
  bool read_only;
};

constexpr KindCase kKindCases[] = {
    {"SELECT * FROM tblVEK", StatementKind::kSelect, false},
    {"select * from tblVEK", StatementKind::kSelect, false},
    {"SELECT DISTINCTROW IE FROM tblVEK", StatementKind::kSelect, false},
    {"SELECT DISTINCT IE FROM tblVEK", StatementKind::kSelect, true},
    {"SELECT IE FROM tblVEK GROUP BY IE", StatementKind::kSelect, true},
    {"SELECT Sum(NroVEK) FROM tblVEK", StatementKind::kSelect, true},
    {"SELECT count(*) + 1 AS n FROM tblVEK", StatementKind::kSelect, true},
    {"SELECT IE FROM tblVEK UNION SELECT IE FROM tblContribuinte", StatementKind::kSelect, true},
    {"SELECT TOP 1 IE FROM tblVEK", StatementKind::kSelect, true},
    {"SELECT * FROM tblVEK WHERE NroVEK IN (SELECT Max(NroVEK) FROM tblVEK)",
     StatementKind::kSelect, false},
    {"SELECT (SELECT Max(NroVEK) FROM tblVEK) AS m FROM tblEstados", StatementKind::kSelect, false},
    {"UPDATE tblVEK SET IE = '1'", StatementKind::kUpdate, false},
    {"DELETE FROM tblVEK", StatementKind::kDelete, false},
    {"INSERT INTO tblVEK (NroVEK) VALUES (1)", StatementKind::kInsert, false},
    {"DROP TABLE tblVEK", StatementKind::kDropTable, false},
    {"CREATE TABLE x (a TEXT(10))", StatementKind::kOther, false},
    {"", StatementKind::kOther, false},
};

TEST_F(SqlTranslatorTest, ReportsKindAndReadOnly) {
  for (const KindCase& c : kKindCases) {
    const TranslatedStatement translated = Translate(c.dialect);
    EXPECT_EQ(translated.kind, c.kind) << c.dialect;
    EXPECT_EQ(translated.read_only, c.read_only) << c.dialect;
  }
}

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
    {"SELECT * FROM tblMunicípiosZFM_ALC RIGHT JOIN tblZFM_ALC ON "
     "tblMunicípiosZFM_ALC.CódMunicípio = tblZFM_ALC.MunicípioDest",
     "tblMunicípiosZFM_ALC/tblMunicípiosZFM_ALC,tblZFM_ALC/tblZFM_ALC"},
    {"SELECT * FROM a WHERE k IN (SELECT k FROM b)", "a/a"},
    {"SELECT * FROM (SELECT k FROM b) AS s, c", "c/c"},
    {"SELECT a FROM t UNION SELECT a FROM u ORDER BY a", "t/t,u/u"},
    {"UPDATE tblZFM_ALC SET NF2 = NF", "tblZFM_ALC/tblZFM_ALC"},
    {"DELETE * FROM tblVEK WHERE NroVEK = 1", "tblVEK/tblVEK"},
    {"INSERT INTO tblVEK (NroVEK) VALUES (1)", "tblVEK/tblVEK"},
    {"DROP TABLE tblResumoCFOPsSaídas", "tblResumoCFOPsSaídas/tblResumoCFOPsSaídas"},
    {"DROP TABLE [tbl x];", "tbl x/tbl x"},
};

TEST_F(SqlTranslatorTest, ListsTheTablesOfTheStatement) {
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
     "tblContribuinte.IE, tblContribuinte.RazãoSocial, tblContribuinte.CNPJ, "
     "tblContribuinte.CNAE FROM tblContribuinte  ORDER BY Right([tblcontribuinte].[IE],1)",
     "tblContribuinte.*, \"Right\"(\"tblcontribuinte\".\"IE\",1) AS ÚltimoDígito, "
     "tblContribuinte.IE, tblContribuinte.RazãoSocial, tblContribuinte.CNPJ, "
     "tblContribuinte.CNAE",
     "tblContribuinte"},
    {"SELECT tblEstados.Sigla AS Sigla, tblDetalhesInterUFs.* FROM tblEstados INNER JOIN "
     "tblDetalhesInterUFs ON tblEstados.Código = tblDetalhesInterUFs.UF WHERE "
     "((tblEstados.Sigla Like 'SP')) ORDER BY tblEstados.Sigla",
     "tblEstados.Sigla AS Sigla, tblDetalhesInterUFs.*",
     "tblEstados INNER JOIN tblDetalhesInterUFs ON tblEstados.Código = tblDetalhesInterUFs.UF"},
    {"Select * from tblVEK Where (IE='123') And(Ref1 = #01/03/2005#)", "*", "tblVEK"},
    {"SELECT * FROM tblRegistroExportação WHERE (NroVEK = 7) And (RE Like '12*')ORDER BY RE", "*",
     "tblRegistroExportação"},
    {"SELECT TOP 2 NroVEK FROM tblVEK", "NroVEK", "tblVEK"},
    {"SELECT DISTINCT NroVEK FROM [tblVEK] AS v WHERE IE = '1' ;", "NroVEK", "\"tblVEK\" AS v"},
    {"SELECT RE Like '1*' AS m FROM tblRegistroExportação",
     "(RE Like '1*' AND RE >= '1' COLLATE NOCASE AND RE < '2' COLLATE NOCASE) AS m",
     "tblRegistroExportação"},
    {"SELECT NroVEK FROM tblVEK UNION SELECT NroVEK FROM tblPagamento", "NroVEK", "tblVEK"},
    {"SELECT tblZFM_ALC.Data, tblMunicípiosZFM_ALC.Município FROM tblMunicípiosZFM_ALC RIGHT "
     "JOIN tblZFM_ALC ON tblMunicípiosZFM_ALC.CódMunicípio = tblZFM_ALC.MunicípioDest WHERE "
     "(tblZFM_ALC.NroLançamento Like 5) ORDER BY tblZFM_ALC.NF",
     "tblZFM_ALC.Data, tblMunicípiosZFM_ALC.Município",
     "tblMunicípiosZFM_ALC RIGHT JOIN tblZFM_ALC ON tblMunicípiosZFM_ALC.CódMunicípio = "
     "tblZFM_ALC.MunicípioDest"},
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

// The engine rebuilds "SELECT <list>, t.rowid FROM <from> WHERE t.rowid = ?" from the ranges.
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
    ASSERT_FALSE(translated.tables.empty()) << c.dialect;
    const std::string key = "\"" + translated.tables.front().alias + "\".rowid";
    const std::string refetch =
        "SELECT " + list + ", " + key + " FROM " + from + " WHERE " + key + " = 1";
    const std::vector<std::string> rows = schema_.Rows(refetch);
    EXPECT_TRUE(rows.empty() || rows.front().substr(0, 6) != "error ") << refetch << "\n"
                                                                       << rows.front();
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
}

TEST_F(SqlTranslatorTest, HintsResolveAliasesAndUnqualifiedNames) {
  const TranslatedStatement translated = Translate(
      "SELECT e.Sigla, UF, StDev(d.Imposto) FROM tblEstados AS e INNER JOIN "
      "tblDetalhesInterUFs d ON e.Código = d.UF");
  ASSERT_EQ(translated.select_items.size(), 3u);
  EXPECT_EQ(translated.select_items[0].table, "tblEstados");
  EXPECT_EQ(translated.select_items[0].column, "Sigla");
  EXPECT_EQ(translated.select_items[1].table, "tblDetalhesInterUFs");
  EXPECT_EQ(translated.select_items[1].column, "UF");
  EXPECT_EQ(translated.select_items[2].aggregate, AggregateKind::kOther);
}

// ---- Faults ----------------------------------------------------------------------------

constexpr const char* kFaultyStatements[] = {
    "SELECT * FROM t WHERE a = 'abc",         "SELECT * FROM [t WHERE a = 1",
    "SELECT * FROM t WHERE a = \"abc",        "SELECT * FROM t WHERE d = #01/03/2005",
    "SELECT * FROM t WHERE d = #32/13/2005#", "SELECT * FROM t WHERE d = #abc#",
};

TEST_F(SqlTranslatorTest, LexicalFaultsRaiseSyntaxErrorInExpression) {
  for (const char* dialect : kFaultyStatements) {
    try {
      Translate(dialect);
      ADD_FAILURE() << "no error for " << dialect;
    } catch (const Error& error) {
      EXPECT_EQ(error.number(), static_cast<int32_t>(ErrorCode::kSyntaxInExpression)) << dialect;
    }
  }
}

// ---- The statements the declaration programs send ----------------------------------------

struct RunCase {
  const char* dialect;
  std::vector<std::string> rows;  // every row, or the first rows given by `prefix`
};

// Each statement translated and run on a fresh copy of the schema; the result rows (or
// the rows an UPDATE leaves) as SchemaDb::Rows describes them.
const RunCase kRunCases[] = {
    {"Select * from tblDetalhesCFOPs Where (NroVEK = 7) And (CFOP = '5101')",
     {"integer 7|text '5101'|integer 100000"}},
    {"SELECT DISTINCTROW Sum(tblDetalhesCFOPs.Imposto) AS [Soma De Imposto] FROM "
     "tblDetalhesCFOPs WHERE (((tblDetalhesCFOPs.CFOP) Like '5*' Or (tblDetalhesCFOPs.CFOP) Like "
     "'6*' Or (tblDetalhesCFOPs.CFOP) Like '7*')) GROUP BY tblDetalhesCFOPs.NroVEK HAVING "
     "(((tblDetalhesCFOPs.NroVEK)=12));",
     {"integer 355000"}},
    {"SELECT DISTINCTROW Sum(tblOcorrências.Valor) AS [Soma De Valor] FROM tblOcorrências WHERE "
     "((CódSubItem Like '003*') AND (OpPróprias=True)) GROUP BY NroVEK HAVING (NroVEK=12);",
     {"integer 15000"}},
    {"SELECT DISTINCTROW Sum(Imposto) AS [Soma De Imposto] FROM tblDetalhesCFOPs WHERE ((CFOP "
     "Like '1*') Or (CFOP Like '2*') Or (CFOP Like '3*')) GROUP BY NroVEK HAVING (NroVEK=12);",
     {"integer 70000"}},
    {"Select * from tblVEK Where (IE='123') And(Ref1 = #01/03/2005#)",
     {"integer 7|text '123'|integer 38412"}},
    {"Select * from tblVEK Where (IE='123') And(Ref1 like #01/03/2005#)",
     {"integer 7|text '123'|integer 38412"}},
    {"SELECT DISTINCTROW tblContribuinte.*, Right([tblcontribuinte].[IE],1) AS ÚltimoDígito, "
     "tblContribuinte.IE, tblContribuinte.RazãoSocial, tblContribuinte.CNPJ, "
     "tblContribuinte.CNAE FROM tblContribuinte  ORDER BY Right([tblcontribuinte].[IE],1)",
     {"text '5671'|text 'Empresa B'|text 'c2'|text 'n2'|text '1'|text '5671'|text 'Empresa "
      "B'|text 'c2'|text 'n2'",
      "text '9994'|text 'Empresa C'|text 'c3'|text 'n3'|text '4'|text '9994'|text 'Empresa "
      "C'|text 'c3'|text 'n3'",
      "text '1236'|text 'Empresa A'|text 'c1'|text 'n1'|text '6'|text '1236'|text 'Empresa "
      "A'|text 'c1'|text 'n1'"}},
    {"SELECT tblEstados.Sigla AS Sigla, tblDetalhesInterUFs.* FROM tblEstados INNER JOIN "
     "tblDetalhesInterUFs ON tblEstados.Código = tblDetalhesInterUFs.UF WHERE ((tblEstados.Sigla "
     "Like 'SP') And (tblDetalhesInterUFs.NroVEK Like 7) And (tblDetalhesInterUFs.CFOP Like "
     "'6101')) ORDER BY tblEstados.Sigla",
     {"text 'SP'|integer 7|integer 35|text '6101'|NULL"}},
    {"SELECT tblZFM_ALC.Data, tblZFM_ALC.NroVEK, tblZFM_ALC.CFOP, tblZFM_ALC.Valor, "
     "tblZFM_ALC.CNPJDest, tblZFM_ALC.MunicípioDest, tblMunicípiosZFM_ALC.Município, "
     "tblZFM_ALC.NF, tblZFM_ALC.UF, tblZFM_ALC.NroLançamento FROM tblMunicípiosZFM_ALC RIGHT "
     "JOIN tblZFM_ALC ON tblMunicípiosZFM_ALC.CódMunicípio = tblZFM_ALC.MunicípioDest WHERE "
     "(tblZFM_ALC.NroLançamento Like 5) ORDER BY tblZFM_ALC.NF",
     {"integer 38412|integer 7|text '6109'|integer 10000|text '111'|integer 100|text "
      "'Manaus'|text '000123'|text 'AM'|integer 5"}},
    {"SELECT tblDIPAM.NroVEK, tblDIPAM.Código, tblDIPAM.CódDIPAM, tblDIPAM.Município AS "
     "CódMunicípio, tblMunicípios.Município, tblDIPAM.Valor FROM tblDIPAM LEFT JOIN "
     "tblMunicípios ON tblDIPAM.Município = tblMunicípios.CódMunicípio WHERE "
     "(((tblDIPAM.Código) = 3)) ORDER BY tblMunicípios.Município",
     {"integer 7|integer 3|text '1.1'|integer 100|text 'Manaus'|integer 5000",
      "integer 7|integer 3|NULL|integer 200|text 'Parintins'|integer 0"}},
    {"SELECT * FROM tblPagamento WHERE ((NroVEK = 7) And ( opPróprias)) ORDER BY cdate(Data)",
     {"integer 7|integer -1|integer 20000|text '15/01/2005'",
      "integer 7|integer -1|integer 10000|text '02/03/2005'"}},
    {"SELECT * FROM tblPagamento WHERE ((NroVEK = 7) And (NOT  opPróprias)) ORDER BY cdate(Data)",
     {"integer 7|integer 0|integer 30000|text '10/01/2005'"}},
    {"SELECT * FROM tblOcorrências WHERE ((NroVEK = 5) And (NOT opPróprias )) ORDER BY Código",
     {"integer 5|integer 5|text '002002'|integer 0|integer 10000|NULL"}},
    {"SELECT * FROM tblOcorrências WHERE ((NroVEK = 5) And ( opPróprias ) And (CódSubItem Like "
     "'002*'))ORDER BY Código",
     {"integer 4|integer 5|text '002001'|integer -1|integer 0|NULL"}},
    {"SELECT * FROM tblRegistroExportação WHERE (NroVEK = 7) And (RE Like '12*')ORDER BY RE",
     {"integer 7|text '1234'", "integer 7|text '1299'"}},
    {"SELECT tblPagamento.NroVEK, tblPagamento.OpPróprias, Sum(tblPagamento.Valor) AS "
     "SomaDeValor From tblPagamento GROUP BY tblPagamento.NroVEK, tblPagamento.OpPróprias HAVING "
     "(((tblPagamento.NroVEK)=12) AND ((tblPagamento.OpPróprias)=-1));",
     {"integer 12|integer -1|integer 45000"}},
    {"SELECT count(tblPagamento.NroVEK) as total From tblPagamento GROUP BY tblPagamento.NroVEK, "
     "tblPagamento.OpPróprias HAVING (((tblPagamento.NroVEK)=12) AND "
     "((tblPagamento.OpPróprias)=false));",
     {"integer 1"}},
    {"SELECT Código FROM tblEstados WHERE Sigla='SP'", {"integer 35"}},
    {"SELECT * FROM tblDIPAM WHERE CódDIPAM is NULL ;",
     {"integer 7|integer 3|NULL|integer 200|integer 0"}},
    {"SELECT * FROM tblOcorrências WHERE Valor = 0",
     {"integer 4|integer 5|text '002001'|integer -1|integer 0|NULL"}},
    {"SELECT * FROM tblIESubstituto WHERE (Código = 4) And (IESubstituto Like '11*') and "
     "(NF='123')ORDER BY IESubstituto",
     {"integer 4|text '1100'|text '123'"}},
};

TEST(SqlTranslatorStatements, DeclarationQueriesRunOnSqlite) {
  for (const RunCase& c : kRunCases) {
    SchemaDb schema;
    const std::string sql = WithParameters(TranslateSql(c.dialect, schema.Resolver()));
    EXPECT_EQ(schema.Rows(sql), c.rows) << c.dialect << "\n" << sql;
  }
}

TEST(SqlTranslatorStatements, DeclarationUpdatesAndDropsRunOnSqlite) {
  SchemaDb schema;
  auto run = [&](std::string_view dialect) {
    schema.Exec(WithParameters(TranslateSql(dialect, schema.Resolver())));
  };
  run("UPDATE tblDetalhesInterUFs SET Imposto='0,00' WHERE Imposto is null");
  EXPECT_EQ(schema.Rows("SELECT count(*) FROM tblDetalhesInterUFs WHERE Imposto = 0"),
            std::vector<std::string>{"integer 2"});
  run("UPDATE tblZFM_ALC SET NF2 = NF");
  EXPECT_EQ(schema.Rows("SELECT NF2 FROM tblZFM_ALC ORDER BY NF2"),
            (std::vector<std::string>{"text '000123'", "text '000124'"}));
  run("DROP TABLE tblResumoCFOPsEntradas");
  run("DROP TABLE tblResumoCFOPsSaídas");
  EXPECT_EQ(schema.Rows("SELECT count(*) FROM sqlite_master WHERE name LIKE 'tblResumo*'"),
            std::vector<std::string>{"integer 0"});
}

}  // namespace
}  // namespace orvalis::engine
