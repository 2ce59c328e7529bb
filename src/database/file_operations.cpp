#include "database/file_operations.h"

#include <filesystem>

#include "engine/file_replacement.h"

namespace orvalis::database {

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

void RemoveIfPresent(const std::string& path) { engine::RemoveClosedFile(path); }

}  // namespace orvalis::database
