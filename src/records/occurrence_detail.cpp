#include "orvalis/records/occurrence_detail.h"

#include "statement_values.h"

namespace orvalis {

using records::Bare;
using records::Quoted;
using records::Sql;

OccurrenceDetail::OccurrenceDetail(const records::RecordLayout& layout, std::string_view table_sql,
                                   CreateErrors create_errors)
    : RecordBase(layout), table_sql_(table_sql), create_errors_(create_errors) {}

void OccurrenceDetail::Create() {
  auto add = [&] { AddRow(table_sql_).Close(); };
  if (create_errors_ == CreateErrors::kRaised) {
    add();
  } else if (!Trap("Create", add)) {
    return;
  }
  Trap("Fetch", [&] { FetchRow(ReloadStatement()); });
}

void OccurrenceDetail::Delete() {
  Trap("Delete", [&] { Open(DeleteStatement()).Delete(); });
}

void OccurrenceDetail::Update() {
  Trap("Update", [&] { EditRow(Current()); });
}

std::string DetailListStatement(const DetailListPieces& pieces, const Variant& código,
                                const Variant& filter) {
  if (filter.IsMissing()) {
    return Sql("SELECT * ", pieces.table, "WHERE (Código = ", Bare(código), ") ", pieces.order);
  }
  return Sql("SELECT * ", pieces.table, "WHERE (Código = ", Bare(código), ") And ", pieces.filter,
             Quoted(filter), "')", pieces.order);
}

}  // namespace orvalis
