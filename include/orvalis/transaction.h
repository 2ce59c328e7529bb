// Transaction and Savepoint: units of work on one open declaration file that are kept
// whole or undone whole.
//
// A Transaction takes the file's write lock when it begins (it waits the engine's busy
// timeout for another writer, then fails with the engine's error) and holds every change
// made through its database, schema changes included, until Commit. When it ends without
// Commit every change since it began is undone; a process that dies before Commit leaves
// the file as it was. One Transaction at a time per database.
//
// A Savepoint is a unit nested inside whatever is open on the database (a Transaction,
// another Savepoint, or nothing, when it is a transaction of its own): ending without
// Commit undoes the changes made since it began and keeps the enclosing ones.
//
// The engine's own schema changes and row writes nest inside both. Both belong to the
// thread of their database and must end before it closes (ending later does nothing).
#pragma once

#include "orvalis/export.h"

#include <memory>

namespace orvalis {

class Database;

namespace engine {
class DatabaseCore;
class WriteTransaction;
}  // namespace engine

// What both units share: the engine's write unit, and forgetting the cached schema when
// the unit is undone.
class ORVALIS_EXPORT WriteUnit {
 public:
  ~WriteUnit();
  WriteUnit(const WriteUnit&) = delete;
  WriteUnit& operator=(const WriteUnit&) = delete;

  // Keeps the changes: durable for a Transaction (on failure the engine's error reaches
  // the caller and the unit stays open, to be undone at its end), part of the enclosing
  // unit for a Savepoint.
  void Commit();

 protected:
  explicit WriteUnit(Database& db);

 private:
  std::shared_ptr<engine::DatabaseCore> core_;
  std::unique_ptr<engine::WriteTransaction> unit_;
  bool done_ = false;
};

class ORVALIS_EXPORT Transaction final : public WriteUnit {
 public:
  // Raises 3000 when a transaction is open on `db` already.
  explicit Transaction(Database& db);
};

class ORVALIS_EXPORT Savepoint final : public WriteUnit {
 public:
  explicit Savepoint(Database& db) : WriteUnit(db) {}
};

}  // namespace orvalis
