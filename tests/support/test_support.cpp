#include "support/test_support.h"

#include <fstream>
#include <random>
#include <sstream>

#include "database/declaration_schema.h"

namespace orvalis::testing {

TempDir::TempDir() {
  std::random_device random;
  auto base = std::filesystem::temp_directory_path();
  do {
    path_ = base / ("orvalis-test-" + std::to_string(random()));
  } while (std::filesystem::exists(path_));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::shared_ptr<Workspace> NewWorkspace() {
  return Engine().CreateWorkspace("", "admin", "");
}

std::shared_ptr<Database> NewDeclarationFile(Workspace& workspace, const std::string& path) {
  auto created = workspace.CreateDatabase(path, std::string(kLocale) + kPassword);
  database::CreateFullSchema(*created);
  created->Close();
  return workspace.OpenDatabase(path, false, false, kPassword);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace orvalis::testing
