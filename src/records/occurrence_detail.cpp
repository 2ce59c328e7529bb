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
  if (create_errors_ == CreateErrors::kRaised) {
    CreateRow();
  } else if (!Trap("Create", [&] { CreateRow(); })) {
    return;
  }
  Trap("Fetch", [&] { FetchRow(ReloadStatement()); });
}

void OccurrenceDetail::CreateRow() { AddRow(table_sql_).Close(); }

void OccurrenceDetail::DeleteRow() { Open(DeleteStatement()).Delete(); }

void OccurrenceDetail::UpdateRow() { EditRow(Current()); }

std::string DetailListStatement(const DetailListPieces& pieces, const Variant& código,
                                const Variant& filter) {
  if (filter.IsMissing()) {
    return Sql("SELECT * ", pieces.table, "WHERE (Código = ", Bare(código), ") ", pieces.order);
  }
  return Sql("SELECT * ", pieces.table, "WHERE (Código = ", Bare(código), ") And ", pieces.filter,
             Quoted(filter), "')", pieces.order);
}

}  // namespace orvalis
