#include "database/file_operations.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

#include "engine/fault_injection.h"
#include "orvalis/error.h"

namespace orvalis::database {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void ThrowFileError(const std::string& path) {
  throw MakeError(ErrorCode::kPathFileAccess, path);
}

}  // namespace

bool FlushToDisk(const std::string& path, bool folder) {
  const int fd = ::open(path.c_str(), O_RDONLY | (folder ? O_DIRECTORY : 0));
  if (fd < 0) return false;
  const bool flushed = ::fsync(fd) == 0;
  ::close(fd);
  return flushed;
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

void RemoveIfPresent(const std::string& path) {
  std::error_code ec;
  fs::remove(path, ec);
  if (ec) ThrowFileError(path);
}

void CopyOver(const std::string& source, const std::string& target) {
  std::error_code ec;
  const fs::perms permissions = fs::status(target, ec).permissions();
  if (ec) ThrowFileError(target);
  std::string staging = target + ".XXXXXX";
  const int fd = ::mkstemp(staging.data());
  if (fd < 0) ThrowFileError(target);
  ::close(fd);
  try {
    engine::PassFaultSite(engine::FaultSite::kFileStep);
    fs::copy_file(source, staging, fs::copy_options::overwrite_existing, ec);
    if (!ec) fs::permissions(staging, permissions, ec);
    if (ec || !FlushToDisk(staging)) ThrowFileError(target);
    engine::PassFaultSite(engine::FaultSite::kFileStep);
    fs::rename(staging, target, ec);
    if (ec) ThrowFileError(target);
  } catch (const Error&) {
    fs::remove(staging, ec);
    throw;
  }
  // The rename itself reaches the disk with the folder's entries; should that flush fail,
  // the file is still whole, old or new, so the conversion counts as done.
  const fs::path folder = fs::path(target).parent_path();
  FlushToDisk(folder.empty() ? std::string(".") : folder.string(), true);
}

}  // namespace orvalis::database
