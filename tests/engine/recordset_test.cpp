// Dynaset rules: cursor, counts, bookmarks, membership, fresh values, edits, and the
// type, key and relation checks of writes.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <set>

#include "engine/sqlite_handle.h"
#include "orvalis/dbengine.h"
#include "orvalis/error.h"
#include "orvalis/transaction.h"
#include "support/child_process.h"
#include "support/test_support.h"

namespace orvalis {
namespace {

using testing::ErrorOf;
using testing::NewDeclarationFile;
using testing::NewWorkspace;
using testing::TempDir;

class RecordsetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = NewDeclarationFile(*workspace_, dir_.File("r.mdb"));
    AddTaxpayer("111");
    AddTaxpayer("222");
  }

  std::shared_ptr<Recordset> AddRow(const std::string& table, const testing::Columns& values) {
    return testing::AddRow(*db_, table, values);
  }
  void AddTaxpayer(const std::string& ie) { AddRow("tblContribuinte", {{"IE", ie}, {"UF", "SP"}}); }
  // Adds a declaration of `ie` and returns its engine-assigned number.
  int32_t AddDeclaration(const std::string& ie) {
    return ToLong(
        AddRow("tblVEK", {{"IE", ie}, {"Ref1", Date::FromYmd(2005, 3, 1)}})->GetValue("NroVEK"));
  }
  void AddCfop(int32_t vek, const std::string& cfop, const char* imposto) {
    AddRow("tblDetalhesCFOPs", {{"NroVEK", vek}, {"CFOP", cfop}, {"Imposto", imposto}});
  }

  TempDir dir_;
  std::shared_ptr<Workspace> workspace_ = NewWorkspace();
  std::shared_ptr<Database> db_;
};

TEST_F(RecordsetTest, CursorAndCountsFollowTheDynasetRules) {
  auto empty = db_->OpenRecordset("SELECT * FROM tblVEK");
  EXPECT_TRUE(empty->IsEof());
  EXPECT_TRUE(empty->IsBof());
  EXPECT_EQ(empty->RecordCount(), 0);
  EXPECT_EQ(empty->AbsolutePosition(), -1);
  EXPECT_EQ(ErrorOf([&] { empty->MoveNext(); }), 3021);
  EXPECT_EQ(ErrorOf([&] { empty->MoveFirst(); }), 3021);
  EXPECT_EQ(ErrorOf([&] { empty->GetValue("IE"); }), 3021);

  for (int i = 0; i < 5; ++i) AddDeclaration("111");
  auto rs = db_->OpenRecordset("SELECT * FROM tblVEK ORDER BY NroVEK");
  EXPECT_FALSE(rs->IsEof());
  EXPECT_FALSE(rs->IsBof());
  EXPECT_GE(rs->RecordCount(), 1);
  EXPECT_LT(rs->RecordCount(), 5);  // gathered as the cursor advances
  rs->MoveNext();
  Bookmark second = rs->GetBookmark();
  rs->MoveLast();
  EXPECT_EQ(rs->RecordCount(), 5);
  EXPECT_EQ(rs->AbsolutePosition(), 4);
  rs->MoveNext();
  EXPECT_TRUE(rs->IsEof());
  EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), 3021);
  rs->SetBookmark(second);
  EXPECT_EQ(rs->AbsolutePosition(), 1);
  EXPECT_EQ(ErrorOf([&] { rs->SetAbsolutePosition(5); }), 3001);
  EXPECT_EQ(rs->AbsolutePosition(), 1);
  rs->SetAbsolutePosition(0);
  rs->MovePrevious();
  EXPECT_TRUE(rs->IsBof());
  EXPECT_EQ(ErrorOf([&] { rs->MovePrevious(); }), 3021);
  rs->MoveFirst();
  EXPECT_EQ(ToLong(rs->GetValue("nrovek")), 1);
  EXPECT_EQ(ErrorOf([&] { rs->GetValue("NoSuchColumn"); }), 3265);
}

