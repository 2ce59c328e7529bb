// The record and collection pattern that every declaration table is read and written
// through: one record class per table (its object holds the values of one row) and one
// collection class (its object runs one filtered query and is walked by position).
//
// A record object holds one Variant per field of its layout (record_layout.h), the
// recordset of its last query (kept open, positioned where the query left it, until the
// next query replaces it or the object ends) and the database it was bound to with
// DBIndex. A collection object holds one item object of the matching record class, which
// every Item and move refills and hands out again (never a second instance), the
// recordset of its last Fetch (its position is the collection's position) and its
// database.
//
// Errors: every operation but DBIndex and Conjunto (and whatever a class names besides)
// traps the orvalis::Error of any step, stops there, reports it to the diagnostics hook
// (diagnostics.h) as "<Class>.<member>" and returns normally; what was done before the
// failing step stays done. A function then returns what it held: Nothing (nullptr), 0 or
// False. A property's Let is trapped too (under the property's name).
//
// Objects are not synchronized: one thread drives an object at a time, and the database
// it is bound to belongs to that thread.
#pragma once

#include "orvalis/export.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "orvalis/database.h"
#include "orvalis/diagnostics.h"
#include "orvalis/error.h"
#include "orvalis/object.h"
#include "orvalis/records/record_layout.h"
#include "orvalis/recordset.h"
#include "orvalis/variant.h"

namespace orvalis {

// What record and collection objects share: the binding, the recordset of the last
// query and the error trap.
class ORVALIS_EXPORT BoundObject : public Object {
 public:
  // Binds the object to the database open under `database_name` in the shared workspace
  // "Brisquel". Raises the engine's 3265 when the workspace or that database is not open
  // (an empty name included); the previous binding then stays. Not trapped.
  void DBIndex(std::string_view database_name);

  // The bound database; nullptr before the first successful DBIndex.
  const std::shared_ptr<Database>& database() const { return database_; }
  // The recordset of the object's last query; nullptr before the first.
  const std::shared_ptr<Recordset>& recordset() const { return recordset_; }

 protected:
  BoundObject() = default;

  // Runs `body`; an orvalis::Error raised in it ends it, is reported to the diagnostics
  // hook as "<Class>.<member>" and goes no further. True when `body` ran to its end.
  template <typename Body>
  bool Trap(std::string_view member, Body&& body) {
    return Swallow(ClassName(), member, std::forward<Body>(body));
  }

  // A new dynaset over `sql` on the bound database. Raises 424 when the object is not
  // bound, and the engine's errors.
  std::shared_ptr<Recordset> OpenOnDatabase(std::string_view sql) const;
  // Opens `sql` and makes it the object's recordset. When the open fails the previous
  // recordset stays and the error propagates.
  Recordset& Open(std::string_view sql);
  // The object's recordset; 424 when it has none.
  Recordset& Current() const;
  // Lets go of the object's recordset (a following failed query leaves none).
  void ReleaseRecordset() {
    recordset_.reset();
    ++recordset_serial_;
  }
  // Changes whenever the object's recordset is replaced or let go.
  uint64_t recordset_serial() const { return recordset_serial_; }

 private:
  // The class's name, looked up once (every trapped step names it).
  std::string_view ClassName() const {
    return class_name_.empty() ? LookUpClassName() : class_name_;
  }
  std::string_view LookUpClassName() const;

  std::shared_ptr<Database> database_;
  std::shared_ptr<Recordset> recordset_;
  uint64_t recordset_serial_ = 0;
  mutable std::string_view class_name_;
};

// Base of the record classes. A new object holds the values its layout gives after Clear.
//
// The properties are read and written by field, a number of the class's Field enum:
//   cfop.Set(CFOP::kImposto, Variant("12,34"));  cfop.Get(CFOP::kImposto);
class ORVALIS_EXPORT RecordBase : public BoundObject {
 public:
  // The held value of property `field`: what the property's Get returns.
  const Variant& Get(size_t field) const { return values_.at(field); }
  // The property's Let: stores `value` as it comes (no conversion, no check); an object
  // is stored as its default value (DefaultValue). Trapped: an object whose default value
  // cannot be read leaves the held value as it was. Touches no database unless the class
  // says so.
  void Set(size_t field, const Variant& value);

