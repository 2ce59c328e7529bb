#include "bench_support.h"

#include <random>
#include <stdexcept>

#include "database/declaration_schema.h"

namespace orvalis::bench {

ScratchDir::ScratchDir() {
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() / ("orvalis-bench-" + std::to_string(random()));
  std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::shared_ptr<Database> NewDeclarationFile(Workspace& workspace, const std::string& path) {
  auto created =
      workspace.CreateDatabase(path, std::string(";LANGID=0x0409;CP=1252;COUNTRY=0") + kPassword);
  database::CreateFullSchema(*created);
  created->Close();
  return workspace.OpenDatabase(path, false, false, kPassword);
}

RawDb::RawDb(const std::string& path) {
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) throw std::runtime_error("open");
  sqlite3_exec(db, "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL", 0, 0, 0);
}

RawDb::~RawDb() { sqlite3_close(db); }

namespace {

void Exec(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), 0, 0, &error) != SQLITE_OK) {
    std::string message = error ? error : "?";
    sqlite3_free(error);
    throw std::runtime_error(message + " in " + sql);
  }
}

}  // namespace

void FillDeclarations(const std::string& path, int declarations, int cfops, int occurrences) {
  RawDb raw(path);
  Exec(raw.db, "BEGIN");
  Exec(raw.db, "INSERT INTO tblContribuinte(IE, UF) VALUES ('110042490114', 'SP')");
  sqlite3_stmt* vek = nullptr;
  sqlite3_stmt* cfop = nullptr;
  sqlite3_stmt* occurrence = nullptr;
  sqlite3_prepare_v2(
      raw.db,
      "INSERT INTO tblVEK(rowid, NroVEK, IE, Tipo, Ref1) VALUES (?1, ?1, '110042490114', 1, ?2)",
      -1, &vek, nullptr);
  sqlite3_prepare_v2(
      raw.db,
      "INSERT INTO tblDetalhesCFOPs(NroVEK, CFOP, ValorContábil, BaseCálculo, Imposto, "
      "ImpostoRetidoST, ImpRetSubstitutoST) VALUES (?1, ?2, ?3, ?3, ?4, ?5, ?5)",
      -1, &cfop, nullptr);
  sqlite3_prepare_v2(raw.db,
                     "INSERT INTO tblOcorrências(rowid, Código, NroVEK, CódSubItem, Valor, "
                     "OpPróprias) VALUES (?1, ?1, ?2, ?3, ?4, ?5)",
                     -1, &occurrence, nullptr);
  static const char* kPrefixes[] = {"1", "2", "3", "5", "6", "7"};
  static const char* kSubItems[] = {"002", "003", "007", "008", "014"};
  int64_t code = 0;
  for (int d = 1; d <= declarations; ++d) {
    sqlite3_bind_int(vek, 1, d);
    sqlite3_bind_double(vek, 2, 38353.0 + d);
    sqlite3_step(vek);
    sqlite3_reset(vek);
    for (int c = 0; c < cfops; ++c) {
      std::string text = std::string(kPrefixes[c % 6]) + std::to_string(101 + c);
      sqlite3_bind_int(cfop, 1, d);
      sqlite3_bind_text(cfop, 2, text.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int64(cfop, 3, int64_t{10000} * (1000 + c));
      sqlite3_bind_int64(cfop, 4, int64_t{1800} * (1000 + c));
      sqlite3_bind_int64(cfop, 5, int64_t{500} * c);
      sqlite3_step(cfop);
      sqlite3_reset(cfop);
    }
    for (int o = 0; o < occurrences; ++o) {
      std::string sub = std::string(kSubItems[o % 5]) + "." + std::to_string(o);
      sqlite3_bind_int64(occurrence, 1, ++code);
      sqlite3_bind_int(occurrence, 2, d);
      sqlite3_bind_text(occurrence, 3, sub.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int64(occurrence, 4, int64_t{10000} * (o + 1));
      sqlite3_bind_int(occurrence, 5, (o % 2) ? 0 : -1);
      sqlite3_step(occurrence);
      sqlite3_reset(occurrence);
    }
  }
  sqlite3_finalize(vek);
  sqlite3_finalize(cfop);
  sqlite3_finalize(occurrence);
  Exec(raw.db, "COMMIT");
}

}  // namespace orvalis::bench
