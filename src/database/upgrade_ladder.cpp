#include "database/upgrade_ladder.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "database/declaration_schema.h"
#include "database/upgrade_steps.h"
#include "orvalis/collection.h"
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
std::string_view MissingSchemaTable(Database& db) {
  for (const auto& table : SchemaTables()) {
    if (!HasTableNamed(db, table.name)) return table.name;
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
  return MissingSchemaTable(db).empty();
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
  std::string_view missing = MissingSchemaTable(db);
  if (!missing.empty()) throw MakeError(ErrorCode::kTableNotFound, missing);
}

}  // namespace orvalis::database