TEST_F(RecordsetTest, MembershipIsFixedAtOpenAndValuesAreFresh) {
  int32_t first = AddDeclaration("111");
  auto rs = db_->OpenRecordset("SELECT * FROM tblVEK");
  AddDeclaration("222");  // added elsewhere: not a member
  rs->MoveLast();
  EXPECT_EQ(rs->RecordCount(), 1);
  db_->Execute("UPDATE tblVEK SET Transmitida = 'S' WHERE NroVEK = " + std::to_string(first));
  EXPECT_EQ(ToText(rs->GetValue("Transmitida")), "S");  // changed elsewhere: shows
  db_->Execute("DELETE FROM tblVEK WHERE NroVEK = " + std::to_string(first));
  EXPECT_EQ(ErrorOf([&] { rs->GetValue("IE"); }), 3167);  // deleted elsewhere
  EXPECT_EQ(db_->OpenRecordset("SELECT * FROM tblVEK")->RecordCount(), 1);

  // A longer set still being read when rows are added elsewhere keeps its membership too.
  for (int i = 0; i < 4; ++i) AddDeclaration("111");
  auto longer = db_->OpenRecordset("SELECT * FROM tblVEK WHERE IE = '111'");
  AddDeclaration("111");
  longer->MoveLast();
  EXPECT_EQ(longer->RecordCount(), 4);

  // So do whole tables and joins without a filter, which read one row at open.
  for (const char* sql : {"SELECT * FROM tblVEK", "SELECT * FROM tblVEK ORDER BY NroVEK DESC",
                          "SELECT tblVEK.NroVEK, tblContribuinte.UF FROM tblContribuinte "
                          "INNER JOIN tblVEK ON tblContribuinte.IE = tblVEK.IE"}) {
    SCOPED_TRACE(sql);
    auto whole = db_->OpenRecordset(sql);
    auto all = db_->OpenRecordset("SELECT NroVEK FROM tblVEK");
    all->MoveLast();
    const int32_t before = all->RecordCount();
    const int32_t added = AddDeclaration("222");
    int32_t rows = 0;
    for (; !whole->IsEof(); whole->MoveNext(), ++rows) {
      EXPECT_NE(ToLong(whole->GetValue("NroVEK")), added);
    }
    EXPECT_EQ(rows, before);
  }
}

TEST_F(RecordsetTest, AddedRowsJoinAtTheEndAndCountersAreNeverReused) {
  AddDeclaration("111");
  AddDeclaration("111");
  auto rs = db_->OpenRecordset("SELECT * FROM tblVEK ORDER BY NroVEK DESC");
  EXPECT_EQ(ToLong(rs->GetValue("NroVEK")), 2);
  rs->AddNew();
  EXPECT_TRUE(rs->GetValue("NroVEK").IsNull());
  rs->SetValue("IE", Variant("222"));
  rs->Update();
  EXPECT_EQ(ToLong(rs->GetValue("NroVEK")), 2);  // the row current before AddNew stays
  rs->SetBookmark(rs->LastModified());
  EXPECT_EQ(ToLong(rs->GetValue("NroVEK")), 3);
  EXPECT_EQ(rs->AbsolutePosition(), 2);  // behind the queried rows, whatever the order
  rs->Delete();
  EXPECT_EQ(ErrorOf([&] { rs->GetValue("IE"); }), 3021);  // deleted: unusable until a move
  EXPECT_EQ(ErrorOf([&] { rs->Delete(); }), 3021);
  rs->MoveFirst();
  EXPECT_EQ(rs->RecordCount(), 2);
  EXPECT_EQ(AddDeclaration("111"), 4);  // 3 was deleted and is not given again

  // Rows another program placed higher, in a table with a counter and in one without,
  // are passed over.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(dir_.File("r.mdb").c_str(), &other), SQLITE_OK);
  engine::ConnectionHandle closer(other);
  engine::ExecRaw(other,
                  "INSERT INTO tblVEK(rowid, NroVEK, IE) VALUES (9, 9, '111');"
                  "INSERT INTO tblDetalhesCFOPs(rowid, NroVEK, CFOP) VALUES (7, 9, '5101')");
  EXPECT_EQ(AddDeclaration("111"), 10);
  AddCfop(9, "5102", "1,00");
  auto numbered = db_->OpenRecordset("SELECT rowid AS n FROM tblDetalhesCFOPs WHERE CFOP = '5102'");
  EXPECT_EQ(ToLong(numbered->GetValue("n")), 8);
}

