// Late-bound faces of the engine's objects, for front-ends and scripts that reach them
// through the component (the database of scitDB, the recordset of a collection's
// Conjunto): Database (Name, Close, Execute, OpenRecordset, TableDefs, Relations,
// CreateTableDef, CreateRelation), Recordset (Fields, EOF, BOF, RecordCount,
// AbsolutePosition, Bookmark, LastModified, moves, AddNew, Edit, Update, CancelUpdate,
// Delete, Close; `rs("Col")` and `rs.Fields("Col").Value`), fields, table definitions,
// indexes, relations and their collections (Count, Item, Append, Delete).
//
// A wrapper shares ownership of the engine object it wraps; Wrap of nullptr is Nothing.
#pragma once

#include <memory>

#include "orvalis/dbengine.h"
#include "orvalis/object.h"

namespace orvalis {

std::shared_ptr<Object> WrapDatabase(std::shared_ptr<Database> database);
std::shared_ptr<Object> WrapRecordset(std::shared_ptr<Recordset> recordset);
std::shared_ptr<Object> WrapTableDef(std::shared_ptr<TableDef> table);

// The engine object behind a wrapper, or nullptr when `object` wraps no such thing.
std::shared_ptr<Database> UnwrapDatabase(const Variant& object);
std::shared_ptr<Recordset> UnwrapRecordset(const Variant& object);
std::shared_ptr<TableDef> UnwrapTableDef(const Variant& object);

}  // namespace orvalis
