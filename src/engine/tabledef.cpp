#include "orvalis/tabledef.h"

#include "component/collection.h"
#include "engine/database_core.h"
#include "orvalis/error.h"

namespace orvalis {

namespace {

template <class T>
bool HasName(const std::vector<std::shared_ptr<T>>& items, std::string_view name) {
  return PositionNamed(items, name) >= 0;
}

engine::IndexInfo ToIndexInfo(const Index& index) {
  engine::IndexInfo info;
  info.name = index.Name();
  info.primary = index.Primary();
  info.unique = index.Unique();
  for (const auto& field : index.Fields()) info.columns.push_back(field->Name());
  return info;
}

}  // namespace

// ---- Index
// ---------------------------------------------------------------------------------------

std::shared_ptr<Field> Index::CreateField(std::string name) {
  return std::make_shared<Field>(std::move(name), FieldType::kText, 0);
}

void Index::AppendField(std::shared_ptr<Field> field) {
  if (HasName(fields_, field->Name())) throw MakeError(ErrorCode::kFieldDefinedTwice);
  fields_.push_back(std::move(field));
}

// ---- TableDef
// ------------------------------------------------------------------------------------

void TableDef::SetName(std::string name) {
  if (db_) throw MakeError(ErrorCode::kInvalidArgument);
  name_ = std::move(name);
}

std::shared_ptr<Field> TableDef::CreateField(std::string name, FieldType type, int32_t size) {
  return std::make_shared<Field>(std::move(name), type, size);
}

std::shared_ptr<Index> TableDef::CreateIndex(std::string name) {
  return std::make_shared<Index>(std::move(name));
}

std::vector<std::shared_ptr<Field>> TableDef::Fields() const {
  if (!db_) return fields_;
  std::vector<std::shared_ptr<Field>> fields;
  const engine::TableInfo& table = db_->catalog().Table(name_);
  for (const auto& column : table.columns) {
    auto field =
        std::make_shared<Field>(column.name, column.definition.type, column.definition.size);
    field->SetAttributes(column.definition.attributes);
    field->Attach(db_, table.name);
    fields.push_back(std::move(field));
  }
  return fields;
}

std::vector<std::shared_ptr<Index>> TableDef::Indexes() const {
  if (!db_) return indexes_;
  std::vector<std::shared_ptr<Index>> indexes;
  for (const auto& info : db_->catalog().Table(name_).indexes) {
    auto index = std::make_shared<Index>(info.name);
    index->SetPrimary(info.primary);
    index->SetUnique(info.unique);
    index->SetForeign(info.foreign);
    for (const auto& column : info.columns) index->AppendField(index->CreateField(column));
    indexes.push_back(std::move(index));
  }
  return indexes;
}

void TableDef::AppendField(std::shared_ptr<Field> field) {
  if (!db_) {
    if (HasName(fields_, field->Name())) throw MakeError(ErrorCode::kFieldDefinedTwice);
    fields_.push_back(std::move(field));
    return;
  }
  db_->catalog().AddColumn(name_, engine::ColumnInfo{field->Name(), field->Definition()});
  db_->SchemaChanged();
  field->Attach(db_, name_);
}

void TableDef::DeleteField(const std::string& name) {
  if (!db_) return EraseNamed(fields_, name);
  db_->catalog().DropColumn(name_, name);
  db_->SchemaChanged();
}

void TableDef::AppendIndex(std::shared_ptr<Index> index) {
  if (!db_) {
    if (HasName(indexes_, index->Name())) throw MakeError(ErrorCode::kIndexExists);
    for (const auto& existing : indexes_) {
      if (existing->Primary() && index->Primary()) throw MakeError(ErrorCode::kPrimaryKeyExists);
    }
    indexes_.push_back(std::move(index));
    return;
  }
  db_->catalog().CreateIndex(name_, ToIndexInfo(*index));
  db_->SchemaChanged();
}

void TableDef::DeleteIndex(const std::string& name) {
  if (!db_) return EraseNamed(indexes_, name);
  db_->catalog().DropIndex(name_, name);
  db_->SchemaChanged();
}

void TableDef::Attach(std::shared_ptr<engine::DatabaseCore> db) {
  db_ = std::move(db);
  fields_.clear();
  indexes_.clear();
}

}  // namespace orvalis
