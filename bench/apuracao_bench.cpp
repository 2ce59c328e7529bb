// The 37 members of ICMS for one declaration, in files of 10 and of 1,000 declarations
// (50 CFOP rows and 20 occurrences each): through the component, and as hand-written
// prepared statements on raw SQLite doing the same queries in the same order (a
// composite runs its parts' queries again, as the component does), side by side in one
// run (side_by_side.h), each on its own copy of the file. The ratio of the two is the
// adapter's overhead; neither may grow with the other declarations of the file.
// Then the 31 fields and totals of the form, member by member against one Apuracao pass:
// the ratio of those two is what the one pass saves.
#include <benchmark/benchmark.h>

#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

#include "apuracao/icms_fields.h"
#include "bench_support.h"
#include "database/module_state.h"
#include "orvalis/apuracao.h"
#include "orvalis/icms.h"
#include "orvalis/settings.h"
#include "side_by_side.h"

namespace orvalis::bench {
namespace {

using apuracao::FieldId;

constexpr int kCfops = 50;
constexpr int kOccurrences = 20;

// One filled file per size, open in the shared workspace as a front-end would have it.
struct Fixture {
  explicit Fixture(int declarations) : declaration(declarations / 2 + 1) {
    path = dir.File("apuracao.mdb");
    raw_path = dir.File("raw.mdb");
    NewDeclarationFile(*Engine().CreateWorkspace("", "admin", ""), path)->Close();
    FillDeclarations(path, declarations, kCfops, kOccurrences);
    std::filesystem::copy_file(path, raw_path);
    FindOrCreateSharedWorkspace()->OpenDatabase(path, false, false, kPassword);
  }
  ScratchDir dir;
  std::string path;
  std::string raw_path;
  int declaration;
};

Fixture& FixtureOf(int declarations) {
  static std::map<int, std::unique_ptr<Fixture>> fixtures;
  auto& slot = fixtures[declarations];
  if (!slot) slot = std::make_unique<Fixture>(declarations);
  return *slot;
}

void InstallSettings(const std::string& path) {
  auto settings = std::make_shared<MemorySettingsStore>();
  settings->Set("Brisquel", "DB", "DbAtual", path);
  settings->Set("Brisquel", "pRef", "RefAtual", "03/2004");
  settings->Set("Brisquel", "Data", "DataLimite", "05/2004");
  InstallSettingsStore(settings);
}

// Every member once, in slot order.
[[gnu::noinline]] void AllMembers(ICMS& icms, const std::string& path, int declaration) {
  icms.DBIndex(path);
  icms.LetNroVEK(declaration);
  benchmark::DoNotOptimize(icms.NroVEK());
  for (auto member :
       {&ICMS::Campo051ICMS, &ICMS::Campo052ICMS, &ICMS::Campo053ICMS, &ICMS::Campo055ICMS,
        &ICMS::Campo056ICMS, &ICMS::Campo057ICMS, &ICMS::Campo058ICMS, &ICMS::Campo060ICMS,
        &ICMS::Campo061ICMS, &ICMS::Campo062ICMS, &ICMS::Campo063ICMS, &ICMS::Campo064IcmsRPA}) {
    benchmark::DoNotOptimize((icms.*member)());
  }
  icms.AtualizaCampo064IcmsRPA("19,00");
  benchmark::DoNotOptimize(icms.Campo064IcmsRES());
  for (auto member : {&ICMS::Campo051IcmsST11, &ICMS::Campo052IcmsST11, &ICMS::Campo053IcmsST11,
                      &ICMS::Campo055IcmsST11, &ICMS::Campo056IcmsST11, &ICMS::Campo057IcmsST11,
                      &ICMS::Campo058IcmsST11, &ICMS::Campo060IcmsST11, &ICMS::Campo061IcmsST11}) {
    benchmark::DoNotOptimize((icms.*member)());
  }
  icms.AtualizaCampo061IcmsST11("25,00");
  for (auto member : {&ICMS::Campo062IcmsST11, &ICMS::Campo063IcmsST11, &ICMS::Campo064IcmsST11}) {
    benchmark::DoNotOptimize((icms.*member)());
  }
  icms.AtualizaCampo064IcmsST11("20,00");
  for (auto member :
       {&ICMS::Campo065IcmsST11, &ICMS::Campo066IcmsST11, &ICMS::PagamentosICMS,
        &ICMS::PagamentosICMS_ST, &ICMS::PagamentosICMSContar, &ICMS::PagamentosICMS_STConta}) {
    benchmark::DoNotOptimize((icms.*member)());
  }
}

// What a front-end showing the form asks: the 31 fields and totals, member by member
// (without the write-backs), against the same answers from one Apuracao::Calcula.
template <class Run>
void MeasureStatements(benchmark::State& state, const Fixture& f, Run&& run) {
  InstallSettings(f.path);
  int64_t statements = 0;
  BindDatabase(f.path)->SetStatementTrace([&](std::string_view) { ++statements; });
  for (auto _ : state) run();
  BindDatabase(f.path)->SetStatementTrace(nullptr);
  state.counters["statements"] =
      benchmark::Counter(static_cast<double>(statements), benchmark::Counter::kAvgIterations);
  InstallSettingsStore(nullptr);
}

void BM_IcmsFieldMembers(benchmark::State& state) {
  Fixture& f = FixtureOf(static_cast<int>(state.range(0)));
  ICMS icms;
  const Apuracao names;
  MeasureStatements(state, f, [&] {
    icms.LetNroVEK(f.declaration);
    for (const ApuracaoField& field : names.Campos()) {
      benchmark::DoNotOptimize(Invoke(icms, field.name, InvokeKind::kMethod, {}));
    }
  });
}
BENCHMARK(BM_IcmsFieldMembers)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_ApuracaoOnePass(benchmark::State& state) {
  Fixture& f = FixtureOf(static_cast<int>(state.range(0)));
  Apuracao apuracao;
  MeasureStatements(state, f, [&] {
    apuracao.LetNroVEK(f.declaration);
    apuracao.Calcula();
    for (const ApuracaoField& field : apuracao.Campos()) benchmark::DoNotOptimize(field.Get());
  });
}
BENCHMARK(BM_ApuracaoOnePass)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);

// The same queries written by hand for SQLite, one per member that queries, keyed by the
// member; ?1 is the declaration number, ?2 the value written.
const std::pair<FieldId, const char*> kRawStatements[] = {
    {FieldId::kCampo051ICMS,
     "SELECT sum(Imposto) FROM tblDetalhesCFOPs WHERE NroVEK = ?1 AND "
     "(CFOP LIKE '5%' OR CFOP LIKE '6%' OR CFOP LIKE '7%')"},
    {FieldId::kCampo052ICMS,
     "SELECT sum(Valor) FROM tblOcorrências WHERE NroVEK = ?1 AND CódSubItem LIKE '002%' AND "
     "OpPróprias = -1"},
    {FieldId::kCampo053ICMS,
     "SELECT sum(Valor) FROM tblOcorrências WHERE NroVEK = ?1 AND CódSubItem LIKE '003%' AND "
     "OpPróprias = -1"},
    {FieldId::kCampo056ICMS,
     "SELECT sum(Imposto) FROM tblDetalhesCFOPs WHERE NroVEK = ?1 AND "
     "(CFOP LIKE '1%' OR CFOP LIKE '2%' OR CFOP LIKE '3%')"},
    {FieldId::kCampo057ICMS,
     "SELECT sum(Valor) FROM tblOcorrências WHERE NroVEK = ?1 AND CódSubItem LIKE '007%' AND "
     "OpPróprias = -1"},
    {FieldId::kCampo058ICMS,
     "SELECT sum(Valor) FROM tblOcorrências WHERE NroVEK = ?1 AND CódSubItem LIKE '008%' AND "
     "OpPróprias = -1"},
    {FieldId::kCampo061ICMS, "SELECT SaldoCredAntDig FROM tblVEK WHERE NroVEK = ?1"},
    {FieldId::kCampo064IcmsRPA,
     "SELECT sum(Valor) FROM tblOcorrências WHERE NroVEK = ?1 AND CódSubItem LIKE '014%' AND "
     "OpPróprias = -1"},
    {FieldId::kAtualizaCampo064IcmsRPA, "UPDATE tblVEK SET DeduçõesRPA = ?2 WHERE NroVEK = ?1"},
    {FieldId::kCampo051IcmsST11,
     "SELECT sum(ImpostoRetidoST) FROM tblDetalhesCFOPs WHERE NroVEK = ?1 AND CFOP LIKE '5%'"},
    {FieldId::kCampo052IcmsST11,
     "SELECT sum(Valor) FROM tblOcorrências WHERE NroVEK = ?1 AND CódSubItem LIKE '002%' AND "
     "OpPróprias = 0"},
    {FieldId::kCampo053IcmsST11,
     "SELECT sum(Valor) FROM tblOcorrências WHERE NroVEK = ?1 AND CódSubItem LIKE '003%' AND "
     "OpPróprias = 0"},
    {FieldId::kCampo056IcmsST11,
     "SELECT sum(ImpostoRetidoST) FROM tblDetalhesCFOPs WHERE NroVEK = ?1 AND CFOP LIKE '1%'"},
    {FieldId::kCampo057IcmsST11,
     "SELECT sum(Valor) FROM tblOcorrências WHERE NroVEK = ?1 AND CódSubItem LIKE '007%' AND "
     "OpPróprias = 0"},
    {FieldId::kCampo058IcmsST11,
     "SELECT sum(Valor) FROM tblOcorrências WHERE NroVEK = ?1 AND CódSubItem LIKE '008%' AND "
     "OpPróprias = 0"},
    {FieldId::kCampo061IcmsST11, "SELECT SaldoCredAntDigST FROM tblVEK WHERE NroVEK = ?1"},
    {FieldId::kAtualizaCampo061IcmsST11,
     "UPDATE tblVEK SET SaldoCredAntDigST = ?2 WHERE NroVEK = ?1"},
    {FieldId::kCampo064IcmsST11,
     "SELECT sum(Valor) FROM tblOcorrências WHERE NroVEK = ?1 AND CódSubItem LIKE '014%' AND "
     "OpPróprias = 0"},
    {FieldId::kAtualizaCampo064IcmsST11, "UPDATE tblVEK SET DeduçõesST = ?2 WHERE NroVEK = ?1"},
    {FieldId::kPagamentosICMS,
     "SELECT sum(Valor) FROM tblPagamento WHERE NroVEK = ?1 AND OpPróprias = -1 "
     "GROUP BY NroVEK, OpPróprias"},
    {FieldId::kPagamentosICMS_ST,
     "SELECT sum(Valor) FROM tblPagamento WHERE NroVEK = ?1 AND OpPróprias = 0 "
     "GROUP BY NroVEK, OpPróprias"},
    {FieldId::kPagamentosICMSContar,
     "SELECT count(NroVEK) FROM tblPagamento WHERE NroVEK = ?1 AND OpPróprias = -1 "
     "GROUP BY NroVEK, OpPróprias"},
    {FieldId::kPagamentosICMS_STConta,
     "SELECT count(NroVEK) FROM tblPagamento WHERE NroVEK = ?1 AND OpPróprias = 0 "
     "GROUP BY NroVEK, OpPróprias"},
    {FieldId::kValorICMSFixPerRES, "SELECT ICMSFixPerRES FROM tblVEK WHERE NroVEK = ?1"},
    {FieldId::kValorOutrasRES, "SELECT OutrasRES FROM tblVEK WHERE NroVEK = ?1"},
};

// The members evaluated on raw SQLite: a composite adds up its parts, each queried anew.
class RawApuracao {
 public:
  explicit RawApuracao(sqlite3* db) : statements_(apuracao::FieldTable().size(), nullptr) {
    for (const auto& [id, sql] : kRawStatements) {
      if (sqlite3_prepare_v2(db, sql, -1, &statements_[Index(id)], nullptr) != SQLITE_OK) {
        throw std::runtime_error(sqlite3_errmsg(db));
      }
    }
  }
  ~RawApuracao() {
    for (sqlite3_stmt* statement : statements_) sqlite3_finalize(statement);
  }

