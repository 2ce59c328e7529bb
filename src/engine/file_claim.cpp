#include "engine/file_claim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "orvalis/error.h"

namespace orvalis::engine {

namespace {

// How long a shared claim waits for an exclusive one held by another process.
constexpr auto kWaitForExclusive = std::chrono::seconds(5);
constexpr auto kRetryEvery = std::chrono::milliseconds(10);

struct Entry {
  int fd = -1;
  int shared = 0;
  int exclusive = 0;
  int nested = 0;
};

using Key = std::pair<dev_t, ino_t>;

struct Registry {
  std::mutex mutex;
  std::map<Key, Entry> entries;
};

// Never destroyed: a database kept in a static object may end its claim after the
// static objects constructed after it (this registry among them) are gone.
Registry& Claims() {
  static Registry* registry = new Registry;
  return *registry;
}

Key KeyOf(const FileIdentity& identity) { return {identity.device, identity.inode}; }

FileIdentity IdentityOfDescriptor(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return {};
  return FileIdentity{st.st_dev, st.st_ino};
}

// A descriptor of the file at `path` holding `operation` (LOCK_SH or LOCK_EX) without
// waiting, and the file's identity; -1 when another process holds a conflicting lock.
// Raises 3024 for a missing file and 3051 for one this process may not read.
int LockedDescriptor(const std::string& path, int operation, FileIdentity& identity) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == EACCES || errno == EPERM) throw MakeError(ErrorCode::kCannotOpenFile, path);
    throw MakeError(ErrorCode::kFileNotFound, path);
  }
  if (::flock(fd, operation | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    ::close(fd);
    return -1;
  }
  // Other failures (a file system without flock) leave the file unguarded across
  // processes; this process still counts its own claims.
  identity = IdentityOfDescriptor(fd);
  if (IdentityOf(path) != identity) {  // replaced while we locked it: try again
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

void RequireUsablePath(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) {
    throw MakeError(ErrorCode::kFileNotFound, path.substr(0, path.find('\0')));
  }
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  if (path.find('\0') != std::string::npos) return std::nullopt;  // names no file
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{st.st_dev, st.st_ino};
}

bool FileClaim::HeldInThisProcess(const std::string& path) {
  std::optional<FileIdentity> identity = IdentityOf(path);
  if (!identity) return false;
  Registry& registry = Claims();
  std::lock_guard lock(registry.mutex);
  return registry.entries.count(KeyOf(*identity)) != 0;
}

std::unique_ptr<FileClaim> FileClaim::Take(const std::string& path, Kind kind,
                                           const FileClaim* within) {
  RequireUsablePath(path);
  Registry& registry = Claims();
  if (within != nullptr) {
    std::lock_guard lock(registry.mutex);
    auto found = registry.entries.find(KeyOf(within->identity_));
    if (within->kind_ != Kind::kExclusive || found == registry.entries.end() ||
        IdentityOf(path) != within->identity_) {
      throw MakeError(ErrorCode::kFileInUse, path);
    }
    ++found->second.nested;
    return std::unique_ptr<FileClaim>(new FileClaim(within->identity_, Kind::kShared, true));
  }
  const auto deadline = std::chrono::steady_clock::now() + kWaitForExclusive;
  while (true) {
    {
      std::lock_guard lock(registry.mutex);
      std::optional<FileIdentity> identity = IdentityOf(path);
      if (!identity) throw MakeError(ErrorCode::kFileNotFound, path);
      auto found = registry.entries.find(KeyOf(*identity));
      if (found != registry.entries.end()) {
        Entry& entry = found->second;
        if (kind == Kind::kExclusive || entry.exclusive > 0) {
          throw MakeError(ErrorCode::kFileInUse, path);
        }
        ++entry.shared;
        return std::unique_ptr<FileClaim>(new FileClaim(*identity, kind));
      }
      FileIdentity locked;
      const int fd = LockedDescriptor(path, kind == Kind::kShared ? LOCK_SH : LOCK_EX, locked);
      if (fd >= 0) {
        Entry entry;
        entry.fd = fd;
        (kind == Kind::kShared ? entry.shared : entry.exclusive) = 1;
        registry.entries.emplace(KeyOf(locked), entry);
        return std::unique_ptr<FileClaim>(new FileClaim(locked, kind));
      }
      if (kind == Kind::kExclusive) throw MakeError(ErrorCode::kFileInUse, path);
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      throw MakeError(ErrorCode::kFileInUse, path);
    }
    std::this_thread::sleep_for(kRetryEvery);
  }
}

namespace {

// The claim descriptor's status; all zero when the claim is gone.
struct stat StatusOf(const FileIdentity& identity) {
  struct stat st {};
  Registry& registry = Claims();
  std::lock_guard lock(registry.mutex);
  auto found = registry.entries.find(KeyOf(identity));
  if (found != registry.entries.end()) ::fstat(found->second.fd, &st);
  return st;
}

}  // namespace

std::string FileClaim::ReadAt(int64_t offset, size_t count) const {
  std::string bytes(count, '\0');
  Registry& registry = Claims();
  std::lock_guard lock(registry.mutex);
  auto found = registry.entries.find(KeyOf(identity_));
  if (found == registry.entries.end()) return {};
  const ssize_t read = ::pread(found->second.fd, bytes.data(), count, offset);
  bytes.resize(read > 0 ? static_cast<size_t>(read) : 0);
  return bytes;
}

int64_t FileClaim::Size() const { return StatusOf(identity_).st_size; }

int64_t FileClaim::ModifiedAt() const {
  const struct stat st = StatusOf(identity_);
  return int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec;
}

FileClaim::~FileClaim() {
  Registry& registry = Claims();
  std::lock_guard lock(registry.mutex);
  auto found = registry.entries.find(KeyOf(identity_));
  if (found == registry.entries.end()) return;
  Entry& entry = found->second;
  if (kind_ == Kind::kExclusive) {
    --entry.exclusive;
  } else if (nested_) {
    --entry.nested;
  } else {
    --entry.shared;
  }
  if (entry.shared + entry.exclusive + entry.nested > 0) return;
  ::close(entry.fd);  // releases the lock
  registry.entries.erase(found);
}

}  // namespace orvalis::engine
