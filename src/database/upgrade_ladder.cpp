#include "database/upgrade_ladder.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "database/declaration_schema.h"
#include "database/upgrade_steps.h"
#include "component/collection.h"
#include "orvalis/diagnostics.h"
#include "orvalis/error.h"
#include "orvalis/transaction.h"

namespace orvalis::database {

namespace {

constexpr std::string_view kKnownFamily[] = {"0700", "0070", "0701", "0710",
                                             "0720", "0730", "0740", "0750"};

using V = StoredVersions;
using E = StepErrors;

bool Always(Database&) { return true; }

// Pending tests and runs of the steps that add columns to one table.
template <const std::string_view& kTable, const std::string_view& kColumn>
bool ColumnMissing(Database& db) {
  return !HasColumn(db, kTable, kColumn);
}

template <const std::string_view& kTable, const std::string_view& kColumn>
void AppendColumn(Database& db) {
  AppendSchemaColumn(db, kTable, kColumn);
}

template <const std::string_view& kTable, const std::string_view& kColumn>
void AddColumnIfMissing(Database& db) {
  AddMissingColumns(db, kTable, {kColumn});
}

constexpr std::string_view kVek = "tblVEK";
constexpr std::string_view kInterUfs = "tblDetalhesInterUFs";
constexpr std::string_view kCfops = "tblDetalhesCFOPs";
constexpr std::string_view kPayments = "tblPagamento";
constexpr std::string_view kDataGeracaoColigida = "DataGeraçãoColigida";
constexpr std::string_view kAutenticacao = "Autenticação";
constexpr std::string_view kImposto = "Imposto";
constexpr std::string_view kSubstituto = "ImpRetSubstitutoST";
constexpr std::string_view kSubstituido = "ImpRetSubstituido";
constexpr std::string_view kJurosMora = "JurosMora";

bool GareColumnsMissing(Database& db) {
  return HasTableNamed(db, kPayments) && !HasColumn(db, kPayments, kJurosMora);
}

void AddGareColumns(Database& db) {
  AddMissingColumns(db, kPayments,
                    {kJurosMora, "MultaMora_Infração", "AcréscimoFinanceiro",
                     "HonoráriosAdvocatícios", "Observações"});
}

bool PaymentsTableMissing(Database& db) { return !HasTableNamed(db, kPayments); }

// AddDataGeraçãoColigida and AddAutenticação append without looking (the engine refuses
// a column that exists); the others look first.
constexpr UpgradeStep kLadder[] = {
    {"AddDataGeraçãoColigida", 5, V::kOutsideKnownFamily, E::kAbsorbed,
     ColumnMissing<kVek, kDataGeracaoColigida>, AppendColumn<kVek, kDataGeracaoColigida>},
    {"AddAutenticação", 5, V::kOutsideKnownFamily, E::kAbsorbed, ColumnMissing<kVek, kAutenticacao>,
     AppendColumn<kVek, kAutenticacao>},
    {"AddRegExportação", 5, V::kOutsideKnownFamily, E::kAbsorbed, ExportRegisterTablesMissing,
     AddExportRegisterTables},
    {"AddImposto", 5, V::kOutsideKnownFamily, E::kAbsorbed, ColumnMissing<kInterUfs, kImposto>,
     AddColumnIfMissing<kInterUfs, kImposto>},
    {"AddCampoSubstituto", 5, V::kOutsideKnownFamily, E::kAbsorbed,
     ColumnMissing<kCfops, kSubstituto>, AddColumnIfMissing<kCfops, kSubstituto>},
    {"AddCampoSubstituido", 5, V::kOutsideKnownFamily, E::kAbsorbed,
     ColumnMissing<kCfops, kSubstituido>, AddColumnIfMissing<kCfops, kSubstituido>},
    {"NoteNumbers", 5, V::kOutsideKnownFamily, E::kReachCaller, NoteNumbersNeedConversion,
     ConvertNoteNumbers},
    {"AddCamposGAREPagamento", 5, V::kOutsideKnownFamily, E::kAbsorbed, GareColumnsMissing,
     AddGareColumns},
    {"SubstitutionKeys", 6, V::kBelow0710, E::kReachCaller, SubstitutionKeysOutdated,
     RebuildSubstitutionKeys},
    {"NullAmounts", 6, V::kBelow0710, E::kReachCaller, Always, FillNullAmounts},
    {"PaymentsTable", 7, V::kBelow0790, E::kAbsorbed, PaymentsTableMissing, AddPaymentsTable},
};

// The columns that steps of the ladder add: a file of a version that skips such a step may
// lack them (a "0700" file ends without DataGeraçãoColigida). Any other column of the
// current schema is in every version's layout.
constexpr std::pair<std::string_view, std::string_view> kColumnsStepsAdd[] = {
    {kVek, kDataGeracaoColigida},
    {kVek, kAutenticacao},
    {kInterUfs, kImposto},
    {kCfops, kSubstituto},
    {kCfops, kSubstituido},
    {kPayments, kJurosMora},
    {kPayments, "MultaMora_Infração"},
    {kPayments, "AcréscimoFinanceiro"},
    {kPayments, "HonoráriosAdvocatícios"},
    {kPayments, "Observações"},
    {"tblZFM_ALC", "NF"},
    {"tblIESubstituto", "NF"},
    {"tblIESubstituido", "NF"},
};

bool AddedByAStep(std::string_view table, std::string_view column) {
  return std::find(std::begin(kColumnsStepsAdd), std::end(kColumnsStepsAdd),
                   std::pair{table, column}) != std::end(kColumnsStepsAdd);
}

// Runs the step in a savepoint of its own; its error, if any, is reported and returned.
std::optional<Error> RunUndoingOnError(Database& db, const UpgradeStep& step) {
  std::optional<Error> failure;
  Swallow("MantemDB", step.name, [&] {
    try {
      Savepoint unit(db);
      step.run(db);
      unit.Commit();
    } catch (const Error& error) {
      failure = error;
      throw;
    }
  });
  return failure;
}

// The first table of the current schema that the file lacks, or "".
// The first table ("tbl") or column ("tbl.Column") of the current schema that the file
// lacks, columns that a step adds counting only with `added_columns`; empty when none.
std::string MissingSchemaPart(Database& db, bool added_columns) {
  const auto tables = db.TableDefs();
  for (const auto& table : SchemaTables()) {
    auto found = std::find_if(tables.begin(), tables.end(),
                              [&](const auto& t) { return t->Name() == table.name; });
    if (found == tables.end()) return std::string(table.name);
    const auto& fields = (*found)->Fields();
    for (const auto& column : table.columns) {
      if ((added_columns || !AddedByAStep(table.name, column.name)) &&
          std::none_of(fields.begin(), fields.end(),
                       [&](const auto& f) { return f->Name() == column.name; })) {
        return std::string(table.name) + "." + std::string(column.name);
      }
    }
  }
  return {};
}

}  // namespace

std::span<const UpgradeStep> UpgradeLadder() { return kLadder; }

bool RunsFor(const UpgradeStep& step, std::string_view version) {
  switch (step.versions) {
    case V::kOutsideKnownFamily:
      return std::find(std::begin(kKnownFamily), std::end(kKnownFamily), version) ==
             std::end(kKnownFamily);
    case V::kBelow0710:
      return version < "0710";
    case V::kBelow0790:
      return version < "0790";
  }
  return false;
}

const UpgradeStep& UpgradeStepNamed(std::string_view name) {
  for (const auto& step : kLadder) {
    if (step.name == name) return step;
  }
  ThrowItemNotFound();
}

bool RunStepAbsorbed(Database& db, const UpgradeStep& step) {
  return !RunUndoingOnError(db, step).has_value();
}

bool NothingToUpgrade(Database& db, std::string_view version) {
  for (const auto& step : kLadder) {
    if (RunsFor(step, version) && step.pending(db)) return false;
  }
  return MissingSchemaPart(db, true).empty();
}

void ClimbLadder(Database& db, std::string_view version) {
  struct Absorbed {
    const UpgradeStep* step;
    Error error;
  };
  std::vector<Absorbed> absorbed;
  // The error of the first absorbed step that left its change unmade: the stamp may
  // follow only where every step made its change, and a later failure is most likely
  // its consequence.
  auto throw_unmade_change = [&] {
    for (const auto& [step, error] : absorbed) {
      if (step->pending(db)) throw error;
    }
  };
  try {
    for (const auto& step : kLadder) {
      if (!RunsFor(step, version) || !step.pending(db)) continue;
      if (step.errors == E::kReachCaller) {
        step.run(db);
      } else if (auto error = RunUndoingOnError(db, step)) {
        absorbed.push_back({&step, *error});
      }
    }
  } catch (const Error&) {
    throw_unmade_change();
    throw;
  }
  throw_unmade_change();
  // A table, or a column that no step adds, that the file lacks: the file is damaged.
  if (!MissingSchemaPart(db, false).empty()) {
    throw MakeError(ErrorCode::kCorruptDatabase, db.Name());
  }
}

}  // namespace orvalis::database
