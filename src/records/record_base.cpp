#include "orvalis/records/record_base.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <string>

#include "orvalis/class_info.h"
#include "orvalis/diagnostics.h"
#include "orvalis/module_state.h"

namespace orvalis {

std::span<const size_t> RecordLayout::all() const {
  static constexpr auto kNumbers = [] {
    std::array<size_t, 32> numbers{};
    for (size_t i = 0; i < numbers.size(); ++i) numbers[i] = i;
    return numbers;
  }();
  assert(fields.size() <= kNumbers.size());
  return std::span<const size_t>(kNumbers).first(fields.size());
}

bool NullGuard::Covers(size_t field) const {
  return std::find(fields.begin(), fields.end(), field) != fields.end();
}

void BoundObject::DBIndex(std::string_view database_name) {
  database_ = BindDatabase(database_name);
}

std::string_view BoundObject::ClassName() const { return Class().name(); }

std::shared_ptr<Recordset> BoundObject::OpenOnDatabase(std::string_view sql) const {
  if (!database_) throw MakeError(ErrorCode::kObjectRequired);
  return database_->OpenRecordset(sql);
}

Recordset& BoundObject::Open(std::string_view sql) {
  recordset_ = OpenOnDatabase(sql);
  return *recordset_;
}

Recordset& BoundObject::Current() const {
  if (!recordset_) throw MakeError(ErrorCode::kObjectRequired);
  return *recordset_;
}

RecordBase::RecordBase(const RecordLayout& layout) : layout_(layout), values_(layout.defaults) {
  assert(layout.defaults.size() == layout.fields.size());
}

void RecordBase::Set(size_t field, const Variant& value) {
  values_.at(field) = DefaultValue(value);
}

void RecordBase::Clear() { values_ = layout_.defaults; }

void RecordBase::Load(const Recordset& row, std::span<const size_t> fields,
                      const NullGuard& guard) {
  for (size_t field : fields) {
    Variant value = row.GetValue(layout_.fields[field].Column());
    Set(field, value.IsNull() && guard.Covers(field) ? guard.replacement : value);
  }
}

void RecordBase::FetchRow(std::string_view sql, std::span<const size_t> fields,
                          const NullGuard& guard) {
  const Recordset& row = Open(sql);
  if (row.IsEof()) {
    Clear();
    return;
  }
  Load(row, fields, guard);
}

void RecordBase::Write(Recordset& row, std::span<const size_t> fields) const {
  for (size_t field : fields) row.SetValue(layout_.fields[field].Column(), values_[field]);
}

Recordset& RecordBase::AddRow(std::string_view table_sql, std::span<const size_t> fields) {
  Recordset& row = Open(table_sql);
  row.AddNew();
  Write(row, fields);
  row.Update();
  row.SetBookmark(row.LastModified());
  return row;
}

void RecordBase::EditRow(Recordset& row, std::span<const size_t> fields) const {
  row.Edit();
  Write(row, fields);
  row.Update();
}

}  // namespace orvalis
