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

#include <memory>

namespace orvalis {

class Database;

namespace engine {
class DatabaseCore;
}

class Transaction {
 public:
  explicit Transaction(Database& db);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  // Makes the changes durable; on failure (another writer, a full disk) the engine's
  // error reaches the caller and the transaction stays open, to be undone at its end.
  void Commit();

 private:
  std::shared_ptr<engine::DatabaseCore> core_;
  bool done_ = false;
};

class Savepoint {
 public:
  explicit Savepoint(Database& db);
  ~Savepoint();
  Savepoint(const Savepoint&) = delete;
  Savepoint& operator=(const Savepoint&) = delete;

  // Keeps the changes as part of the enclosing unit.
  void Commit();

 private:
  std::shared_ptr<engine::DatabaseCore> core_;
  bool done_ = false;
};

}  // namespace orvalis
