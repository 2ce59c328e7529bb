#include "orvalis/transaction.h"

#include "engine/database_core.h"
#include "orvalis/database.h"

namespace orvalis {

namespace {

// Undoes a unit that ends without Commit. Nothing more can be undone when this fails;
// the failure that ended the unit early is what the caller sees. The schema may have
// gone back, so the engine forgets what it cached of it.
void Undo(engine::DatabaseCore& core, const char* sql) {
  if (!core.is_open()) return;
  sqlite3_exec(core.handle(), sql, nullptr, nullptr, nullptr);
  core.SchemaChanged();
}

}  // namespace

Transaction::Transaction(Database& db) : core_(db.core()) {
  engine::ExecRaw(core_->handle(), "BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
  if (!done_) Undo(*core_, "ROLLBACK");
}

void Transaction::Commit() {
  engine::ExecRaw(core_->handle(), "COMMIT");
  done_ = true;
}

Savepoint::Savepoint(Database& db) : core_(db.core()) {
  engine::ExecRaw(core_->handle(), "SAVEPOINT orv_unit");
}

Savepoint::~Savepoint() {
  if (!done_) Undo(*core_, "ROLLBACK TO orv_unit; RELEASE orv_unit");
}

void Savepoint::Commit() {
  engine::ExecRaw(core_->handle(), "RELEASE orv_unit");
  done_ = true;
}

}  // namespace orvalis
