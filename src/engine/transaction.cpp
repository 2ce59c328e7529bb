#include "orvalis/transaction.h"

#include "engine/database_core.h"
#include "orvalis/database.h"
#include "orvalis/error.h"

namespace orvalis {

WriteUnit::WriteUnit(Database& db)
    : core_(db.core()), unit_(std::make_unique<engine::WriteTransaction>(core_->statements())) {}

WriteUnit::~WriteUnit() {
  if (done_ || !core_->is_open()) return;
  unit_.reset();  // undoes the changes
  // The schema may have gone back: the engine forgets what it cached of it.
  core_->SchemaChanged();
}

void WriteUnit::Commit() {
  unit_->Commit();
  done_ = true;
}

namespace {

Database& Outermost(Database& db) {
  if (sqlite3_get_autocommit(db.core()->handle()) == 0) {
    throw Error(static_cast<int32_t>(ErrorCode::kEngineFailure),
                "A transaction is already open on '" + db.Name() + "'.");
  }
  return db;
}

}  // namespace

Transaction::Transaction(Database& db) : WriteUnit(Outermost(db)) {}

}  // namespace orvalis