// However a table's highest row leaves it (an SQL delete, a cascade from one or two
// tables up, a table dropped and made again), its number is not given again, nor after
// the file is opened again; an undone delete gives nothing away either.
TEST_F(RecordsetTest, NumbersOfRowsThatLeftAreNotGivenAgain) {
  auto highest = [&](const std::string& table) {
    return ToLong(db_->OpenRecordset("SELECT Max(rowid) AS n FROM " + table)->GetValue("n"));
  };
  const int32_t kept = AddDeclaration("222");
  const int32_t deleted = AddDeclaration("111");
  db_->Execute("DELETE FROM tblVEK WHERE NroVEK = " + std::to_string(deleted));
  EXPECT_EQ(AddDeclaration("111"), deleted + 1);

  // Deleting the declaration deletes its CFOP rows; deleting the taxpayer deletes its
  // declarations and their CFOP rows.
  AddCfop(deleted + 1, "5101", "1,00");
  const int32_t cascaded_cfop = highest("tblDetalhesCFOPs");
  db_->Execute("DELETE FROM tblVEK WHERE NroVEK = " + std::to_string(deleted + 1));
  AddCfop(kept, "5101", "1,00");
  EXPECT_EQ(highest("tblDetalhesCFOPs"), cascaded_cfop + 1);
  const int32_t last_of_taxpayer = AddDeclaration("111");
  AddCfop(last_of_taxpayer, "5102", "1,00");
  db_->Execute("DELETE FROM tblContribuinte WHERE IE = '111'");
  AddCfop(kept, "5102", "1,00");
  EXPECT_EQ(highest("tblDetalhesCFOPs"), cascaded_cfop + 3);
  EXPECT_EQ(AddDeclaration("222"), last_of_taxpayer + 1);

  {
    Transaction undone(*db_);
    db_->Execute("DELETE FROM tblVEK");
  }
  db_->Close();
  db_ = workspace_->OpenDatabase(dir_.File("r.mdb"), false, false, testing::kPassword);
  EXPECT_EQ(AddDeclaration("222"), last_of_taxpayer + 2);

  // A number the caller wrote itself is passed over as well.
  db_->Execute("INSERT INTO tblVEK (NroVEK, IE) VALUES (50, '222')");
  EXPECT_GT(AddDeclaration("222"), 50);

  db_->Execute("CREATE TABLE tblNova (A LONG)");
  AddRow("tblNova", {{"A", 1}});
  AddRow("tblNova", {{"A", 2}});
  db_->Execute("DROP TABLE tblNova");
  db_->Execute("CREATE TABLE tblNova (A LONG)");
  AddRow("tblNova", {{"A", 3}});
  EXPECT_EQ(highest("tblNova"), 3);
}

// Two processes add declarations to one file and delete most of them again (the highest
// row, by recordset and by SQL), and one is killed midway: no number is given twice, and
// the next one is above all of them.
TEST(RowNumbersTest, ProcessesThatAddAndDeleteNeverShareANumber) {
  TempDir dir;
  const std::string path = dir.File("shared.mdb");
  {
    auto workspace = NewWorkspace();
    testing::AddRow(*NewDeclarationFile(*workspace, path), "tblContribuinte", {{"IE", "111"}});
  }
  auto writer = [&path](const std::string& log, int rows) {
    auto workspace = NewWorkspace();
    auto db = workspace->OpenDatabase(path, false, false, testing::kPassword);
    std::FILE* out = std::fopen(log.c_str(), "w");
    for (int k = 0; k < rows; ++k) {
      auto added = testing::AddRow(*db, "tblVEK", {{"IE", "111"}});
      const int32_t number = ToLong(added->GetValue("NroVEK"));
      std::fprintf(out, "%d\n", number);
      std::fflush(out);
      if (k % 3 == 0) added->Delete();
      if (k % 3 == 1) db->Execute("DELETE FROM tblVEK WHERE NroVEK = " + std::to_string(number));
    }
    std::fclose(out);
    return 0;
  };
  testing::ChildProcess finishing([&] { return writer(dir.File("a.log"), 1500); });
  testing::ChildProcess killed([&] { return writer(dir.File("b.log"), 1 << 30); });
  EXPECT_EQ(finishing.Wait(), 0);
  killed.Kill();
  EXPECT_EQ(killed.Wait(), -SIGKILL);

  std::set<int32_t> given;
  int32_t logged = 0;
  for (const char* log : {"a.log", "b.log"}) {
    std::ifstream in(dir.File(log));
    for (int32_t number; in >> number; ++logged) given.insert(number);
  }
  EXPECT_EQ(static_cast<size_t>(logged), given.size()) << "a number was given twice";
  EXPECT_GT(logged, 1500);
  auto workspace = NewWorkspace();
  auto db = workspace->OpenDatabase(path, false, false, testing::kPassword);
  EXPECT_GT(ToLong(testing::AddRow(*db, "tblVEK", {{"IE", "111"}})->GetValue("NroVEK")),
            *given.rbegin());
}

