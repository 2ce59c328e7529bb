#include "engine/file_replacement.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "engine/fault_injection.h"
#include "orvalis/error.h"

namespace orvalis::engine {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMarkerSuffix = ".orvalis-pending";
constexpr std::string_view kStagingInfix = ".orvalis-staging-";
// Side files SQLite may keep beside a database file.
constexpr std::string_view kSideFiles[] = {"-wal", "-shm", "-journal"};

[[noreturn]] void FileStepFailed(const std::string& path) {
  throw MakeError(ErrorCode::kPathFileAccess, path);
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

void RemoveWithSideFiles(const std::string& path) {
  std::error_code ec;
  for (std::string_view side : kSideFiles) fs::remove(path + std::string(side), ec);
  fs::remove(path, ec);
  if (ec) FileStepFailed(path);
}

std::string FolderOf(const std::string& path) {
  const fs::path folder = fs::path(path).parent_path();
  return folder.empty() ? std::string(".") : folder.string();
}

// Copies left by interrupted replacements of `target` (only one replacement of a file
// runs at a time: its caller holds the file exclusively).
void RemoveStagingLeftovers(const std::string& target) {
  const std::string prefix = fs::path(target).filename().string() + std::string(kStagingInfix);
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(FolderOf(target), ec)) {
    if (entry.path().filename().string().rfind(prefix, 0) == 0) fs::remove(entry.path(), ec);
  }
}

// Copies `source` to a new file beside `target`, flushed, with `mode`; returns its path.
std::string StagedCopy(const std::string& source, const std::string& target, mode_t mode) {
  std::string staging = target + std::string(kStagingInfix) + "XXXXXX";
  const int fd = ::mkstemp(staging.data());
  if (fd < 0) FileStepFailed(target);
  ::close(fd);
  std::error_code ec;
  fs::copy_file(source, staging, fs::copy_options::overwrite_existing, ec);
  if (!ec && ::chmod(staging.c_str(), mode) != 0)
    ec = std::error_code(errno, std::generic_category());
  if (ec || !FlushToDisk(staging)) {
    fs::remove(staging, ec);
    FileStepFailed(target);
  }
  return staging;
}

}  // namespace

bool FlushToDisk(const std::string& path, bool folder) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
  if (fd < 0) return false;
  const bool flushed = ::fsync(fd) == 0;
  ::close(fd);
  return flushed;
}

// ---- PendingFile -------------------------------------------------------------------------------

PendingFile::PendingFile(std::string path, Existing existing)
    : path_(std::move(path)), marker_(path_ + std::string(kMarkerSuffix)) {
  bool left_behind = false;
  while (true) {
    marker_fd_ = ::open(marker_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (marker_fd_ < 0 && errno == EEXIST) {
      marker_fd_ = ::open(marker_.c_str(), O_RDWR | O_CLOEXEC);
      left_behind = true;
    }
    if (marker_fd_ < 0) {
      if (errno == ENOENT && left_behind) continue;  // its owner just removed it
      if (errno == EACCES || errno == EPERM || errno == EROFS) {
        throw MakeError(ErrorCode::kCannotOpenFile, path_);
      }
      FileStepFailed(path_);
    }
    if (::flock(marker_fd_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
      ::close(marker_fd_);
      marker_fd_ = -1;
      throw MakeError(ErrorCode::kFileInUse, path_);
    }
    struct stat st {};
    if (::fstat(marker_fd_, &st) == 0 && st.st_nlink > 0) break;
    ::close(marker_fd_);  // unlinked by its owner between our open and our lock
    left_behind = false;
  }
  try {
    if (left_behind || existing == Existing::kRemove) {
      RemoveClosedFile(path_);  // a leftover of an interrupted operation, or unwanted
    } else if (Exists(path_)) {
      throw MakeError(ErrorCode::kDatabaseExists);
    }
  } catch (...) {
    if (!left_behind) ::unlink(marker_.c_str());  // a leftover keeps its mark
    ::close(marker_fd_);
    marker_fd_ = -1;
    throw;
  }
}

PendingFile::~PendingFile() {
  if (marker_fd_ < 0) return;
  try {
    if (!kept_) RemoveWithSideFiles(path_);
  } catch (const Error&) {
    // Left for the next operation, which recognises it by the marker: keep the marker.
    ::close(marker_fd_);
    return;
  }
  ::unlink(marker_.c_str());
  ::close(marker_fd_);
}

// ---- replacing and removing ------------------------------------------------------------------

void ReplaceFile(const std::string& replacement, const std::string& target,
                 const FileClaim& claim) {
  if (IdentityOf(target) != claim.identity()) throw MakeError(ErrorCode::kFileInUse, target);
  if (Exists(target + "-wal")) throw MakeError(ErrorCode::kFileInUse, target);
  RemoveStagingLeftovers(target);
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0) FileStepFailed(target);
  const mode_t mode = st.st_mode & 07777;
  PassFaultSite(FaultSite::kFileStep);
  std::string moved = replacement;
  bool staged = false;
  if (::chmod(replacement.c_str(), mode) != 0 || !FlushToDisk(replacement)) FileStepFailed(target);
  if (FolderOf(replacement) != FolderOf(target)) {
    moved = StagedCopy(replacement, target, mode);
    staged = true;
  }
  PassFaultSite(FaultSite::kFileStep);
  if (::rename(moved.c_str(), target.c_str()) != 0) {
    std::error_code ec;
    if (staged) fs::remove(moved, ec);
    FileStepFailed(target);
  }
  if (staged) {
    std::error_code ec;
    fs::remove(replacement, ec);
  }
  // The rename reaches the disk with the folder's entries; should that flush fail, the
  // file is still whole, old or new.
  FlushToDisk(FolderOf(target), true);
}

void RemoveClosedFile(const std::string& path) {
  if (!Exists(path)) return;
  std::unique_ptr<FileClaim> claim = FileClaim::Take(path, FileClaim::Kind::kExclusive);
  RemoveWithSideFiles(path);
}

}  // namespace orvalis::engine
