// The format check and upgrade: the ladder of stored versions on files of each version's
// layout with rows, the edge cases of the upgrade, and its failures leaving files whole.
#include <gtest/gtest.h>

#include <set>

#include "component/collection.h"
#include "database/declaration_schema.h"
#include "database/module_state.h"
#include "database/upgrade_ladder.h"
#include "engine/fault_injection.h"
#include "orvalis/currency.h"
#include "orvalis/diagnostics.h"
#include "orvalis/mantem_db.h"
#include "orvalis/transaction.h"
#include "support/declaration_snapshot.h"
#include "support/old_format_files.h"
#include "support/test_support.h"

namespace orvalis {
namespace {

using namespace testing;  // NOLINT: the test helpers

constexpr const char* kSummaryTables[] = {"tblResumoCFOPsEntradas", "tblResumoCFOPsSaídas"};
// The columns whose Null amounts the upgrade of a file older than "0710" sets to zero.
const std::set<std::pair<std::string, std::string>> kFilledAmounts = {
    {"tblDetalhesInterUFs", "Imposto"},
    {"tblDetalhesCFOPs", "ImpRetSubstitutoST"},
    {"tblDetalhesCFOPs", "ImpRetSubstituido"},
};

// What the upgrade does to the rows besides keeping them.
struct RowChanges {
  bool nulls_filled = false;       // Null amounts of the three columns become zero
  bool summaries_cleared = false;  // the CFOP summary tables are made again, empty
};

// The rows an upgraded file must hold: the old rows with the stamp "0800", the new
// columns Null, and the changes the upgrade makes on purpose.
std::map<std::string, std::vector<Row>> UpgradedRows(std::map<std::string, std::vector<Row>> rows,
                                                     RowChanges changes) {
  const std::string null = ValueText(Variant::Null());
  const std::string zero = ValueText(Variant(Currency{}));
  std::map<std::string, std::vector<Row>> upgraded;
  for (const auto& table : database::SchemaTables()) {
    const std::string name(table.name);
    std::vector<Row>& out = upgraded[name];
    if (changes.summaries_cleared && (name == kSummaryTables[0] || name == kSummaryTables[1])) {
      continue;
    }
    for (Row row : rows[name]) {
      if (auto temporary = row.extract("NF2")) row["NF"] = temporary.mapped();
      for (const auto& column : table.columns) {
        const std::string column_name(column.name);
        std::string& value = row.try_emplace(column_name, null).first->second;
        if (changes.nulls_filled && value == null && kFilledAmounts.count({name, column_name})) {
          value = zero;
        }
      }
      if (name == "tblVersão") {
        row["Versão"] = ValueText(Variant(database::kCurrentVersion));
        row["Observação"] = ValueText(Variant(database::kVersionNote));
      }
      out.push_back(std::move(row));
    }
    std::sort(out.begin(), out.end());
  }
  return upgraded;
}

class FormatUpgradeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    engine::ClearFaults();
    InstallDiagnosticsHook(nullptr);
  }

  // A file of that stored version at `name` holding the sample rows, in `layout` (by
  // default the version's; 0 is the current one).
  std::string FileOfVersion(const std::string& name, std::string_view version,
                            OldLayout layout = ~0u) {
    std::string path = home_.File(name);
    auto workspace = NewWorkspace();
    MakeFileOfVersion(*NewDeclarationFile(*workspace, path), version, layout);
    workspace->Close();
    return path;
  }

  // The layout of a file made new.
  static const std::vector<std::string>& NewLayout() {
    static const std::vector<std::string> lines = [] {
      TempDir dir;
      auto workspace = NewWorkspace();
      auto layout = LayoutLines(*NewDeclarationFile(*workspace, dir.File("new.mdb")));
      workspace->Close();
      return layout;
    }();
    return lines;
  }

  ComponentHome home_;
  MantemDB mantem_;
};

// ---- the ladder ------------------------------------------------------------------------------

struct LadderCase {
  std::string_view version;
  std::vector<int> steps;  // the steps of the check that run, as listed for the version
  OldLayout extra = 0;     // taken away besides the version's layout
  std::string_view about = "";
  std::string_view refusal = "";  // the message a refused version shows
};

void PrintTo(const LadderCase& c, std::ostream* out) { *out << c.version << c.about; }

std::string CaseName(const ::testing::TestParamInfo<LadderCase>& info) {
  return "v" + std::string(info.param.version) + std::string(info.param.about);
}

// The check's steps that the ladder runs for a version it accepts.
std::vector<int> LadderSteps(std::string_view version) {
  std::set<int> steps{8};
  for (const auto& step : database::UpgradeLadder()) {
    if (database::RunsFor(step, version)) steps.insert(step.check_step);
  }
  return {steps.begin(), steps.end()};
}

class LadderTest : public FormatUpgradeTest, public ::testing::WithParamInterface<LadderCase> {};

