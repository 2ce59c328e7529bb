#include "orvalis/field.h"

#include "engine/database_core.h"
#include "orvalis/error.h"

namespace orvalis {

Field::Field(std::string name, FieldType type, int32_t size)
    : name_(std::move(name)), type_(type), size_(size > 0 ? size : DefaultSize(type)) {}

void Field::SetName(std::string name) {
  if (db_) {
    db_->catalog().RenameColumn(table_, name_, name);
    db_->SchemaChanged();
  }
  name_ = std::move(name);
}

void Field::SetAttributes(int32_t attributes) {
  if (db_) throw MakeError(ErrorCode::kInvalidArgument);
  attributes_ = attributes;
}

void Field::Attach(std::shared_ptr<engine::DatabaseCore> db, std::string table) {
  db_ = std::move(db);
  table_ = std::move(table);
}

}  // namespace orvalis
