// The format check that runs before a declaration file is opened, and the schema steps
// with which older files are brought to the current layout.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "orvalis/database.h"

namespace orvalis {
class MantemDB;
}

namespace orvalis::database {

// Opens the file in a private workspace and reads its version: a newer version or the
// withdrawn test version "0799" is refused with its message (False, file unchanged);
// any other file is stamped "0800" (True). Engine errors (missing file, wrong password,
// no version row, a version that is not a number) reach the caller.
bool CheckAndUpgradeFormat(MantemDB& owner, const std::string& path);

// Appends one column to a table (the engine refuses a column that exists).
void AddColumn(Database& db, std::string_view table, std::string_view column, FieldType type,
               int32_t size);
// Adds, with their types from the current schema, the columns of `table` from `columns`
// when the first of them is missing (found by name ignoring case). True when it ended
// normally, False when a step failed (the failure goes to the diagnostics hook).
bool AddMissingColumns(Database& db, std::string_view table,
                       std::initializer_list<std::string_view> columns);
// Creates the export-register tables (and the two substitution lists and summary tables
// that came with them) when tblRegistroExportação is missing, and tblRecibosCredito when
// it is missing. Stops at the first failure, which reaches the caller.
void AddExportRegisterTables(Database& db);

}  // namespace orvalis::database
