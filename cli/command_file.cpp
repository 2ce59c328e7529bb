// orvalis novo PATH: a new, empty declaration file at PATH.
// orvalis info PATH: the file's version, its tables with their row counts, and whether
// the fixed reference tables are linked (nothing in the file is changed).
#include <filesystem>
#include <iomanip>
#include <iostream>

#include "commands.h"
#include "database/format_upgrade.h"
#include "orvalis/error.h"
#include "orvalis/mantem_db.h"
#include "database/module_state.h"
#include "value_text.h"

namespace orvalis::cli {

namespace {

void NewFile(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    std::cerr << "orvalis: " << path << " already exists\n";
    ExitStatus() = 1;
    return;
  }
  MantemDB().NovoArquivo();
  std::filesystem::copy_file(NewFilePath(), path, ec);
  std::filesystem::remove(NewFilePath());
  if (ec) throw MakeError(ErrorCode::kPathFileAccess, path);
  std::cout << "New declaration file: " << path << "\n";
}

std::string RowCount(Database& db, const TableDef& table) {
  try {
    auto count = db.OpenRecordset("SELECT count(*) AS n FROM [" + table.Name() + "]");
    return ToText(count->GetValue("n"));
  } catch (const Error&) {
    return "unreadable";
  }
}

void ShowInfo(const std::string& path) {
  auto workspace = Engine().CreateWorkspace("", std::string(kWorkspaceUser), "");
  // Nothing is written: the engine opens a file it may not write as read-only, and a
  // damaged file (its version row included) is refused before anything is shown.
  std::shared_ptr<Database> db = workspace->OpenDatabase(path, false, false, kDatabasePassword);
  const std::string version = database::StoredVersionOf(*db);
  std::cout << "File:    " << path << "\n";
  std::cout << "Version: " << version << "\n\nTables:\n";
  int linked = 0;
  int readable_links = 0;
  for (const auto& table : db->TableDefs()) {
    std::string count = RowCount(*db, *table);
    std::cout << "  " << PaddedRight(table->Name(), 36) << std::right << std::setw(10) << count;
    if (!table->Connect().empty()) {
      ++linked;
      readable_links += count == "unreadable" ? 0 : 1;
      std::cout << "  linked to " << table->Connect().substr(table->Connect().find('=') + 1);
    }
    std::cout << "\n";
  }
  std::cout << "\nFixed tables linked: " << linked << " of 9, readable: " << readable_links << "\n";
  workspace->Close();
}

}  // namespace

void AddFileCommands(CLI::App& app) {
  static std::string path;
  CLI::App* novo = app.add_subcommand("novo", "Write a new, empty declaration file");
  novo->add_option("PATH", path, "Where to write it")->required();
  novo->callback([] { NewFile(path); });

  CLI::App* info = app.add_subcommand("info", "Describe a declaration file");
  info->add_option("PATH", path, "The declaration file")->required()->check(CLI::ExistingFile);
  info->callback([] { ShowInfo(path); });
}

}  // namespace orvalis::cli
