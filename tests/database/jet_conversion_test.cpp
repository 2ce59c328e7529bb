// The conversion of an old-engine database through its source interface: a declaration
// of an older version given in memory (no writer of the old format exists here) comes out
// as a declaration file of ours at "0800", with every value exact, its counters, the
// schema's relations, and opens with Db_Open.
#include "database/jet_conversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "component/collection.h"
#include "database/declaration_schema.h"
#include "database/module_state.h"
#include "orvalis/error.h"
#include "orvalis/mantem_db.h"
#include "support/declaration_snapshot.h"
#include "support/test_support.h"

namespace orvalis::database {
namespace {

using Row = std::vector<Variant>;

// A source held in memory: tables and their rows.
class MemorySource final : public JetSource {
 public:
  struct Table {
    JetTable table;
    std::vector<Row> rows;
  };

  std::vector<JetTable> Tables() override {
    std::vector<JetTable> tables;
    for (const auto& t : tables_) tables.push_back(t.table);
    return tables;
  }

  std::unique_ptr<JetRows> Rows(const JetTable& table) override {
    return std::make_unique<Reader>(Named(table.name).rows);
  }

  Table& Named(std::string_view name) {
    for (auto& t : tables_) {
      if (t.table.name == name) return t;
    }
    throw MakeError(ErrorCode::kTableNotFound, name);
  }

  // A table of the declaration schema with the given key, no rows yet.
  Table& Add(std::string_view name, std::vector<std::string> key = {}) {
    const TableDefinition& definition = SchemaTable(name);
    Table& t = tables_.emplace_back();
    t.table.name = std::string(name);
    for (const auto& column : definition.columns) {
      ColumnSpec definition_of{column.type,
                               column.size > 0 ? column.size : DefaultSize(column.type),
                               column.counter ? kAutoIncrField : 0};
      t.table.columns.push_back({std::string(column.name), definition_of});
    }
    if (key.empty()) key.assign(definition.key.begin(), definition.key.end());
    t.table.indexes.push_back({key.front(), true, true, key});
    return t;
  }

  // A row of `t` with the named values; Null elsewhere.
  static void Put(Table& t, const std::map<std::string, Variant>& values) {
    Row row(t.table.columns.size(), Variant::Null());
    for (const auto& [name, value] : values) {
      auto column = std::find_if(t.table.columns.begin(), t.table.columns.end(),
                                 [&](const JetColumn& c) { return c.name == name; });
      ASSERT_NE(column, t.table.columns.end()) << name;
      row[static_cast<size_t>(column - t.table.columns.begin())] = value;
    }
    t.rows.push_back(std::move(row));
    t.table.row_count = static_cast<int64_t>(t.rows.size());
  }

  std::vector<Table> tables_;

 private:
  class Reader final : public JetRows {
   public:
    explicit Reader(const std::vector<Row>& rows) : rows_(rows) {}
    bool Next(Row& row) override {
      if (next_ == rows_.size()) return false;
      row = rows_[next_++];
      if (row.size() == 1)
        throw row.front().IsString()
            ? Error(3421, "Column 'X': " + row.front().string_value())
            : Error(3421, "Column 'X'");  // a row that stands for an undecodable value
      return true;
    }

   private:
    const std::vector<Row>& rows_;
    size_t next_ = 0;
  };
};

// A declaration of version "0720" with accents, Nulls, money at the limits of currency,
// dates before 1900 and at the end of 9999, a long memo and counters with gaps. The
// tables are those of the schema but tblPagamento, which versions before "0790" lack.
MemorySource Declaration0720() {
  MemorySource source;
  for (const auto& table : SchemaTables()) {
    if (table.name != "tblPagamento") source.Add(table.name);
  }
  MemorySource::Put(source.Named("tblVersão"), {{"Versão", Variant("0720")},
                                                {"Observação", Variant("Versão de março — ação")}});
  MemorySource::Put(source.Named("tblContribuinte"),
                    {{"IE", Variant("110042490114")},
                     {"RazãoSocial", Variant("Indústria de Açaí & Cia. Ltda — São Paulo")},
                     {"UF", Variant("SP")},
                     {"DataCadastro", Variant(Date(-1.25))},
                     {"Email", Variant(std::string(40000, 'e') + "çã€")}});
  auto& vek = source.Named("tblVEK");
  vek.table.next_counter = 12;
  for (int32_t number : {5, 9}) {
    MemorySource::Put(vek, {{"NroVEK", Variant::Long(number)},
                            {"IE", Variant("110042490114")},
                            {"Tipo", Variant::Byte(2)},
                            {"Ref1", Variant(Date(2958465.5))},
                            {"Movimento", Variant(number == 5)},
                            {"SaldoCredor", Variant(Currency::FromRaw(INT64_MAX))},
                            {"SaldoCredAntDig", Variant(Currency::FromRaw(-12345678))}});
  }
  MemorySource::Put(source.Named("tblDetalhesCFOPs"),
                    {{"NroVEK", Variant::Long(5)},
                     {"CFOP", Variant("5.102")},
                     {"ValorContábil", Variant(Currency::FromRaw(123456789))}});
  auto& occurrences = source.Named("tblOcorrências");
  occurrences.table.next_counter = 1;  // below the highest: the highest wins
  MemorySource::Put(occurrences, {{"NroVEK", Variant::Long(9)},
                                  {"Código", Variant::Long(3)},
                                  {"Valor", Variant(Currency::FromRaw(100000))},
                                  {"FLegal", Variant("Art. 1º, § 2º")},
                                  {"OpPróprias", Variant(true)}});
  return source;
}

class JetConversionTest : public ::testing::Test {
 protected:
  void TearDown() override { testing::CloseSharedWorkspace(); }

