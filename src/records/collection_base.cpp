#include <string_view>

#include "orvalis/engine_objects.h"
#include "orvalis/records/record_base.h"

namespace orvalis {

CollectionBase::CollectionBase(std::shared_ptr<RecordBase> item, ItemFill fill, WalkRule rule)
    : item_(std::move(item)), fill_(std::move(fill)), rule_(rule) {}

std::shared_ptr<RecordBase> CollectionBase::ItemAt(const Variant& index) {
  std::shared_ptr<RecordBase> item;
  Trap("Item", [&] {
    Recordset& rs = Current();
    // Index - 1 as the runtime computes it: the variant read as a number, then rounded.
    if (!index.IsMissing()) rs.SetAbsolutePosition(ToLong(Variant(ToDouble(index) - 1)));
    item_->Load(rs, fill_.fields, fill_.guard);
    item = item_;
  });
  return item;
}

std::shared_ptr<RecordBase> CollectionBase::Move(Direction direction) {
  static constexpr std::string_view kNames[] = {"MoveFirst", "MovePrevious", "MoveNext"};
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

bool CollectionBase::Last() {
  bool last = false;
  Trap("Last", [&] {
    const Recordset& rs = Current();
    if (rule_ == WalkRule::kEndOfFile) {
      last = rs.IsEof();
    } else {
      last = rs.RecordCount() >= 1 ? rs.IsEof() : true;
    }
  });
  return last;
}

int32_t CollectionBase::Count() {
  int32_t count = 0;
  Trap("Count", [&] {
    Recordset& rs = Current();
    if (rs.RecordCount() < 1) return;
    const Bookmark here = rs.GetBookmark();
    rs.MoveLast();
    count = rs.RecordCount();
    rs.SetBookmark(here);
  });
  return count;
}

std::shared_ptr<Object> CollectionBase::Conjunto() const { return WrapRecordset(recordset()); }

}  // namespace orvalis
