#include "engine/table_import.h"

#include <optional>

#include "engine/database_core.h"
#include "engine/fault_injection.h"
#include "engine/stored_value.h"
#include "orvalis/error.h"

namespace orvalis::engine {

struct TableImport::State {
  DatabaseCore& db;
  TableInfo table;
  int counter;
  Statement insert;
  std::optional<WriteTransaction> transaction;

  State(DatabaseCore& core, std::string_view name)
      : db(core), table(core.catalog().Table(name)), counter(table.CounterColumn()) {
    if (table.linked) throw MakeError(ErrorCode::kReadOnly);
    std::string columns = "rowid";
    std::string parameters = "?1";
    for (size_t c = 0; c < table.columns.size(); ++c) {
      columns += ", " + QuoteIdentifier(table.columns[c].name);
      parameters += ", ?" + std::to_string(c + 2);
    }
    insert = Statement(db.handle(), "INSERT INTO " + QuoteIdentifier(table.name) + " (" + columns +
                                        ") VALUES (" + parameters + ")");
    transaction.emplace(db.statements());
  }

  // Binds one value; bytes go in as a blob so that nothing reads them as text.
  void Bind(int index, const StoredValue& value, FieldType type) {
    const auto* bytes = std::get_if<std::string>(&value);
    if (bytes != nullptr && (type == FieldType::kBinary || type == FieldType::kLongBinary)) {
      sqlite3_bind_blob64(insert.get(), index, bytes->data(), bytes->size(), SQLITE_TRANSIENT);
    } else {
      insert.Bind(index, value);
    }
  }
};

void CreateImportTable(Database& db, std::string_view name, std::span<const ImportColumn> columns,
                       std::span<const ImportIndex> indexes) {
  TableInfo table;
  table.name = std::string(name);
  for (const auto& column : columns) table.columns.push_back({column.name, column.definition});
  for (const auto& index : indexes) {
    table.indexes.push_back({index.name, "", index.primary, index.unique, false, index.columns});
  }
  DatabaseCore& core = *db.core();
  core.handle();
  core.catalog().CreateTable(table);
  core.SchemaChanged();
}

TableImport::TableImport(Database& db, std::string_view table)
    : state_(std::make_unique<State>(*db.core(), table)) {}

TableImport::~TableImport() = default;

void TableImport::Insert(std::span<const Variant> row) {
  State& s = *state_;
  if (row.size() != s.table.columns.size()) throw MakeError(ErrorCode::kInvalidArgument);
  PassFaultSite(FaultSite::kStatement);
  StatementReset reset(s.insert);
  for (size_t c = 0; c < row.size(); ++c) {
    const ColumnInfo& column = s.table.columns[c];
    StoredValue value;
    try {
      value = EncodeForColumn(row[c], column.definition);
      const bool key = static_cast<int>(c) == s.counter || s.table.InPrimaryKey(column.name);
      if (key && std::holds_alternative<StoredNull>(value)) throw MakeError(ErrorCode::kNullInKey);
    } catch (const Error& error) {
      throw Error(error.number(), "Column '" + column.name + "': " + error.description());
    }
    if (static_cast<int>(c) == s.counter) s.insert.Bind(1, value);
    s.Bind(static_cast<int>(c) + 2, value, column.definition.type);
  }
  s.insert.Step();
}

void TableImport::Commit(int64_t next_counter) {
  State& s = *state_;
  if (s.counter >= 0) {
    Statement advance(s.db.handle(),
                      "INSERT INTO _orv_sequences(tbl, last) VALUES (?1, max(?2, coalesce((SELECT "
                      "max(rowid) FROM " +
                          QuoteIdentifier(s.table.name) +
                          "), 0))) ON CONFLICT(tbl) DO UPDATE SET last = max(last, excluded.last)");
    advance.BindText(1, s.table.name);
    advance.BindInt(2, next_counter - 1);
    advance.Run();
  }
  s.transaction->Commit();
}

}  // namespace orvalis::engine