  int64_t Evaluate(FieldId id, int declaration, int64_t value = 0) {
    const auto& descriptor = apuracao::Field(id).descriptor;
    if (const auto* composite = std::get_if<apuracao::CompositeField>(&descriptor)) {
      int64_t total = 0;
      for (size_t i = 0; i < composite->term_count; ++i) {
        const int64_t part = Evaluate(composite->terms[i].field, declaration);
        total += composite->terms[i].subtract ? -part : part;
      }
      return composite->clamp_below_zero && total < 0 ? 0 : total;
    }
    sqlite3_stmt* statement = statements_[Index(id)];
    sqlite3_bind_int(statement, 1, declaration);
    if (std::holds_alternative<apuracao::WriteBack>(descriptor)) {
      sqlite3_bind_int64(statement, 2, value);
    }
    int64_t result = 0;
    if (sqlite3_step(statement) == SQLITE_ROW) result = sqlite3_column_int64(statement, 0);
    sqlite3_reset(statement);
    return result;
  }

 private:
  static size_t Index(FieldId id) { return static_cast<size_t>(id); }
  std::vector<sqlite3_stmt*> statements_;
};

// Every member once through raw SQLite, in slot order.
[[gnu::noinline]] void RawAllMembers(RawApuracao& apuracao, int declaration) {
  for (const apuracao::FieldEntry& entry :
       apuracao::FieldTable().first(apuracao::InterfaceFieldCount())) {
    benchmark::DoNotOptimize(apuracao.Evaluate(entry.id, declaration, 190000));
  }
}

void BM_IcmsAllMembers(benchmark::State& state) {
  Fixture& f = FixtureOf(static_cast<int>(state.range(0)));
  InstallSettings(f.path);
  ICMS icms;
  int64_t statements = 0;
  BindDatabase(f.path)->SetStatementTrace([&](std::string_view) { ++statements; });
  RawDb raw(f.raw_path);
  RawApuracao apuracao(raw.db);
  SideBySide sides;
  sides.Run(
      state, [&](int64_t) { AllMembers(icms, f.path, f.declaration); },
      [&](int64_t) { RawAllMembers(apuracao, f.declaration); });
  sides.Report(state);
  BindDatabase(f.path)->SetStatementTrace(nullptr);
  state.counters["statements"] =
      benchmark::Counter(static_cast<double>(statements), benchmark::Counter::kAvgIterations);
  InstallSettingsStore(nullptr);
}
BENCHMARK(BM_IcmsAllMembers)
    ->Arg(10)
    ->Arg(1000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Apply(FixedIterations);

}  // namespace
}  // namespace orvalis::bench

BENCHMARK_MAIN();
