#include "support/test_support.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "database/declaration_schema.h"
#include "orvalis/class_info.h"
#include "orvalis/error.h"
#include "orvalis/mantem_db.h"
#include "orvalis/messages.h"
#include "database/module_state.h"

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

std::shared_ptr<Workspace> NewWorkspace() { return Engine().CreateWorkspace("", "admin", ""); }

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

std::shared_ptr<Recordset> AddRow(Database& db, std::string_view table, const Columns& columns) {
  auto rs = db.OpenRecordset(table);
  rs->AddNew();
  for (const auto& [column, value] : columns) rs->SetValue(column, value);
  rs->Update();
  rs->SetBookmark(rs->LastModified());
  return rs;
}

int32_t CountRows(Database& db, const std::string& from_where) {
  return ToLong(db.OpenRecordset("SELECT count(*) AS n FROM " + from_where)->GetValue("n"));
}

}  // namespace orvalis::testing

namespace orvalis::testing {

ComponentHome::ComponentHome() {
  setenv("ORVALIS_HOME", dir_.path().c_str(), 1);
  std::filesystem::copy_file(ORVALIS_FIXAS_FILE, dir_.File("tblFixas.fix"));
  auto messages = messages_;
  InstallMessageSink(
      [messages](const MessageBox& box) { messages->push_back(box.title + "|" + box.text); });
}

ComponentHome::~ComponentHome() {
  CloseSharedWorkspace();
  InstallMessageSink(nullptr);
  unsetenv("ORVALIS_HOME");
}

std::string NewFrontEndFile(const ComponentHome& home, const std::string& name) {
  MantemDB().NovoArquivo();
  const std::string path = home.File(name);
  std::filesystem::rename(NewFilePath(), path);
  return path;
}

void CloseSharedWorkspace() {
  for (const auto& workspace : std::vector(Engine().Workspaces())) {
    if (workspace->Name() == kWorkspaceName) workspace->Close();
  }
  ThisThread() = ModuleState{};
}

std::string MemberNames(const Object& object) {
  std::string names;
  for (const auto& member : object.Class().members()) {
    if (!names.empty()) names += ' ';
    names += member.name;
  }
  return names;
}

int32_t ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

std::string ErrorTextOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return std::to_string(e.number()) + ": " + e.description();
  }
  return "";
}

}  // namespace orvalis::testing
