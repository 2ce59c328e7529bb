#include "orvalis/database.h"

#include "engine/database_core.h"
#include "engine/recordset_core.h"
#include "orvalis/dbengine.h"
#include "orvalis/error.h"

namespace orvalis {

Database::Database(std::shared_ptr<engine::DatabaseCore> core) : core_(std::move(core)) {}

Database::~Database() = default;

const std::string& Database::Name() const { return core_->path(); }

bool Database::IsOpen() const { return core_->is_open(); }

bool Database::Updatable() const { return !core_->read_only(); }

void Database::Close() {
  core_->Close();
  if (workspace_ != nullptr) {
    Workspace* workspace = workspace_;
    workspace_ = nullptr;
    workspace->ForgetDatabase(this);  // may release this object's last owner: return now
  }
}

void Database::Execute(std::string_view sql) { core_->Execute(sql); }

std::shared_ptr<Recordset> Database::OpenRecordset(std::string_view sql_or_table) {
  return std::make_shared<Recordset>(std::make_unique<engine::RecordsetCore>(core_, sql_or_table));
}

std::vector<std::shared_ptr<TableDef>> Database::TableDefs() const {
  std::vector<std::shared_ptr<TableDef>> tables;
  core_->handle();
  for (const auto& info : core_->catalog().Tables()) {
    auto table = std::make_shared<TableDef>(info.name);
    table->SetConnect(info.connect);
    table->SetSourceTableName(info.source);
    table->Attach(core_);
    tables.push_back(std::move(table));
  }
  return tables;
}

std::shared_ptr<TableDef> Database::CreateTableDef(std::string name) {
  return std::make_shared<TableDef>(std::move(name));
}

void Database::AppendTableDef(std::shared_ptr<TableDef> table) {
  core_->handle();
  if (table->IsAppended()) throw MakeError(ErrorCode::kCannotAppend);
  if (!table->Connect().empty()) {
    const std::string& source =
        table->SourceTableName().empty() ? table->Name() : table->SourceTableName();
    core_->catalog().CreateLink(table->Name(), table->Connect(), source);
  } else {
    engine::TableInfo info;
    info.name = table->Name();
    for (const auto& field : table->Fields()) {
      info.columns.push_back(engine::ColumnInfo{field->Name(), field->Definition()});
    }
    for (const auto& index : table->Indexes()) {
      engine::IndexInfo index_info;
      index_info.name = index->Name();
      index_info.primary = index->Primary();
      index_info.unique = index->Unique();
      for (const auto& field : index->Fields()) index_info.columns.push_back(field->Name());
      info.indexes.push_back(std::move(index_info));
    }
    core_->catalog().CreateTable(info);
  }
  core_->SchemaChanged();
  table->Attach(core_);
}

void Database::DeleteTableDef(const std::string& name) {
  core_->handle();
  if (core_->catalog().FindTable(name) == nullptr) throw MakeError(ErrorCode::kItemNotFound);
  core_->catalog().DropTable(name);
  core_->SchemaChanged();
}

std::vector<std::shared_ptr<Relation>> Database::Relations() const {
  core_->handle();
  std::vector<std::shared_ptr<Relation>> relations;
  for (const auto& info : core_->catalog().Relations()) {
    auto relation =
        std::make_shared<Relation>(info.name, info.table, info.foreign_table, info.attributes);
    for (const auto& [primary, foreign] : info.columns) {
      auto field = relation->CreateField(primary);
      field->SetForeignName(foreign);
      relation->AppendField(std::move(field));
    }
    relations.push_back(std::move(relation));
  }
  return relations;
}

std::shared_ptr<Relation> Database::CreateRelation(std::string name, std::string table,
                                                   std::string foreign_table, int32_t attributes) {
  return std::make_shared<Relation>(std::move(name), std::move(table), std::move(foreign_table),
                                    attributes);
}

void Database::AppendRelation(std::shared_ptr<Relation> relation) {
  core_->handle();
  engine::RelationInfo info;
  info.name = relation->Name();
  info.table = relation->Table();
  info.foreign_table = relation->ForeignTable();
  info.attributes = relation->Attributes();
  for (const auto& field : relation->Fields()) {
    info.columns.emplace_back(field->Name(),
                              field->ForeignName().empty() ? field->Name() : field->ForeignName());
  }
  core_->catalog().CreateRelation(info);
  core_->SchemaChanged();
}

void Database::DeleteRelation(const std::string& name) {
  core_->handle();
  core_->catalog().DropRelation(name);
  core_->SchemaChanged();
}

void Database::SetStatementTrace(StatementTrace trace) { core_->SetTrace(std::move(trace)); }

}  // namespace orvalis
