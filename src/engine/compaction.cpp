#include "engine/compaction.h"

#include <filesystem>
#include <memory>

#include "engine/database_core.h"
#include "engine/fault_injection.h"
#include "engine/file_check.h"
#include "orvalis/error.h"
#include "orvalis/field_type.h"

namespace orvalis::engine {

namespace {

// Records in the copy its collating order and file format.
void RecordCopyOptions(const std::string& destination, std::string_view locale, int32_t options) {
  sqlite3* raw = nullptr;
  ConfigureSqliteOnce();
  const int rc = sqlite3_open_v2(FileUri(destination).c_str(), &raw,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr);
  ConnectionHandle copy(raw);
  if (rc != SQLITE_OK) throw MakeError(ErrorCode::kFileNotFound, destination);
  ExecRaw(raw, "PRAGMA journal_mode = WAL");
  Statement meta(raw, "INSERT OR REPLACE INTO _orv_meta(key, value) VALUES (?1, ?2)");
  if (!locale.empty()) {
    meta.BindText(1, "locale");
    meta.BindText(2, std::string(locale.substr(0, locale.find(";pwd="))));
    meta.Run();
  }
  if (options == kDbVersion30 || options == kDbVersion40) {
    meta.BindText(1, "file_format");
    meta.BindText(2, options == kDbVersion30 ? "3.0" : "4.0");
    meta.Run();
  }
}

}  // namespace

void CompactInto(const std::string& source, const std::string& destination, std::string_view locale,
                 int32_t options, std::string_view connect, const FileClaim* claim) {
  std::error_code ec;
  if (std::filesystem::exists(destination, ec)) throw MakeError(ErrorCode::kDatabaseExists);
  std::unique_ptr<FileClaim> own_claim;
  if (claim == nullptr) {
    own_claim = FileClaim::Take(source, FileClaim::Kind::kExclusive);
    claim = own_claim.get();
  }
  try {
    auto from = DatabaseCore::Open(source, false, false, connect, claim);
    PassFaultSite(FaultSite::kFileStep);
    {
      Statement vacuum(from->handle(), "VACUUM INTO ?1");
      vacuum.BindText(1, FileUri(destination));
      vacuum.Run();
    }
    from->Close();
    PassFaultSite(FaultSite::kFileStep);
    RecordCopyOptions(destination, locale, options);
  } catch (...) {
    std::filesystem::remove(destination, ec);
    std::filesystem::remove(destination + "-wal", ec);
    std::filesystem::remove(destination + "-shm", ec);
    throw;
  }
}

}  // namespace orvalis::engine