TEST_F(RecordsetTest, EditAndUpdateRules) {
  AddDeclaration("111");
  auto rs = db_->OpenRecordset("tblVEK");
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 3020);
  EXPECT_EQ(ErrorOf([&] { rs->SetValue("IE", Variant("111")); }), 3020);
  rs->Edit();
  EXPECT_EQ(ErrorOf([&] { rs->SetValue("NroVEK", Variant(9)); }), 3164);  // counter
  rs->SetValue("SaldoCredor", Variant("1.234,56"));
  rs->SetValue("Movimento", Variant(true));
  rs->Update();
  Variant saldo = rs->GetValue("SaldoCredor");
  ASSERT_EQ(saldo.kind(), VariantKind::kCurrency);
  EXPECT_EQ(saldo.currency_value().raw(), 12345600);
  EXPECT_EQ(rs->GetValue("Movimento").kind(), VariantKind::kBoolean);
  EXPECT_TRUE(rs->GetValue("Movimento").boolean_value());

  auto sum = db_->OpenRecordset("SELECT Sum(SaldoCredor) AS Total, count(*) AS N FROM tblVEK");
  EXPECT_EQ(sum->GetValue("total").kind(), VariantKind::kCurrency);
  EXPECT_EQ(sum->GetValue("N").kind(), VariantKind::kLong);
  EXPECT_EQ(ErrorOf([&] { sum->Edit(); }), 3027);
  EXPECT_EQ(ErrorOf([&] { sum->AddNew(); }), 3027);
}

TEST_F(RecordsetTest, RefusedWritesLeaveTheFileUnchanged) {
  int32_t vek = AddDeclaration("111");
  AddCfop(vek, "5101", "10");
  auto rs = db_->OpenRecordset("tblDetalhesCFOPs");
  rs->AddNew();
  rs->SetValue("NroVEK", Variant(vek));
  rs->SetValue("CFOP", Variant("51010000000"));  // 11 characters into Text(10)
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 3163);
  rs->SetValue("CFOP", Variant("5102"));
  rs->SetValue("Imposto", Variant("dez reais"));
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 3421);
  rs->SetValue("Imposto", Variant("10"));
  rs->SetValue("CFOP", Variant("5101"));
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 3022);  // duplicate key
  rs->SetValue("NroVEK", Variant(999));
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 3201);  // no such declaration
  rs->CancelUpdate();
  EXPECT_EQ(db_->OpenRecordset("SELECT count(*) AS n FROM tblDetalhesCFOPs")->GetValue("n"),
            Variant(1));

  // An accented text counts characters, not bytes.
  EXPECT_NO_THROW(AddRow("tblDetalhesCFOPs", {{"NroVEK", vek}, {"CFOP", "ÇÇÇÇÇÇÇÇÇÇ"}}));
}

