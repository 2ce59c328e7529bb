#include "orvalis/recordset.h"

#include "engine/recordset_core.h"

namespace orvalis {

Recordset::Recordset(std::unique_ptr<engine::RecordsetCore> core) : core_(std::move(core)) {}
Recordset::~Recordset() = default;

bool Recordset::IsEof() const { return core_->IsEof(); }
bool Recordset::IsBof() const { return core_->IsBof(); }
int32_t Recordset::RecordCount() const { return core_->RecordCount(); }
int32_t Recordset::AbsolutePosition() const { return core_->AbsolutePosition(); }
void Recordset::SetAbsolutePosition(int32_t position) { core_->SetAbsolutePosition(position); }
Bookmark Recordset::GetBookmark() const { return core_->GetBookmark(); }
void Recordset::SetBookmark(Bookmark bookmark) { core_->SetBookmark(bookmark); }
Bookmark Recordset::LastModified() const { return core_->LastModified(); }
void Recordset::MoveFirst() { core_->MoveFirst(); }
void Recordset::MoveLast() { core_->MoveLast(); }
void Recordset::MoveNext() { core_->MoveNext(); }
void Recordset::MovePrevious() { core_->MovePrevious(); }
void Recordset::AddNew() { core_->AddNew(); }
void Recordset::Edit() { core_->Edit(); }
void Recordset::Update() { core_->Update(); }
void Recordset::CancelUpdate() { core_->CancelUpdate(); }
void Recordset::Delete() { core_->Delete(); }
void Recordset::Close() { core_->Close(); }
bool Recordset::IsOpen() const { return core_->is_open(); }
const std::vector<RecordsetColumn>& Recordset::Columns() const { return core_->Columns(); }
int32_t Recordset::ColumnIndex(std::string_view name) const { return core_->ColumnIndex(name); }
Variant Recordset::GetValue(std::string_view column) const {
  return core_->GetValue(core_->ColumnIndex(column));
}
Variant Recordset::GetValue(int32_t column) const { return core_->GetValue(column); }
void Recordset::GetValues(std::span<const int32_t> columns, std::span<Variant* const> into) const {
  core_->GetValues(columns, into);
}
void Recordset::SetValue(std::string_view column, const Variant& value) {
  core_->SetValue(core_->ColumnIndex(column), value);
}
void Recordset::SetValue(int32_t column, const Variant& value) { core_->SetValue(column, value); }
const std::string& Recordset::Source() const { return core_->source(); }

}  // namespace orvalis
