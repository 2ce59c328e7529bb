#include "database/jet_file_conversion.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "database/file_operations.h"
#include "database/jet_file_source.h"
#include "engine/fault_injection.h"
#include "engine/file_replacement.h"
#include "engine/jet_header.h"
#include "orvalis/error.h"

namespace orvalis::database {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void ThrowFileError(const std::string& path) {
  throw MakeError(ErrorCode::kPathFileAccess, path);
}

// Flushes a file to the disk; 75 when that fails.
void Flush(const std::string& path) {
  if (!engine::FlushToDisk(path)) ThrowFileError(path);
}

std::string FolderOf(const std::string& path) {
  const fs::path folder = fs::path(path).parent_path();
  return folder.empty() ? std::string(".") : folder.string();
}

// A working folder beside the file, removed with its contents when the object ends.
class WorkFolder {
 public:
  explicit WorkFolder(const std::string& path) {
    std::string pattern = (fs::path(FolderOf(path)) /
                           ("." + fs::path(path).filename().string() + ".conversion-XXXXXX"))
                              .string();
    if (::mkdtemp(pattern.data()) == nullptr) ThrowFileError(path);
    folder_ = pattern;
  }
  ~WorkFolder() {
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;
  std::string File(const std::string& name) const { return (fs::path(folder_) / name).string(); }

 private:
  std::string folder_;
};

// Copies `source` to `target`, which must not exist, and flushes it.
void CopyToNewFile(const std::string& source, const std::string& target) {
  std::error_code ec;
  fs::copy_file(source, target, fs::copy_options::none, ec);
  if (ec) {
    if (ec != std::errc::file_exists) fs::remove(target, ec);
    ThrowFileError(target);
  }
  Flush(target);
}

// Gives the original a second name beside it that no file has yet, and returns it. A
// hard link costs nothing and leaves the original where it is; where the file system
// has none, a copy.
std::string KeepOriginal(const std::string& path) {
  for (int n = 0;; ++n) {
    const std::string name = path + (n == 0 ? "" : "." + std::to_string(n)) + ".jet";
    if (::link(path.c_str(), name.c_str()) == 0) return name;
    if (errno == EEXIST) continue;
    if (errno != EPERM && errno != EXDEV && errno != ENOTSUP && errno != EMLINK) {
      ThrowFileError(name);
    }
    std::error_code ec;
    if (fs::exists(fs::symlink_status(name, ec))) continue;
    CopyToNewFile(path, name);
    return name;
  }
}

}  // namespace

JetConversionReport ConvertJetFileInPlace(const std::string& path, const JetProgress& progress) {
  if (!engine::IsJetFile(path)) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) throw MakeError(ErrorCode::kFileNotFound, path);
    throw MakeError(ErrorCode::kUnrecognizedFormat, path);
  }
  std::error_code ec;
  const fs::perms permissions = fs::status(path, ec).permissions();
  if (ec) ThrowFileError(path);
  WorkFolder work(path);
  const std::string converted = work.File("converted.mdb");
  JetConversionReport report;
  {
    JetFileSource source(path);
    report = ConvertJetSource(source, converted, progress);
  }
  fs::permissions(converted, permissions, ec);
  if (ec) ThrowFileError(converted);
  Flush(converted);
  engine::PassFaultSite(engine::FaultSite::kFileStep);
  report.original = KeepOriginal(path);
  try {
    engine::PassFaultSite(engine::FaultSite::kFileStep);
    fs::rename(converted, path, ec);
    if (ec) ThrowFileError(path);
  } catch (const Error&) {
    fs::remove(report.original, ec);  // the original is still at `path`
    throw;
  }
  // The rename reaches the disk with the folder's entries; should that flush fail, the
  // file is whole, old or new, so the conversion counts as done.
  engine::FlushToDisk(FolderOf(path), true);
  return report;
}

}  // namespace orvalis::database
