// Database: one open declaration file (an SQLite database kept by the engine adapter).
//
// Opened through Workspace::OpenDatabase, it stays in its workspace's Databases under its
// path (Name) until Close. SQL texts are the declaration engine's dialect; they are
// translated for SQLite. Every failure raises orvalis::Error with the engine's number.
// A Database belongs to the thread that opened it.
#pragma once

#include "orvalis/export.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "orvalis/recordset.h"
#include "orvalis/relation.h"
#include "orvalis/tabledef.h"

namespace orvalis {

namespace engine {
class DatabaseCore;
}

class ORVALIS_EXPORT Database {
 public:
  ORVALIS_INTERNAL explicit Database(std::shared_ptr<engine::DatabaseCore> core);
  ~Database();

  // The path the file was opened under, exactly as given.
  const std::string& Name() const;
  bool IsOpen() const;
  // False when the file is open read-only (asked for, or not writable by this process):
  // every write then fails with 3027.
  bool Updatable() const;
  // Closes the file; open recordsets of it become unusable (3420). Idempotent.
  void Close();

  // Runs an action statement (UPDATE, DELETE, INSERT, DROP TABLE, ...).
  void Execute(std::string_view sql);
  // Opens a dynaset over a SELECT text or a table name.
  std::shared_ptr<Recordset> OpenRecordset(std::string_view sql_or_table);

  std::vector<std::shared_ptr<TableDef>> TableDefs() const;
  std::shared_ptr<TableDef> CreateTableDef(std::string name = {});
  // Creates the table in the file (3010 when it exists) or, for a definition with a
  // Connect string, links the table of the other file.
  void AppendTableDef(std::shared_ptr<TableDef> table);
  // Removes a table or a link (3265 when there is none; 3303-like refusal 3200 when a
  // relation still ties it).
  void DeleteTableDef(const std::string& name);

  std::vector<std::shared_ptr<Relation>> Relations() const;
  std::shared_ptr<Relation> CreateRelation(std::string name, std::string table,
                                           std::string foreign_table, int32_t attributes);
  // 3012 when a relation of that name exists; 3265 for an unknown table or column.
  void AppendRelation(std::shared_ptr<Relation> relation);
  void DeleteRelation(const std::string& name);

  // Receives every SQL text the database runs for its caller (before translation).
  using StatementTrace = std::function<void(std::string_view sql)>;
  void SetStatementTrace(StatementTrace trace);

  const std::shared_ptr<engine::DatabaseCore>& core() const { return core_; }
  // Engine-internal: the workspace whose Databases list this database.
  ORVALIS_INTERNAL void SetWorkspace(class Workspace* workspace) { workspace_ = workspace; }

 private:
  std::shared_ptr<engine::DatabaseCore> core_;
  class Workspace* workspace_ = nullptr;
};

}  // namespace orvalis
