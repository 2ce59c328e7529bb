#include "engine/change_watch.h"

#include <atomic>
#include <string>
#include <string_view>

namespace orvalis::engine {

namespace {

// The size of the pieces in which SQLite maps the write-ahead-log index; the header lies
// at the start of the first.
constexpr int kIndexRegionSize = 32768;

// The answer of a pragma that reports a mode, such as "wal" or "exclusive".
bool PragmaSays(StatementCache& statements, const std::string& pragma, std::string_view mode) {
  Statement& ask = statements.Get(pragma);
  StatementReset reset(ask);
  return ask.Step() && ask.ColumnText(0) == mode;
}

// The first bytes of the connection's mapped write-ahead-log index, or nullptr.
const volatile uint32_t* MappedIndex(sqlite3* db) {
  sqlite3_file* file = nullptr;
  if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
      file == nullptr) {
    return nullptr;
  }
  const sqlite3_io_methods* methods = file->pMethods;
  if (methods == nullptr || methods->iVersion < 2 || methods->xShmMap == nullptr) return nullptr;
  void volatile* region = nullptr;
  if (methods->xShmMap(file, 0, kIndexRegionSize, 0, &region) != SQLITE_OK) return nullptr;
  return static_cast<const volatile uint32_t*>(region);
}

}  // namespace

ChangeWatch::ChangeWatch(sqlite3* db, StatementCache& statements, Mode preferred)
    : db_(db), statements_(statements), preferred_(preferred) {
  Restart();
}

void ChangeWatch::Restart() {
  index_ = nullptr;
  mode_ = preferred_;
  if (mode_ == Mode::kExclusive && !PragmaSays(statements_, "PRAGMA locking_mode", "exclusive")) {
    mode_ = Mode::kSharedIndex;
  }
  if (mode_ == Mode::kSharedIndex) {
    if (PragmaSays(statements_, "PRAGMA journal_mode", "wal")) index_ = MappedIndex(db_);
    if (index_ == nullptr) mode_ = Mode::kPragma;
  }
  OthersCommitted();
}

bool ChangeWatch::ReadHeader(Header& header) const {
  // The reverse of the writers' order (second copy, barrier, first copy).
  Header second;
  for (size_t i = 0; i < header.size(); ++i) header[i] = index_[i];
  std::atomic_thread_fence(std::memory_order_acquire);
  for (size_t i = 0; i < second.size(); ++i) second[i] = index_[header.size() + i];
  return header == second;
}

bool ChangeWatch::FirstCopyIsSeen() const {
  for (size_t i = 0; i < seen_.size(); ++i) {
    if (index_[i] != seen_[i]) return false;
  }
  return true;
}

int64_t ChangeWatch::DataVersion() {
  Statement& ask = statements_.Get("PRAGMA data_version");
  StatementReset reset(ask);
  return ask.Step() ? ask.ColumnInt(0) : seen_version_;
}

bool ChangeWatch::OthersCommitted() {
  switch (mode_) {
    case Mode::kExclusive:
      return false;
    case Mode::kSharedIndex: {
      // The first copy as seen last: no commit has finished since (a writer writes it
      // last), as if looked at before a commit that is still under way.
      if (FirstCopyIsSeen()) return false;
      Header now;
      // Copies that differ: a commit under way, taken as a change (and looked at again).
      const bool whole = ReadHeader(now);
      if (whole && now == seen_) return false;
      seen_ = now;
      return true;
    }
    case Mode::kPragma: {
      const int64_t version = DataVersion();
      if (version == seen_version_) return false;
      seen_version_ = version;
      return true;
    }
  }
  return true;
}

}  // namespace orvalis::engine