TEST_F(RecordsetTest, RelationsRefuseOrphansAndCascade) {
  int32_t vek = AddDeclaration("111");
  AddCfop(vek, "6101", "5");
  auto states = db_->OpenRecordset("tblDetalhesInterUFs");
  states->AddNew();
  states->SetValue("NroVEK", Variant(vek));
  states->SetValue("CFOP", Variant("6102"));  // no CFOP row 6102
  states->SetValue("UF", Variant("35"));
  EXPECT_EQ(ErrorOf([&] { states->Update(); }), 3201);
  states->SetValue("CFOP", Variant("6101"));
  states->Update();
  for (int i = 0; i < 2; ++i)
    AddRow("tblZFM_ALC", {{"NroVEK", vek}, {"CFOP", "6101"}, {"UF", "35"}});
  const Variant code =
      AddRow("tblOcorrências", {{"NroVEK", vek}, {"Valor", 3}})->GetValue("Código");
  AddRow("tblIEsRemetente", {{"Código", code}, {"IERemetente", "9"}});
  AddRow("tblIESubstituto", {{"Código", code}, {"IESubstituto", "9"}, {"NF", "1"}});
  AddRow("tblIESubstituido", {{"Código", code}, {"IESubstituido", "9"}, {"NF", "1"}});
  AddRow("tblRecibosCredito", {{"Código", code}, {"CodAutorização", "A1"}});
  AddRow("tblPagamento", {{"NroVEK", vek}, {"Data", "15/03/2005"}});
  AddRow("tblRegistroExportação", {{"NroVEK", vek}, {"RE", "1"}});
  AddRow("tblDIPAM", {{"NroVEK", vek}, {"CódDIPAM", "22"}});

  // Changing a taxpayer's IE reaches its declarations.
  db_->Execute("UPDATE tblContribuinte SET IE = '333' WHERE IE = '111'");
  EXPECT_EQ(ToText(db_->OpenRecordset("tblVEK")->GetValue("IE")), "333");
  // Deleting the taxpayer removes everything down the chain but the receipts.
  db_->Execute("DELETE FROM tblContribuinte WHERE IE = '333'");
  for (const char* table :
       {"tblVEK", "tblDetalhesCFOPs", "tblDetalhesInterUFs", "tblZFM_ALC", "tblOcorrências",
        "tblIEsRemetente", "tblIESubstituto", "tblIESubstituido", "tblPagamento",
        "tblRegistroExportação", "tblDIPAM"}) {
    EXPECT_EQ(db_->OpenRecordset(table)->RecordCount(), 0) << table;
  }
  EXPECT_EQ(db_->OpenRecordset("tblRecibosCredito")->RecordCount(), 1);
}

TEST_F(RecordsetTest, JoinQueriesAreEditableOnTheirBaseTableColumns) {
  auto estados = db_->CreateTableDef("tblEstados");
  estados->AppendField(estados->CreateField("Código", FieldType::kText, 2));
  estados->AppendField(estados->CreateField("Sigla", FieldType::kText, 2));
  db_->AppendTableDef(estados);
  AddRow("tblEstados", {{"Código", "35"}, {"Sigla", "SP"}});
  int32_t vek = AddDeclaration("111");
  AddCfop(vek, "6101", "5");
  AddRow("tblDetalhesInterUFs", {{"NroVEK", vek}, {"CFOP", "6101"}, {"UF", "35"}});

  auto join = db_->OpenRecordset(
      "SELECT tblEstados.Sigla AS Sigla, tblDetalhesInterUFs.* FROM tblEstados INNER JOIN "
      "tblDetalhesInterUFs ON tblEstados.Código = tblDetalhesInterUFs.UF WHERE "
      "((tblEstados.Sigla Like 'sp') And (tblDetalhesInterUFs.NroVEK Like " +
      std::to_string(vek) + ")) ORDER BY tblEstados.Sigla");
  EXPECT_EQ(ToText(join->GetValue("Sigla")), "SP");
  join->Edit();
  join->SetValue("Imposto", Variant(7.5));
  join->Update();
  EXPECT_EQ(FormatMoney(join->GetValue("imposto")), "7,50");
  EXPECT_EQ(FormatMoney(db_->OpenRecordset("tblDetalhesInterUFs")->GetValue("Imposto")), "7,50");
}

TEST_F(RecordsetTest, BadInputGivesErrorsNotCrashes) {
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset("SELEC * FROM tblVEK"); }), 3129);
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset("SELECT * FROM tblVEK WHERE (IE = '1'"); }), 3075);
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset("SELECT Nada FROM tblVEK"); }), 3061);
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset("SELECT * FROM tblNada"); }), 3078);
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset("SELECT * FROM tblVEK WHERE IE = 'it's'"); }), 3075);
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset("SELECT * FROM tblVEK WHERE Ref1 = #31/02/2005#"); }),
            3075);
  EXPECT_EQ(ErrorOf([&] { db_->Execute("UPDATE tblVEK SET Tipo = 'muito'"); }), 0);  // no rows
  AddDeclaration("111");
  EXPECT_EQ(ErrorOf([&] { db_->Execute("UPDATE tblVEK SET Tipo = 'muito'"); }), 3421);
  EXPECT_EQ(ErrorOf([&] { db_->Execute("UPDATE tblVEK SET Tipo = 300"); }), 3349);

  // A quote inside a value is matched as it stands once quoted.
  AddTaxpayer("O'Brien");
  auto rs = db_->OpenRecordset("SELECT * FROM tblContribuinte WHERE IE = 'O''Brien'");
  EXPECT_EQ(rs->RecordCount(), 1);
}

}  // namespace
}  // namespace orvalis
