// Field: one column definition of a table, or one column of an index or a relation.
//
// A field made by TableDef::CreateField, Index::CreateField or Relation::CreateField is a
// plain definition until it is appended. The fields that an appended table lists are
// live: setting Name renames the column in the file. Attributes (auto-increment makes a
// Long column a counter) can be set only before the table is appended.
#pragma once

#include "orvalis/export.h"

#include <cstdint>
#include <memory>
#include <string>

#include "orvalis/field_type.h"

namespace orvalis {

namespace engine {
class DatabaseCore;
}

class ORVALIS_EXPORT Field {
 public:
  Field(std::string name, FieldType type, int32_t size);

  const std::string& Name() const { return name_; }
  // On a live column: renames it in the file (3191 when the table has that name already).
  void SetName(std::string name);
  FieldType Type() const { return type_; }
  int32_t Size() const { return size_; }
  int32_t Attributes() const { return attributes_; }
  // Raises 3001 on a live column: the file's columns keep their attributes.
  void SetAttributes(int32_t attributes);
  // Relation fields: the matching column of the foreign table.
  const std::string& ForeignName() const { return foreign_name_; }
  void SetForeignName(std::string name) { foreign_name_ = std::move(name); }

  ColumnSpec Definition() const { return ColumnSpec{type_, size_, attributes_}; }

  // Engine-internal: makes the field a live column of `table`.
  ORVALIS_INTERNAL void Attach(std::shared_ptr<engine::DatabaseCore> db, std::string table);

 private:
  std::string name_;
  FieldType type_;
  int32_t size_;
  int32_t attributes_ = 0;
  std::string foreign_name_;
  std::shared_ptr<engine::DatabaseCore> db_;  // set for a live column
  std::string table_;
};

}  // namespace orvalis
