#include "orvalis/records/record_layout.h"

#include <iterator>
#include <numeric>
#include <stdexcept>

#include "component/text_fold.h"
#include "database/declaration_schema.h"

namespace orvalis::records {

namespace {

constexpr FieldUse kListedUses[] = {kFetch, kItem, kCreate, kUpdate};

const database::ColumnDefinition* FindColumn(const database::TableDefinition& table,
                                             std::string_view name) {
  const std::string folded = FoldCase(name);
  for (const auto& column : table.columns) {
    if (FoldCase(column.name) == folded) return &column;
  }
  return nullptr;
}

// Where the lists of a use (one FieldUse bit of kListedUses) are kept.
size_t UseIndex(FieldUse use) {
  for (size_t i = 0; i < std::size(kListedUses); ++i) {
    if (kListedUses[i] == use) return i;
  }
  throw std::logic_error("record layout: no field list for that use");
}

}  // namespace

Variant ClearedValue::ToVariant() const {
  switch (kind) {
    case Kind::kEmpty:
      return Variant();
    case Kind::kNull:
      return Variant::Null();
    case Kind::kInteger:
      return Variant::Integer(number);
    case Kind::kText:
      return Variant(text);
    case Kind::kBoolean:
      return Variant(number != 0);
  }
  return Variant();
}

std::vector<std::string> LayoutFaults(std::string_view table, std::span<const FieldRow> rows) {
  const database::TableDefinition* definition = nullptr;
  for (const auto& candidate : database::SchemaTables()) {
    if (candidate.name == table) definition = &candidate;
  }
  if (!definition) return {"no table " + std::string(table) + " in the file schema"};
  std::vector<std::string> faults;
  const std::string where = " of " + std::string(table);
  for (const FieldRow& row : rows) {
    if ((row.use & kJoined) != 0) continue;
    const database::ColumnDefinition* column = FindColumn(*definition, row.column());
    if (!column) {
      faults.push_back("no column " + std::string(row.column()) + where);
    } else if (column->counter && (row.use & kWrite) != 0) {
      faults.push_back("counter column " + std::string(row.column()) + where + " written");
    }
  }
  return faults;
}

RecordLayout::RecordLayout(std::string_view table, std::span<const FieldRow> rows,
                           std::span<const size_t> slot_order)
    : table_(table), rows_(rows), slot_order_(slot_order.begin(), slot_order.end()) {
  std::vector<std::string> faults = LayoutFaults(table, rows);
  if (!faults.empty()) {
    std::string text = "record layout:";
    for (const std::string& fault : faults) text += " " + fault + ";";
    throw std::logic_error(text);
  }
  if (slot_order_.empty()) {
    slot_order_.resize(rows.size());
    std::iota(slot_order_.begin(), slot_order_.end(), size_t{0});
  }
  for (const FieldRow& row : rows) {
    cleared_.push_back(row.cleared.ToVariant());
    null_values_.push_back(row.null_value.ToVariant());
    for (size_t i = 0; i < by_use_.size(); ++i) {
      if ((row.use & kListedUses[i]) == 0) continue;
      if ((row.null_reads & kListedUses[i]) != 0) null_replacing_[i].push_back(by_use_[i].size());
      by_use_[i].push_back(row.field);
    }
  }
}

std::span<const size_t> RecordLayout::Fields(FieldUse use) const { return by_use_[UseIndex(use)]; }

std::span<const size_t> RecordLayout::NullReplacing(FieldUse use) const {
  return null_replacing_[UseIndex(use)];
}

}  // namespace orvalis::records
