// The schema of a declaration file at format "0800": its tables (columns, types, widths,
// primary keys), its relations and its first contents.
//
// Each table and each relation is created by one call (CreateSchemaTable,
// CreateSchemaRelation) that works from the definition below, so a new file and the
// upgrade of an older one build them the same way.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "orvalis/database.h"

namespace orvalis::database {

inline constexpr std::string_view kCurrentVersion = "0800";
inline constexpr std::string_view kVersionNote =
    "Versão sugerida pela Vellmar, dando continuidade à numeração de versões dos Front-ends "
    "da VEK";

struct ColumnDefinition {
  std::string_view name;
  FieldType type;
  int32_t size;  // Text width; 0 takes the type's default
  bool counter = false;
};

struct TableDefinition {
  std::string_view name;
  std::span<const ColumnDefinition> columns;
  std::span<const std::string_view> key;  // primary key columns; the index takes the first's name
};

struct RelationDefinition {
  std::string_view name;
  std::string_view table;
  std::string_view foreign_table;
  std::span<const std::string_view> columns;  // same name on both sides
  int32_t attributes;
};

// Tables and relations in the order a new file creates them (relations right after their
// foreign table).
std::span<const TableDefinition> SchemaTables();
std::span<const RelationDefinition> SchemaRelations();
const TableDefinition& SchemaTable(std::string_view name);
const RelationDefinition& SchemaRelation(std::string_view name);

// Creates one table of the schema in `db` and returns its definition; the engine's
// errors reach the caller.
std::shared_ptr<TableDef> CreateSchemaTable(Database& db, std::string_view name);
// Appends the schema's primary key index of `table` (named after its first key column) to
// a definition not yet appended, or to a table of the file.
void AppendSchemaKey(TableDef& table);
// Creates one relation; the two table definitions name its tables (primary first).
void CreateSchemaRelation(Database& db, std::string_view name, const TableDef& table,
                          const TableDef& foreign_table);
// Creates every table and relation in order and inserts the version row.
void CreateFullSchema(Database& db);
// Writes the current version "0800" and its note into tblVersão: as a new row, or over
// the first row (3021 when there is none).
enum class VersionRow { kNew, kFirst };
void WriteCurrentVersion(Database& db, VersionRow row);

}  // namespace orvalis::database
