#include "database/fixed_tables.h"
#include "component/utf8.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "orvalis/dbengine.h"
#include "orvalis/error.h"
#include "database/module_state.h"

namespace orvalis::database {

namespace {

using Row = std::vector<std::string>;

[[noreturn]] void Malformed(const std::string& file, size_t line) {
  throw Error(static_cast<int32_t>(ErrorCode::kInvalidArgument),
              "Malformed CSV in " + file + " at line " + std::to_string(line) + ".");
}

// Splits one CSV record; false when a quoted field is not closed on the line.
bool SplitRecord(const std::string& line, Row& fields) {
  fields.clear();
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        field.push_back('"');
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field.push_back(c);
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.push_back(std::move(field));
      field.clear();
    } else if (c != '\r') {
      field.push_back(c);
    }
  }
  fields.push_back(std::move(field));
  return !quoted;
}

std::vector<Row> ReadCsv(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) throw MakeError(ErrorCode::kFileNotFound, file.string());
  std::vector<Row> rows;
  std::string line;
  Row fields;
  for (size_t number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line == "\r") continue;
    if (!SplitRecord(line, fields)) Malformed(file.string(), number);
    if (!rows.empty() && fields.size() != rows.front().size()) Malformed(file.string(), number);
    rows.push_back(fields);
  }
  if (rows.empty()) Malformed(file.string(), 1);
  return rows;
}

void AddTable(Database& db, const std::string& name, const std::vector<Row>& rows) {
  const Row& header = rows.front();
  auto table = db.CreateTableDef(name);
  for (size_t c = 0; c < header.size(); ++c) {
    int32_t width = 1;
    for (size_t r = 1; r < rows.size(); ++r)
      width = std::max(width, static_cast<int32_t>(CountCharacters(rows[r][c])));
    // Texts longer than a text column holds (a few official descriptions) go in a memo.
    table->AppendField(width > kDefaultTextSize
                           ? table->CreateField(header[c], FieldType::kMemo)
                           : table->CreateField(header[c], FieldType::kText, width));
  }
  auto key = table->CreateIndex(header.front());
  key->AppendField(key->CreateField(header.front()));
  key->SetPrimary(true);
  table->AppendIndex(key);
  db.AppendTableDef(table);
  auto recordset = db.OpenRecordset(name);
  for (size_t r = 1; r < rows.size(); ++r) {
    recordset->AddNew();
    for (size_t c = 0; c < header.size(); ++c) {
      recordset->SetValue(static_cast<int32_t>(c), Variant(rows[r][c]));
    }
    recordset->Update();
  }
  recordset->Close();
}

}  // namespace

void BuildFixedTablesFile(const std::string& csv_folder, const std::string& path) {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(csv_folder, ec)) {
    if (entry.path().extension() == ".csv") files.push_back(entry.path());
  }
  if (ec || files.empty()) throw MakeError(ErrorCode::kFileNotFound, csv_folder);
  std::sort(files.begin(), files.end());
  std::filesystem::remove(path, ec);
  auto workspace = Engine().CreateWorkspace("", std::string(kWorkspaceUser), "");
  auto db = workspace->CreateDatabase(path, kCollatingOrder);
  for (const auto& file : files) AddTable(*db, file.stem().string(), ReadCsv(file));
  // The side file is only read: a rollback journal leaves no files beside it when
  // declaration files attach it.
  db->Execute("PRAGMA journal_mode = DELETE");
  workspace->Close();
}

}  // namespace orvalis::database
