#include <string_view>

#include "engine/late_bound_objects.h"
#include "orvalis/records/record_base.h"

namespace orvalis {

CollectionBase::CollectionBase(std::shared_ptr<RecordBase> item, WalkRule rule,
                               CountErrors count_errors)
    : item_(std::move(item)), rule_(rule), count_errors_(count_errors) {}

void CollectionBase::Position(Recordset& rs, const Variant& index) {
  // Index - 1 as the runtime computes it: the variant read as a number, then rounded.
  if (!index.IsMissing()) rs.SetAbsolutePosition(ToLong(Variant(ToDouble(index) - 1)));
}

std::shared_ptr<RecordBase> CollectionBase::ItemAt(const Variant& index) {
  if (!recordset()) return nullptr;
  std::shared_ptr<RecordBase> item;
  Trap("Item", [&] {
    Recordset& rs = Current();
    Position(rs, index);
    item_->Load(rs, records::kItem, ItemColumns(rs));
    item = item_;
  });
  return item;
}

std::shared_ptr<RecordBase> CollectionBase::Move(Direction direction) {
  static constexpr std::string_view kNames[] = {"MoveFirst", "MovePrevious", "MoveNext"};
  if (!recordset()) return nullptr;
  std::shared_ptr<RecordBase> item;
  Trap(kNames[static_cast<int>(direction)], [&] {
    Recordset& rs = Current();
    // MoveNext always looks at the end mark; MoveFirst and MovePrevious as the class says.
    const bool by_end_mark = direction == Direction::kNext || rule_ == WalkRule::kEndOfFile;
    if (by_end_mark ? rs.IsEof() : rs.RecordCount() <= 0) return;
    switch (direction) {
      case Direction::kFirst:
        rs.MoveFirst();
        break;
      case Direction::kPrevious:
        rs.MovePrevious();
        break;
      case Direction::kNext:
        rs.MoveNext();
        break;
    }
    if (!rs.IsEof()) item = ItemAt(Variant::Missing());
  });
  return item;
}

std::span<const int32_t> CollectionBase::ItemColumns(const Recordset& rs) {
  if (item_columns_serial_ != recordset_serial()) {
    item_columns_ = item_->ColumnsOf(rs, records::kItem);
    item_columns_serial_ = recordset_serial();
  }
  return item_columns_;
}

const Variant& CollectionBase::LoadItemField(const Recordset& rs, size_t field) {
  item_->Store(field, rs.GetValue(item_->layout().row(field).read_from()));
  return item_->Get(field);
}

bool CollectionBase::Last() {
  if (!recordset()) return fetched_;
  bool last = false;
  Trap("Last", [&] {
    const Recordset& rs = Current();
    last = rule_ == WalkRule::kEndOfFile || rs.RecordCount() >= 1 ? rs.IsEof() : true;
  });
  return last;
}

int32_t CollectionBase::CountRows() const {
  Recordset& rs = Current();
  if (rs.RecordCount() < 1) return 0;
  const Bookmark here = rs.GetBookmark();
  rs.MoveLast();
  const int32_t count = rs.RecordCount();
  rs.SetBookmark(here);
  return count;
}

int32_t CollectionBase::Count() {
  if (count_errors_ == CountErrors::kRaised) return recordset() || !fetched_ ? CountRows() : 0;
  if (!recordset()) return 0;
  int32_t count = 0;
  Trap("Count", [&] { count = CountRows(); });
  return count;
}

std::shared_ptr<Object> CollectionBase::Conjunto() const { return WrapRecordset(recordset()); }

}  // namespace orvalis
