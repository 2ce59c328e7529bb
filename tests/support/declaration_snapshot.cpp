#include "support/declaration_snapshot.h"

#include <algorithm>

#include "orvalis/dbengine.h"
#include "database/module_state.h"

namespace orvalis::testing {

namespace {

std::string Joined(const std::vector<std::shared_ptr<Field>>& fields, bool foreign_names) {
  std::string out;
  for (const auto& field : fields) {
    if (!out.empty()) out += ",";
    out += field->Name();
    if (foreign_names) out += ">" + field->ForeignName();
  }
  return out;
}

std::string Flag(bool value) { return value ? "1" : "0"; }

}  // namespace

std::vector<std::string> LayoutLines(Database& db) {
  std::vector<std::string> lines;
  for (const auto& table : db.TableDefs()) {
    if (!table->Connect().empty()) continue;
    const std::string prefix = table->Name() + "|";
    for (const auto& field : table->Fields()) {
      lines.push_back(prefix + "column|" + field->Name() + "|" +
                      std::to_string(static_cast<int>(field->Type())) + "|" +
                      std::to_string(field->Size()) + "|" + std::to_string(field->Attributes()));
    }
    for (const auto& index : table->Indexes()) {
      lines.push_back(prefix + "index|" + index->Name() + "|primary=" + Flag(index->Primary()) +
                      "|unique=" + Flag(index->Unique()) + "|foreign=" + Flag(index->Foreign()) +
                      "|" + Joined(index->Fields(), false));
    }
  }
  for (const auto& relation : db.Relations()) {
    lines.push_back("relation|" + relation->Name() + "|" + relation->Table() + "|" +
                    relation->ForeignTable() + "|" + std::to_string(relation->Attributes()) + "|" +
                    Joined(relation->Fields(), true));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::string ValueText(const Variant& value) {
  return std::string(KindName(value.kind())) + ":" + (value.IsNull() ? "" : ToText(value));
}

std::map<std::string, std::vector<Row>> AllRows(Database& db) {
  std::map<std::string, std::vector<Row>> tables;
  for (const auto& table : db.TableDefs()) {
    if (!table->Connect().empty()) continue;
    std::vector<Row>& rows = tables[table->Name()];
    auto cursor = db.OpenRecordset("SELECT * FROM " + table->Name());
    for (; !cursor->IsEof(); cursor->MoveNext()) {
      Row row;
      for (size_t i = 0; i < cursor->Columns().size(); ++i) {
        row[cursor->Columns()[i].name] = ValueText(cursor->GetValue(static_cast<int32_t>(i)));
      }
      rows.push_back(std::move(row));
    }
    cursor->Close();
    std::sort(rows.begin(), rows.end());
  }
  return tables;
}

FileSnapshot Snapshot(Database& db) { return FileSnapshot{LayoutLines(db), AllRows(db)}; }

FileSnapshot SnapshotOf(const std::string& path) {
  auto workspace = Engine().CreateWorkspace("", std::string(kWorkspaceUser), "");
  auto db = workspace->OpenDatabase(path, false, true, std::string(kDatabasePassword));
  FileSnapshot snapshot = Snapshot(*db);
  workspace->Close();
  return snapshot;
}

}  // namespace orvalis::testing
