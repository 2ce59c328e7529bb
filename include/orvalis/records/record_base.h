// The record and collection pattern that every declaration table is read and written
// through: one record class per table (its object holds the values of one row) and one
// collection class (its object runs one filtered query and is walked by position).
//
// A record object holds one Variant per property, the recordset of its last query (kept
// open, positioned where the query left it, until the next query replaces it or the
// object ends) and the database it was bound to with DBIndex. A collection object holds
// one item object of the matching record class, which every Item and move refills and
// hands out again (never a second instance), the recordset of its last Fetch (its
// position is the collection's position) and its database.
//
// Errors: every operation but DBIndex and Conjunto traps the orvalis::Error of any step,
// stops there, reports it to the diagnostics hook (diagnostics.h) as "<Class>.<member>"
// and returns normally; what was done before the failing step stays done. A function
// then returns what it held: Nothing (nullptr), 0 or False.
//
// Objects are not synchronized: one thread drives an object at a time, and the database
// it is bound to belongs to that thread.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "orvalis/database.h"
#include "orvalis/diagnostics.h"
#include "orvalis/error.h"
#include "orvalis/object.h"
#include "orvalis/recordset.h"
#include "orvalis/variant.h"

namespace orvalis {

// One property of a record class: the name the front-end uses and the table column it is
// read from and written to (empty: the column has the property's name).
struct RecordField {
  std::string_view name;
  std::string_view column = {};

  constexpr std::string_view Column() const { return column.empty() ? name : column; }
};

// What a record class states about its properties, in the order of its Field enum.
struct RecordLayout {
  std::span<const RecordField> fields;
  std::vector<Variant> defaults;  // the values after Clear, one per field

  // Every field number in order: 0 .. fields.size() - 1.
  std::span<const size_t> all() const;
};

// Fields whose Null column value is replaced when a row is loaded.
struct NullGuard {
  std::span<const size_t> fields;
  Variant replacement;

  bool Covers(size_t field) const;
};

// What record and collection objects share: the binding, the recordset of the last
// query and the error trap.
class BoundObject : public Object {
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

  // Runs `body`. An orvalis::Error raised in it ends it, is reported to the diagnostics
  // hook as "<Class>.<operation>" and goes no further.
  template <typename Body>
  void Trap(std::string_view operation, Body&& body) {
    Swallow(ClassName(), operation, std::forward<Body>(body));
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
  void ReleaseRecordset() { recordset_.reset(); }

 private:
  std::string_view ClassName() const;

  std::shared_ptr<Database> database_;
  std::shared_ptr<Recordset> recordset_;
};

// Base of the record classes. A new object holds the defaults of its class.
//
// The properties are read and written by field, a number of the class's Field enum:
//   cfop.Set(CFOP::kImposto, Variant("12,34"));  cfop.Get(CFOP::kImposto);
class RecordBase : public BoundObject {
 public:
  // The held value of property `field`: what the property's Get returns.
  const Variant& Get(size_t field) const { return values_.at(field); }
  // The property's Let: stores `value` as it comes (no conversion, no check); an object
  // is stored as its default value (DefaultValue). Touches no database.
  void Set(size_t field, const Variant& value);

  // Sets every held value to the class's default. The recordset and binding stay.
  void Clear();
  // Insert, write back and delete the row of the held values; each class states how.
  virtual void Create() = 0;
  virtual void Delete() = 0;
  virtual void Update() = 0;

  const RecordLayout& layout() const { return layout_; }

 protected:
  explicit RecordBase(const RecordLayout& layout);

  // Copies the listed fields from the current row of `row`, in order, each through Set.
  void Load(const Recordset& row, std::span<const size_t> fields, const NullGuard& guard = {});
  // Opens `sql` as the object's recordset and loads the listed fields from its first
  // row, or sets the defaults when it has none.
  void FetchRow(std::string_view sql, std::span<const size_t> fields, const NullGuard& guard = {});
  // Sets the listed columns of the row being added or edited from the held values.
  void Write(Recordset& row, std::span<const size_t> fields) const;
  // Opens `table_sql` as the object's recordset, adds a row with the listed fields,
  // saves it and makes it current (Bookmark = LastModified).
  Recordset& AddRow(std::string_view table_sql, std::span<const size_t> fields);
  // Edits the current row of `row` (without checking that there is one), writes the
  // listed fields and saves.
  void EditRow(Recordset& row, std::span<const size_t> fields) const;

 private:
  friend class CollectionBase;  // refills its item object with Load

  const RecordLayout& layout_;
  std::vector<Variant> values_;
};

// How a collection's MoveFirst, MovePrevious and Last decide that there is a row to go
// to: by the recordset's RecordCount, or (several collections) by its end-of-file mark.
enum class WalkRule { kRecordCount, kEndOfFile };

// Base of the collection classes; RecordCollection gives it its typed face.
class CollectionBase : public BoundObject {
 public:
  // True past the last row or when the last Fetch found none; False before any Fetch.
  bool Last();
  // The number of rows of the last Fetch (0 without a current row or before any Fetch);
  // the position is the same before and after.
  int32_t Count();
  // The recordset of the last Fetch itself, late-bound (moving it moves the
  // collection); Nothing before the first Fetch. Not trapped.
  std::shared_ptr<Object> Conjunto() const;

 protected:
  // How the item object is refilled: which of its fields, in which order, and the
  // columns whose Null it receives as another value.
  struct ItemFill {
    std::span<const size_t> fields;
    NullGuard guard;
  };
  enum class Direction { kFirst, kPrevious, kNext };

  CollectionBase(std::shared_ptr<RecordBase> item, ItemFill fill, WalkRule rule);

  // Opens the statement `build` returns; the new recordset replaces the previous one
  // only when it opened (a failing statement leaves the previous recordset and position).
  template <typename Build>
  void RunFetch(Build&& build) {
    Trap("Fetch", [&] { Open(build()); });
  }

  // Moves to row `index` (1-based) unless it is Missing, refills the item from the
  // current row and returns it; nullptr when there is no such row (the position stays).
  std::shared_ptr<RecordBase> ItemAt(const Variant& index);
  // Moves and returns the refilled item; nullptr when there is no row to go to.
  std::shared_ptr<RecordBase> Move(Direction direction);

 private:
  std::shared_ptr<RecordBase> item_;
  ItemFill fill_;
  WalkRule rule_;
};

// A collection whose item object is an `ItemT`: the walk as the front-end sees it.
template <typename ItemT>
class RecordCollection : public CollectionBase {
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
  RecordCollection(ItemFill fill, WalkRule rule)
      : CollectionBase(std::make_shared<ItemT>(), std::move(fill), rule) {}

 private:
  static std::shared_ptr<ItemT> Typed(std::shared_ptr<RecordBase> item) {
    return std::static_pointer_cast<ItemT>(std::move(item));
  }
};

}  // namespace orvalis
