// Relation: a referential rule between a primary table and a foreign table on matching
// columns. Appended to a database it is enforced on every write: a foreign row needs its
// primary row (3201), a primary row with related rows cannot be deleted or have its key
// changed (3200) unless the relation cascades deletes (attribute 4096) or updates (256).
// The left-join and right-join marks change nothing. Attribute 2 turns enforcement off.
#pragma once

#include "orvalis/export.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "orvalis/field.h"

namespace orvalis {

class ORVALIS_EXPORT Relation {
 public:
  Relation(std::string name, std::string table, std::string foreign_table, int32_t attributes)
      : name_(std::move(name)),
        table_(std::move(table)),
        foreign_table_(std::move(foreign_table)),
        attributes_(attributes) {}

  const std::string& Name() const { return name_; }
  const std::string& Table() const { return table_; }
  const std::string& ForeignTable() const { return foreign_table_; }
  int32_t Attributes() const { return attributes_; }
  void SetTable(std::string table) { table_ = std::move(table); }
  void SetForeignTable(std::string table) { foreign_table_ = std::move(table); }
  void SetAttributes(int32_t attributes) { attributes_ = attributes; }

  // A relation field: Name is the primary table's column, ForeignName the foreign one's.
  std::shared_ptr<Field> CreateField(std::string name);
  const std::vector<std::shared_ptr<Field>>& Fields() const { return fields_; }
  void AppendField(std::shared_ptr<Field> field);

 private:
  std::string name_;
  std::string table_;
  std::string foreign_table_;
  int32_t attributes_;
  std::vector<std::shared_ptr<Field>> fields_;
};

}  // namespace orvalis