  // Sets every held value to its value after Clear. The recordset and binding stay.
  void Clear() { values_ = layout_.cleared(); }
  // Insert, write back and delete the row of the held values, each as the class's
  // CreateRow, DeleteRow and UpdateRow say, trapped (a class may let Create's errors
  // through).
  virtual void Create() {
    Trap("Create", [&] { CreateRow(); });
  }
  void Delete() {
    Trap("Delete", [&] { DeleteRow(); });
  }
  void Update() {
    Trap("Update", [&] { UpdateRow(); });
  }

  const records::RecordLayout& layout() const { return layout_; }

 protected:
  explicit RecordBase(const records::RecordLayout& layout);

  // What the Let of `field` does after storing the value; nothing unless a class says.
  virtual void AfterLet(size_t field) {}
  // Stores a value read from a row, bypassing the Let.
  void Store(size_t field, Variant value) { values_.at(field) = std::move(value); }

  // Copies the fields that `use` (kFetch or kItem) reads from the current row of `row`,
  // in row order.
  void Load(const Recordset& row, records::FieldUse use);
  // Where in `row` each field that `use` reads finds its column (ColumnsOf), and Load
  // with those positions: the same, without looking the columns up again.
  static constexpr int32_t kUnselected = -1;  // a field reads leave as it was
  static constexpr int32_t kNoColumn = -2;    // a column the statement lacks: 3265 on read
  std::vector<int32_t> ColumnsOf(const Recordset& row, records::FieldUse use) const;
  void Load(const Recordset& row, records::FieldUse use, std::span<const int32_t> columns);
  // Load one field at a time (where reading fails, the fields before are stored).
  void LoadEach(const Recordset& row, records::FieldUse use, std::span<const int32_t> columns);
  // The value a read of `use` keeps for `field` when the column is Null (the row's
  // NullAs), in place of the Null it holds.
  void ReplaceNull(size_t field, records::FieldUse use);
  // Opens `sql` as the object's recordset and loads the kFetch fields from its first
  // row; with no row, Clear (or, kKeep, the held values stay).
  enum class WhenNoRow { kClear, kKeep };
  void FetchRow(std::string_view sql, WhenNoRow when_no_row = WhenNoRow::kClear);
  // Opens `table_sql` as the object's recordset, adds a row with the kCreate fields (or
  // the listed ones), saves it and makes it current (Bookmark = LastModified). A value
  // its write rule refuses stops it before the recordset is opened.
  Recordset& AddRow(std::string_view table_sql);
  Recordset& AddRow(std::string_view table_sql, std::span<const size_t> fields);
  // Edits the current row of `row` (without checking that there is one), writes the
  // kUpdate fields (or the listed ones) and saves. A value its write rule refuses stops
  // it before the edit begins.
  void EditRow(Recordset& row) const;
  void EditRow(Recordset& row, std::span<const size_t> fields) const;

 private:
  friend class CollectionBase;  // refills its item object with Load

  virtual void CreateRow() = 0;
  virtual void DeleteRow() = 0;
  virtual void UpdateRow() = 0;

  // The values the listed fields write, through their rows' write rules.
  std::vector<Variant> Written(std::span<const size_t> fields) const;
  void SetColumns(Recordset& row, std::span<const size_t> fields,
                  const std::vector<Variant>& written) const;

