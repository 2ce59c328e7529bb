#include "orvalis/records/record_base.h"

#include <algorithm>
#include <string>

#include "component/text_fold.h"
#include "database/module_state.h"
#include "orvalis/class_info.h"

namespace orvalis {

using records::FieldRow;
using records::FieldUse;

namespace {

// Whether the statement of `rs` selects a column of that name (letter case ignored).
bool Selects(const Recordset& rs, std::string_view column) {
  const std::string folded = FoldCase(column);
  for (const RecordsetColumn& selected : rs.Columns()) {
    if (FoldCase(selected.name) == folded) return true;
  }
  return false;
}

}  // namespace

void BoundObject::DBIndex(std::string_view database_name) {
  database_ = BindDatabase(database_name);
}

std::string_view BoundObject::LookUpClassName() const {
  class_name_ = Class().name();
  return class_name_;
}

std::shared_ptr<Recordset> BoundObject::OpenOnDatabase(std::string_view sql) const {
  if (!database_) throw MakeError(ErrorCode::kObjectRequired);
  return database_->OpenRecordset(sql);
}

Recordset& BoundObject::Open(std::string_view sql) {
  recordset_ = OpenOnDatabase(sql);
  ++recordset_serial_;
  return *recordset_;
}

Recordset& BoundObject::Current() const {
  if (!recordset_) throw MakeError(ErrorCode::kObjectRequired);
  return *recordset_;
}

RecordBase::RecordBase(const records::RecordLayout& layout)
    : layout_(layout), values_(layout.cleared()) {}

void RecordBase::Set(size_t field, const Variant& value) {
  Variant& held = values_.at(field);
  Trap(layout_.row(field).name, [&] {
    held = DefaultValue(value);
    AfterLet(field);
  });
}

void RecordBase::Load(const Recordset& row, FieldUse use) { Load(row, use, ColumnsOf(row, use)); }

std::vector<int32_t> RecordBase::ColumnsOf(const Recordset& row, FieldUse use) const {
  std::vector<int32_t> columns;
  for (size_t field : layout_.Fields(use)) {
    const FieldRow& field_row = layout_.row(field);
    if ((field_row.use & records::kSkipUnselected) != 0 && !Selects(row, field_row.read_from())) {
      columns.push_back(kUnselected);
      continue;
    }
    int32_t column = kNoColumn;
    try {
      column = row.ColumnIndex(field_row.read_from());
    } catch (const Error& error) {
      if (error.number() != static_cast<int32_t>(ErrorCode::kItemNotFound)) throw;
    }
    columns.push_back(column);
  }
  return columns;
}

void RecordBase::Load(const Recordset& row, FieldUse use, std::span<const int32_t> columns) {
  const std::span<const size_t> fields = layout_.Fields(use);
  // The fields up to a column the statement lacks are read together (that one raises).
  const size_t readable =
      static_cast<size_t>(std::find(columns.begin(), columns.end(), kNoColumn) - columns.begin());
  std::vector<Variant*>& targets = load_targets_;
  targets.resize(readable);
  for (size_t i = 0; i < readable; ++i) targets[i] = &values_[fields[i]];
  try {
    row.GetValues(columns.first(readable), targets);
  } catch (const Error&) {
    // Nothing was stored: a field at a time, the ones before the failing one are.
    LoadEach(row, use, columns);
    throw;
  }
  for (size_t i : layout_.NullReplacing(use)) {
    if (i < readable && columns[i] != kUnselected) ReplaceNull(fields[i], use);
  }
  if (readable < columns.size()) throw MakeError(ErrorCode::kItemNotFound);
}

void RecordBase::LoadEach(const Recordset& row, FieldUse use, std::span<const int32_t> columns) {
  const std::span<const size_t> fields = layout_.Fields(use);
  for (size_t i = 0; i < fields.size(); ++i) {
    if (columns[i] == kUnselected) continue;
    if (columns[i] == kNoColumn) throw MakeError(ErrorCode::kItemNotFound);
    Store(fields[i], row.GetValue(columns[i]));
    ReplaceNull(fields[i], use);
  }
}

void RecordBase::ReplaceNull(size_t field, FieldUse use) {
  const FieldRow& field_row = layout_.row(field);
  Variant& value = values_.at(field);
  if (value.IsNull() && (field_row.null_reads & use) != 0) value = layout_.null_value(field);
}

void RecordBase::FetchRow(std::string_view sql, WhenNoRow when_no_row) {
  const Recordset& row = Open(sql);
  if (!row.IsEof()) {
    Load(row, records::kFetch);
  } else if (when_no_row == WhenNoRow::kClear) {
    Clear();
  }
}

std::vector<Variant> RecordBase::Written(std::span<const size_t> fields) const {
  std::vector<Variant> written;
  written.reserve(fields.size());
  for (size_t field : fields) {
    const FieldRow& field_row = layout_.row(field);
    written.push_back(field_row.write_rule ? field_row.write_rule(values_[field]) : values_[field]);
  }
  return written;
}

void RecordBase::SetColumns(Recordset& row, std::span<const size_t> fields,
                            const std::vector<Variant>& written) const {
  for (size_t i = 0; i < fields.size(); ++i) {
    row.SetValue(layout_.row(fields[i]).column(), written[i]);
  }
}

Recordset& RecordBase::AddRow(std::string_view table_sql) {
  return AddRow(table_sql, layout_.Fields(records::kCreate));
}

Recordset& RecordBase::AddRow(std::string_view table_sql, std::span<const size_t> fields) {
  const std::vector<Variant> written = Written(fields);
  Recordset& row = Open(table_sql);
  row.AddNew();
  SetColumns(row, fields, written);
  row.Update();
  row.SetBookmark(row.LastModified());
  return row;
}

void RecordBase::EditRow(Recordset& row) const { EditRow(row, layout_.Fields(records::kUpdate)); }

void RecordBase::EditRow(Recordset& row, std::span<const size_t> fields) const {
  const std::vector<Variant> written = Written(fields);
  row.Edit();
  SetColumns(row, fields, written);
  row.Update();
}

}  // namespace orvalis
