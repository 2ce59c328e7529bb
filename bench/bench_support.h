// Shared set-up of the benchmarks: scratch folders and declaration files filled with
// realistic rows, through the component and through raw SQLite.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <string>

#include "orvalis/dbengine.h"

namespace orvalis::bench {

inline constexpr const char* kPassword = ";pwd=lorintaq5";

// A scratch folder under the system's temporary folder, removed at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// A new declaration file with the full schema, opened in a private workspace.
std::shared_ptr<Database> NewDeclarationFile(Workspace& workspace, const std::string& path);

// Adds `declarations` taxpayer declarations, each with `cfops` CFOP rows and
// `occurrences` occurrences, through raw SQLite for speed (the rows are the same as the
// component would write). Returns nothing; declaration numbers are 1..declarations.
void FillDeclarations(const std::string& path, int declarations, int cfops, int occurrences);

// A raw SQLite connection to a file, closed at the end.
struct RawDb {
  explicit RawDb(const std::string& path);
  ~RawDb();
  sqlite3* db = nullptr;
};

}  // namespace orvalis::bench