  const records::RecordLayout& layout_;
  std::vector<Variant> values_;
  std::vector<Variant*> load_targets_;  // Load's list of the values it fills, kept for reuse
};

// How a collection's MoveFirst, MovePrevious and Last decide that there is a row to go
// to: by the recordset's RecordCount, or (several collections) by its end-of-file mark.
enum class WalkRule { kRecordCount, kEndOfFile };
// Whether Count traps its errors (all but one collection) or lets them reach the caller.
enum class CountErrors { kTrapped, kRaised };

// Base of the collection classes; RecordCollection gives it its typed face.
//
// A collection whose last Fetch failed is empty: Count 0, Last True, Item and the moves
// Nothing, Conjunto Nothing; the rows of an earlier Fetch are never shown in its place.
// Before the first Fetch the same holds but for Last, which is False.
class ORVALIS_EXPORT CollectionBase : public BoundObject {
 public:
  // True past the last row or when the last Fetch found none (or failed); False before
  // any Fetch.
  bool Last();
  // The number of rows of the last Fetch (0 without a current row, after a failed Fetch
  // and, unless the class raises, before any Fetch); the position is the same before and
  // after.
  int32_t Count();
  // The recordset of the last Fetch itself, late-bound (moving it moves the
  // collection); Nothing before the first Fetch or after a failed one. Not trapped.
  std::shared_ptr<Object> Conjunto() const;

 protected:
  enum class Direction { kFirst, kPrevious, kNext };

  CollectionBase(std::shared_ptr<RecordBase> item, WalkRule rule,
                 CountErrors count_errors = CountErrors::kTrapped);

  // Lets go of the previous recordset, then opens the statement `build` returns; when
  // building or opening fails the collection is empty.
  template <typename Build>
  void RunFetch(Build&& build) {
    ReleaseRecordset();
    fetched_ = true;
    Trap("Fetch", [&] { Open(build()); });
  }

  // Moves to row `index` (1-based) unless it is Missing, refills the item from the
  // current row and returns it; nullptr when there is no such row (the position stays).
  std::shared_ptr<RecordBase> ItemAt(const Variant& index);
  // Moves and returns the refilled item; nullptr when there is no row to go to.
  std::shared_ptr<RecordBase> Move(Direction direction);
  // Positions on row `index` (1-based) unless it is Missing: the runtime's Index - 1.
  static void Position(Recordset& rs, const Variant& index);

  // Copies the column `field` reads from the current row of `rs` into the item and
  // returns the item's value of it.
  const Variant& LoadItemField(const Recordset& rs, size_t field);

 private:
  int32_t CountRows() const;
  // RecordBase::ColumnsOf for the item's kItem fields in the collection's recordset
  // `rs`, found once per recordset.
  std::span<const int32_t> ItemColumns(const Recordset& rs);

  std::shared_ptr<RecordBase> item_;
  WalkRule rule_;
  CountErrors count_errors_;
  bool fetched_ = false;  // a Fetch was run (an absent recordset then means empty)
  std::vector<int32_t> item_columns_;
  std::optional<uint64_t> item_columns_serial_;  // the recordset they were found in
};

// A collection whose item object is an `ItemT`: the walk as the front-end sees it.
template <typename ItemT>
class ORVALIS_EXPORT RecordCollection : public CollectionBase {
 public:
  // The item filled from row `index` (1-based), or from the current row when `index` is
  // Missing; nullptr (Nothing) when there is no such row, the position then unchanged.
  std::shared_ptr<ItemT> Item(const Variant& index = Variant::Missing()) {
    return Typed(ItemAt(index));
  }
  // Each moves and returns the refilled item, or nullptr when there is no row there.
  std::shared_ptr<ItemT> MovePrevious() { return Typed(Move(Direction::kPrevious)); }
  std::shared_ptr<ItemT> MoveNext() { return Typed(Move(Direction::kNext)); }
  std::shared_ptr<ItemT> MoveFirst() { return Typed(Move(Direction::kFirst)); }

 protected:
  explicit RecordCollection(WalkRule rule, CountErrors count_errors = CountErrors::kTrapped)
      : CollectionBase(std::make_shared<ItemT>(), rule, count_errors) {}

 private:
  static std::shared_ptr<ItemT> Typed(std::shared_ptr<RecordBase> item) {
    return std::static_pointer_cast<ItemT>(std::move(item));
  }
};

}  // namespace orvalis