  std::shared_ptr<Database> Open() {
    EXPECT_GE(mantem_.Db_Open(target_), 1);
    return mantem_.scitDB(target_);
  }

  testing::ComponentHome home_;
  std::string target_ = home_.File("convertida.mdb");
  MantemDB mantem_;
};

TEST_F(JetConversionTest, OlderDeclarationArrivesAtTheCurrentVersionWithEveryValue) {
  MemorySource source = Declaration0720();
  const JetConversionReport report = ConvertJetSource(source, target_);
  EXPECT_TRUE(report.declaration);
  ASSERT_EQ(report.tables.size(), source.tables_.size());
  auto db = Open();
  ASSERT_TRUE(db);
  EXPECT_EQ(db->OpenRecordset("tblVersão")->GetValue("Versão"), Variant("0800"));
  for (const auto& t : source.tables_) {
    if (t.table.name == "tblVersão") continue;
    SCOPED_TRACE(t.table.name);
    auto rows = db->OpenRecordset("SELECT * FROM [" + t.table.name + "]");
    for (const Row& expected : t.rows) {
      ASSERT_FALSE(rows->IsEof());
      for (size_t c = 0; c < expected.size(); ++c) {
        EXPECT_EQ(rows->GetValue(static_cast<int32_t>(c)), expected[c]) << t.table.columns[c].name;
      }
      rows->MoveNext();
    }
    EXPECT_TRUE(rows->IsEof());
  }
  // Counters: kept, and the next one after the recorded next value or the highest.
  const struct {
    const char* table;
    const char* counter;
    const char* column;  // a column given a value in the new row
    Variant value;
    int32_t next;
  } additions[] = {
      {"tblVEK", "NroVEK", "IE", Variant("110042490114"), 12},
      {"tblOcorrências", "Código", "NroVEK", Variant::Long(5), 4},
  };
  for (const auto& a : additions) {
    auto rows = db->OpenRecordset(a.table);
    rows->AddNew();
    rows->SetValue(a.column, a.value);
    rows->Update();
    rows->SetBookmark(rows->LastModified());
    EXPECT_EQ(rows->GetValue(a.counter), Variant::Long(a.next)) << a.table;
  }
  // The upgrade gave it the layout of a new file (tblPagamento added), and the relations
  // hold.
  auto workspace = testing::NewWorkspace();
  EXPECT_EQ(testing::LayoutLines(*db),
            testing::LayoutLines(*testing::NewDeclarationFile(*workspace, home_.File("new.mdb"))));
  EXPECT_EQ(testing::ErrorOf([&] {
              db->Execute("INSERT INTO tblDetalhesCFOPs (NroVEK, CFOP) VALUES (77, '1.101')");
            }),
            3201);
  db->Execute("DELETE FROM tblVEK WHERE NroVEK = 5");
  EXPECT_TRUE(db->OpenRecordset("tblDetalhesCFOPs")->IsEof());
}

TEST_F(JetConversionTest, RefusalsNameTheirTableRowAndColumn) {
  const struct {
    std::map<std::string, Variant> values;  // a taxpayer row; one value means undecodable
    int32_t error;
    std::string where;
  } cases[] = {
      {{{"IE", Variant("1")}, {"UF", Variant("SPX")}}, 3163, "row 2: Column 'UF'"},
      {{{"IE", Variant::Null()}}, 3058, "row 2: Column 'IE'"},
      {{{"IE", Variant("110042490114")}}, 3022, "row 2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.where);
    MemorySource source;
    auto& taxpayers = source.Add("tblContribuinte");
    MemorySource::Put(taxpayers, {{"IE", Variant("110042490114")}});
    MemorySource::Put(taxpayers, c.values);
    std::filesystem::remove(target_);
    const std::string error = testing::ErrorTextOf([&] { ConvertJetSource(source, target_); });
    EXPECT_TRUE(
        error.starts_with(std::to_string(c.error) + ": Table 'tblContribuinte', " + c.where))
        << error;
  }
  MemorySource undecodable;
  undecodable.Add("tblVersão").rows = {Row{Variant("bad bytes")}};
  std::filesystem::remove(target_);
  EXPECT_EQ(testing::ErrorTextOf([&] { ConvertJetSource(undecodable, target_); }),
            "3421: Table 'tblVersão', row 1: Column 'X': bad bytes");
}

TEST_F(JetConversionTest, NewerDeclarationIsRefusedByTheFormatCheck) {
  MemorySource source;
  MemorySource::Put(source.Add("tblVersão"), {{"Versão", Variant("0801")}});
  EXPECT_EQ(testing::ErrorOf([&] { ConvertJetSource(source, target_); }), 3343);
  EXPECT_EQ(home_.messages().size(), 1u);
}

}  // namespace
}  // namespace orvalis::database