TEST_P(LadderTest, FileOfTheVersionEndsAsANewFileWithItsRows) {
  const LadderCase& c = GetParam();
  const bool accepted = c.steps.back() == 8;
  if (accepted) {
    EXPECT_EQ(LadderSteps(c.version), c.steps);
  }
  const OldLayout layout = LayoutOfVersion(c.version) | c.extra;
  const std::string path = FileOfVersion("old.mdb", c.version, layout);
  const FileSnapshot before = SnapshotOf(path);
  const std::string bytes = ReadFileBytes(path);
  if (layout != 0) {
    EXPECT_NE(before.layout, NewLayout());
  }

  if (!accepted) {
    EXPECT_EQ(mantem_.Db_Open(path), -1);
    EXPECT_EQ(home_.messages(), std::vector<std::string>{std::string(c.refusal)});
    EXPECT_EQ(ErrorOf([&] { BindDatabase(path); }), 3265);
    EXPECT_EQ(ThisThread().current_database, nullptr);
    EXPECT_EQ(ReadFileBytes(path), bytes);
    return;
  }
  ASSERT_EQ(mantem_.Db_Open(path), 1);
  const FileSnapshot after = Snapshot(*BindDatabase(path));
  EXPECT_EQ(after.layout, NewLayout());
  const bool general_step = c.steps.front() == 5;
  const RowChanges changes{.nulls_filled = c.version < "0710",
                           .summaries_cleared = general_step && (layout & kNoExportRegister)};
  EXPECT_EQ(after.rows, UpgradedRows(before.rows, changes));
  EXPECT_TRUE(home_.messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    StoredVersions, LadderTest,
    ::testing::Values(
        LadderCase{"0801",
                   {3},
                   0,
                   "",
                   "Atenção!|Este arquivo pertence a versão 0801 da VEK.\r\n\r\nUtilize uma "
                   "versão de aplicativo igual a deste arquivo."},
        LadderCase{"0799",
                   {4},
                   0,
                   "",
                   "Atenção!|Este arquivo pertence a versão de TESTE: 07.99 da VEK 0720.\r\n\r\n"
                   "Remova este arquivo. Por favor, inutilize-o."},
        LadderCase{"0700", {6, 7, 8}}, LadderCase{"0070", {6, 7, 8}}, LadderCase{"0701", {6, 7, 8}},
        LadderCase{"0710", {7, 8}}, LadderCase{"0720", {7, 8}}, LadderCase{"0730", {7, 8}},
        LadderCase{"0740", {7, 8}}, LadderCase{"0750", {7, 8}}, LadderCase{"0600", {5, 6, 7, 8}},
        LadderCase{"0760", {5, 7, 8}}, LadderCase{"0790", {5, 8}}, LadderCase{"0800", {5, 8}},
        // The export-register step creates the substitution lists a file lacks.
        LadderCase{"0600", {5, 6, 7, 8}, kNoSubstitutionLists, "_without_lists"},
        // The key rebuild meets lists keyed by a single index and no relation.
        LadderCase{"0700", {6, 7, 8}, kListKeysWithoutRelations, "_lists_without_relations"},
        // A conversion left halfway: NF2 of 9 and no NF takes the name NF.
        LadderCase{"0760", {5, 7, 8}, kInterruptedNoteConversion, "_interrupted_conversion"}),
    CaseName);

// ---- edge cases ------------------------------------------------------------------------------

// A current file is checked without a single write: it passes while another connection
// holds the file's write lock, and its bytes stay as they were.
TEST_F(FormatUpgradeTest, CurrentFileIsCheckedWithoutAWrite) {
  const std::string path = FileOfVersion("current.mdb", "0800", 0);
  const std::string bytes = ReadFileBytes(path);
  auto other = NewWorkspace();
  auto writer = other->OpenDatabase(path, false, false, std::string(kDatabasePassword));
  {
    Transaction lock(*writer);
    EXPECT_TRUE(mantem_.CompatibilizaFormato(path));
  }
  other->Close();
  EXPECT_EQ(ReadFileBytes(path), bytes);
}

// An upgrade needs the file closed everywhere else.
TEST_F(FormatUpgradeTest, FileOpenElsewhereIsNotUpgraded) {
  const std::string path = FileOfVersion("shared.mdb", "0600");
  auto other = NewWorkspace();
  auto reader = other->OpenDatabase(path, false, true, std::string(kDatabasePassword));
  const std::string bytes = ReadFileBytes(path);
  EXPECT_EQ(ErrorOf([&] { mantem_.Db_Open(path); }), 3045);
  EXPECT_EQ(ReadFileBytes(path), bytes);
  other->Close();
  EXPECT_EQ(mantem_.Db_Open(path), 1);
}

// The family's versions do not run the general step, so a column only it adds stays out.
TEST_F(FormatUpgradeTest, FamilyVersionIsNotGivenTheGeneralStep) {
  const std::string path =
      FileOfVersion("family.mdb", "0700", LayoutOfVersion("0700") | kNoDataGeracaoColigida);
  ASSERT_TRUE(mantem_.CompatibilizaFormato(path));
  auto workspace = NewWorkspace();
  auto db = workspace->OpenDatabase(path, false, false, std::string(kDatabasePassword));
  EXPECT_EQ(ToText(db->OpenRecordset("tblVersão")->GetValue("Versão")), "0800");
  EXPECT_FALSE(MantemDB::ExisteCampo(*ItemNamed(db->TableDefs(), "tblVEK"), "DataGeraçãoColigida"));
  EXPECT_TRUE(MantemDB::ExisteCampo(*ItemNamed(db->TableDefs(), "tblPagamento"), "JurosMora"));
  workspace->Close();
}

// A file that would end without a table of the current schema is not upgraded at all.
TEST_F(FormatUpgradeTest, UpgradeThatLeavesATableMissingFailsWhole) {
  const std::string path =
      FileOfVersion("no-payments.mdb", "0790", LayoutOfVersion("0790") | kNoPayments);
  const std::string bytes = ReadFileBytes(path);
  EXPECT_EQ(ErrorOf([&] { mantem_.Db_Open(path); }), 3049);
  EXPECT_EQ(mantem_.scitDB(path), nullptr);
  EXPECT_EQ(ReadFileBytes(path), bytes);
}

// The Add operations on their own: nothing to do is success without a change; a failure
// is swallowed, reported and leaves no part of the step behind.
TEST_F(FormatUpgradeTest, AddOperationsOnTheirOwn) {
  std::vector<std::string> reports;
  InstallDiagnosticsHook([&](std::string_view operation, const Error& error) {
    reports.push_back(std::string(operation) + " " + std::to_string(error.number()));
  });
  auto workspace = NewWorkspace();
  auto current = NewDeclarationFile(*workspace, home_.File("current.mdb"));
  const auto layout = LayoutLines(*current);
  EXPECT_TRUE(mantem_.AddImposto(*current));
  mantem_.AddDataGeraçãoColigida(*current);  // the engine refuses the column it has
  EXPECT_EQ(LayoutLines(*current), layout);
  EXPECT_EQ(reports, std::vector<std::string>{"MantemDB.AddDataGeraçãoColigida 3191"});
  auto interufs = ItemNamed(current->TableDefs(), "tblDetalhesInterUFs");
  EXPECT_TRUE(MantemDB::ExisteCampo(*interufs, "Imposto"));
  EXPECT_FALSE(MantemDB::ExisteCampo(*interufs, "imposto"));

  auto old = NewDeclarationFile(*workspace, home_.File("old.mdb"));
  MakeOldLayout(*old, kNoGareColumns);
  engine::ArmFault(engine::FaultSite::kSchemaChange, 3);  // the third of the five columns
  EXPECT_FALSE(mantem_.AddCamposGAREPagamento(*old));
  engine::ClearFaults();
  auto payments = ItemNamed(old->TableDefs(), "tblPagamento");
  EXPECT_FALSE(MantemDB::ExisteCampo(*payments, "JurosMora"));
  EXPECT_TRUE(mantem_.AddCamposGAREPagamento(*old));
  EXPECT_TRUE(MantemDB::ExisteCampo(*payments, "Observações"));

  auto without_payments = NewDeclarationFile(*workspace, home_.File("without.mdb"));
  MakeOldLayout(*without_payments, kNoPayments);
  EXPECT_FALSE(mantem_.AddCamposGAREPagamento(*without_payments));
  EXPECT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports.back(), "MantemDB.AddCamposGAREPagamento 3265");
  workspace->Close();
}

