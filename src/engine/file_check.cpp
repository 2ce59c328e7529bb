#include "engine/file_check.h"

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <tuple>

#include "engine/catalog.h"
#include "engine/jet_header.h"
#include "engine/password.h"
#include "engine/sqlite_handle.h"
#include "orvalis/error.h"

namespace orvalis::engine {

namespace {

constexpr std::string_view kSqliteMagic{"SQLite format 3\0", 16};

[[noreturn]] void Damaged(const std::string& path) {
  throw MakeError(ErrorCode::kCorruptDatabase, path);
}

// Files found sound in this process, with the size and modification time they had then.
struct SoundFiles {
  std::mutex mutex;
  std::map<std::pair<dev_t, ino_t>, std::pair<int64_t, int64_t>> seen;
};

SoundFiles& Sound() {
  static SoundFiles files;
  return files;
}

bool KnownSound(const FileClaim& claim) {
  SoundFiles& files = Sound();
  std::lock_guard lock(files.mutex);
  auto found = files.seen.find({claim.identity().device, claim.identity().inode});
  return found != files.seen.end() &&
         found->second == std::make_pair(claim.Size(), claim.ModifiedAt());
}

void RememberSound(const FileClaim& claim) {
  SoundFiles& files = Sound();
  std::lock_guard lock(files.mutex);
  files.seen[{claim.identity().device, claim.identity().inode}] = {claim.Size(),
                                                                   claim.ModifiedAt()};
}

uint32_t BigEndian(std::string_view bytes, size_t at, size_t width) {
  uint32_t value = 0;
  for (size_t i = 0; i < width; ++i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

}  // namespace

// The header and the length: an SQLite file of whole pages, as long as its header says
// when no write-ahead log may hold later pages.
void CheckHeader(const std::string& path, const FileClaim& claim) {
  const std::string header = claim.ReadAt(0, 100);
  if (header.size() < kSqliteMagic.size() || header.compare(0, 16, kSqliteMagic) != 0) {
    if (IsJetHeader(header)) {
      throw Error(static_cast<int32_t>(ErrorCode::kUnrecognizedFormat), JetFileRefusal(path));
    }
    throw MakeError(ErrorCode::kUnrecognizedFormat, path);
  }
  if (header.size() < 100) Damaged(path);
  uint32_t page_size = BigEndian(header, 16, 2);
  if (page_size == 1) page_size = 65536;
  const int64_t size = claim.Size();
  if (page_size < 512 || (page_size & (page_size - 1)) != 0 || size % page_size != 0) {
    Damaged(path);
  }
  const uint32_t pages = BigEndian(header, 28, 4);
  const bool pages_valid = BigEndian(header, 24, 4) == BigEndian(header, 92, 4);
  std::error_code ec;
  const bool log_beside = std::filesystem::exists(path + "-wal", ec);
  if (pages_valid && !log_beside && int64_t{pages} * page_size != size) Damaged(path);
}

namespace {

std::string MetaValue(sqlite3* db, std::string_view key) {
  Statement read(db, "SELECT value FROM _orv_meta WHERE key = ?1");
  read.BindText(1, key);
  return read.Step() ? read.ColumnText(0) : std::string();
}

// Every bookkeeping row names a table, index or trigger that exists.
constexpr const char* kOrphanedBookkeeping =
    "SELECT (SELECT count(*) FROM _orv_indexes i WHERE NOT EXISTS (SELECT 1 FROM sqlite_schema "
    "s WHERE s.type = 'index' AND s.name = i.sqlite_name AND s.tbl_name = i.tbl)) + (SELECT "
    "count(*) FROM _orv_relations r WHERE NOT EXISTS (SELECT 1 FROM sqlite_schema s WHERE "
    "s.type = 'table' AND s.name = r.tbl) OR NOT EXISTS (SELECT 1 FROM sqlite_schema s WHERE "
    "s.type = 'table' AND s.name = r.foreign_tbl))";

void CheckStructure(const std::string& path, sqlite3* db) {
  bool ours = false;
  try {
    ours = Catalog::IsDeclarationFile(db);
  } catch (const Error&) {
    Damaged(path);
  }
  if (!ours) throw MakeError(ErrorCode::kUnrecognizedFormat, path);
  try {
    Statement check(db, "PRAGMA quick_check");
    if (!check.Step() || check.ColumnText(0) != "ok") Damaged(path);
    check.Reset();
    Statement orphans(db, kOrphanedBookkeeping);
    if (!orphans.Step() || orphans.ColumnInt(0) != 0) Damaged(path);
  } catch (const Error& e) {
    if (e.number() == static_cast<int32_t>(ErrorCode::kFileInUse)) throw;
    Damaged(path);
  }
}

std::string PercentEncoded(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
        c == '-' || c == '_' || c == '.' || c == '~') {
      out.push_back(static_cast<char>(c));
    } else {
      out += {'%', kHex[c >> 4], kHex[c & 15]};
    }
  }
  return out;
}

}  // namespace

FileAccess AccessOf(const std::string& path) {
  if (::access(path.c_str(), R_OK) != 0) throw MakeError(ErrorCode::kCannotOpenFile, path);
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) folder = ".";
  const bool writable =
      ::access(path.c_str(), W_OK) == 0 && ::access(folder.c_str(), W_OK | X_OK) == 0;
  return writable ? FileAccess::kReadWrite : FileAccess::kReadOnly;
}

std::string FileUri(const std::string& path) { return "file:" + PercentEncoded(path); }

std::string ConnectionUri(const std::string& path, FileAccess access, bool read_only) {
  std::string uri = FileUri(path);
  if (access == FileAccess::kReadWrite) return read_only ? uri + "?mode=ro" : uri;
  std::error_code ec;
  const bool log_beside = std::filesystem::exists(path + "-wal", ec);
  return uri + (log_beside ? "?mode=ro" : "?mode=ro&immutable=1");
}

void CheckFile(const std::string& path, const FileClaim& claim, sqlite3* db,
               std::string_view password) {
  if (!KnownSound(claim)) {
    CheckStructure(path, db);
    RememberSound(claim);
  }
  if (!PasswordMatches(password, MetaValue(db, "password"))) {
    throw MakeError(ErrorCode::kBadPassword);
  }
}

}  // namespace orvalis::engine
