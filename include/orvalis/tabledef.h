// TableDef and Index: the definition of a table of a declaration file.
//
// Database::CreateTableDef gives an unappended definition: fields and indexes are
// collected in memory and the table is created in the file by Database::AppendTableDef,
// all at once. A definition read from Database::TableDefs is live: appending or deleting
// a field or an index changes the file at once. A table definition with a Connect string
// (";database=PATH") and a SourceTableName is a linked table: its rows are read from that
// other file; it is read-only.
#pragma once

#include "orvalis/export.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "orvalis/field.h"

namespace orvalis {

namespace engine {
class DatabaseCore;
}

class ORVALIS_EXPORT Index {
 public:
  explicit Index(std::string name) : name_(std::move(name)) {}

  const std::string& Name() const { return name_; }
  bool Primary() const { return primary_; }
  void SetPrimary(bool primary) { primary_ = primary; }
  bool Unique() const { return unique_ || primary_; }
  void SetUnique(bool unique) { unique_ = unique; }
  // True for the index a relation made on its foreign table's columns; it bears the
  // relation's name and is deleted with the relation (deleting it alone is refused).
  bool Foreign() const { return foreign_; }
  // Engine-internal: marks an index read from the file as a relation's.
  void SetForeign(bool foreign) { foreign_ = foreign; }
  std::shared_ptr<Field> CreateField(std::string name);
  const std::vector<std::shared_ptr<Field>>& Fields() const { return fields_; }
  // Raises 3191 when the index already has a field of that name.
  void AppendField(std::shared_ptr<Field> field);

 private:
  std::string name_;
  bool primary_ = false;
  bool unique_ = false;
  bool foreign_ = false;
  std::vector<std::shared_ptr<Field>> fields_;
};

class ORVALIS_EXPORT TableDef {
 public:
  explicit TableDef(std::string name) : name_(std::move(name)) {}

  const std::string& Name() const { return name_; }
  void SetName(std::string name);  // only before the table is appended
  const std::string& Connect() const { return connect_; }
  void SetConnect(std::string connect) { connect_ = std::move(connect); }
  const std::string& SourceTableName() const { return source_table_name_; }
  void SetSourceTableName(std::string name) { source_table_name_ = std::move(name); }

  // A new field definition (size 0 takes the type's default size).
  std::shared_ptr<Field> CreateField(std::string name, FieldType type, int32_t size = 0);
  std::shared_ptr<Index> CreateIndex(std::string name);

  // The fields in column order; for an appended table read from the file.
  std::vector<std::shared_ptr<Field>> Fields() const;
  // The indexes; for an appended table read from the file, the relations' indexes on it
  // (Foreign) included.
  std::vector<std::shared_ptr<Index>> Indexes() const;
  // 3191 for a duplicate name; on an appended table adds the column to the file.
  void AppendField(std::shared_ptr<Field> field);
  // 3265 when there is no such field; on an appended table drops the column (refused
  // with 3001... when an index or relation uses it).
  void DeleteField(const std::string& name);
  // 3284 when the table has an index of that name, or a second primary index.
  void AppendIndex(std::shared_ptr<Index> index);
  void DeleteIndex(const std::string& name);

  bool IsAppended() const { return db_ != nullptr; }

  // Engine-internal: the table now lives in that database under its name.
  ORVALIS_INTERNAL void Attach(std::shared_ptr<engine::DatabaseCore> db);

 private:
  std::string name_;
  std::string connect_;
  std::string source_table_name_;
  std::vector<std::shared_ptr<Field>> fields_;   // before appending only
  std::vector<std::shared_ptr<Index>> indexes_;  // before appending only
  std::shared_ptr<engine::DatabaseCore> db_;     // set once appended
};

}  // namespace orvalis