// ---- failures --------------------------------------------------------------------------------

// Each schema change and each statement of the upgrade of a "0600" file fails in turn:
// the error reaches Db_Open and the file keeps its bytes; without the fault the same
// file is then upgraded whole.
TEST_F(FormatUpgradeTest, AFailureAnywhereLeavesTheFileAsItWas) {
  const std::string pristine = FileOfVersion("pristine.mdb", "0600");
  const std::string path = home_.File("upgrade.mdb");
  const auto new_layout = NewLayout();
  std::filesystem::copy_file(pristine, path);
  engine::ClearFaults();
  ASSERT_TRUE(mantem_.CompatibilizaFormato(path));
  const std::map<engine::FaultSite, int64_t> passes = {
      {engine::FaultSite::kSchemaChange, engine::FaultPasses(engine::FaultSite::kSchemaChange)},
      {engine::FaultSite::kStatement, engine::FaultPasses(engine::FaultSite::kStatement)}};
  EXPECT_GT(passes.at(engine::FaultSite::kSchemaChange), 30);
  EXPECT_GT(passes.at(engine::FaultSite::kStatement), 4);

  for (const auto& [site, count] : passes) {
    for (int64_t n = 1; n <= count; ++n) {
      SCOPED_TRACE(std::string(engine::FaultSiteName(site)) + " " + std::to_string(n));
      std::filesystem::remove(path);
      std::filesystem::copy_file(pristine, path);
      const std::string bytes = ReadFileBytes(path);
      engine::ArmFault(site, n);
      EXPECT_EQ(ErrorOf([&] { mantem_.Db_Open(path); }), 3000);
      engine::ClearFaults();
      EXPECT_EQ(ReadFileBytes(path), bytes);
      ASSERT_EQ(mantem_.Db_Open(path), 1);
      EXPECT_EQ(LayoutLines(*BindDatabase(path)), new_layout);
      mantem_.Db_close(path);
    }
  }
}

}  // namespace
}  // namespace orvalis
