// The schema steps with which the format upgrade brings an older declaration file to the
// current layout, each with the test that tells whether its change is still to be made.
//
// Every step raises the engine's errors to its caller and does nothing that is already
// done; the upgrade ladder decides which errors are absorbed. The tests read the file's
// table definitions only, so a file that needs nothing is checked without a write.
#pragma once

#include <initializer_list>
#include <string_view>

#include "orvalis/database.h"

namespace orvalis::database {

// True when the file has a table of exactly that name (letter case counts).
bool HasTableNamed(Database& db, std::string_view table);
// True when the table exists and has that column (letter case ignored, as the engine's
// look-ups).
bool HasColumn(Database& db, std::string_view table, std::string_view column);

// Appends one column with its type and width from the current schema; the engine refuses
// a column that exists (3191).
void AppendSchemaColumn(Database& db, std::string_view table, std::string_view column);
// Appends `columns`, in order, when the table lacks the first of them.
void AddMissingColumns(Database& db, std::string_view table,
                       std::initializer_list<std::string_view> columns);

// When tblRegistroExportação is missing: clears the two CFOP summary tables (dropped and
// created again) and creates, each with its relation, whichever of tblIESubstituto,
// tblIESubstituido and tblRegistroExportação is missing. Then creates tblRecibosCredito
// when it is missing. A BDTemp.mdb in the component's folder is deleted first.
void AddExportRegisterTables(Database& db);
bool ExportRegisterTablesMissing(Database& db);

// Makes NF a text column of 9 in tblZFM_ALC, tblIESubstituto and tblIESubstituido,
// keeping its values (through a temporary column NF2; an NF2 of 9 left without NF takes
// the name NF). The substitution lists end with their current key and relation.
void ConvertNoteNumbers(Database& db);
bool NoteNumbersNeedConversion(Database& db);

// Gives tblIESubstituto and tblIESubstituido the current key index (Código over Código,
// the registration and NF) and their relation from tblOcorrências, whatever indexes and
// relations they had.
void RebuildSubstitutionKeys(Database& db);
bool SubstitutionKeysOutdated(Database& db);

// Sets to zero the Null amounts of the three columns added by earlier upgrades.
void FillNullAmounts(Database& db);

// Creates tblPagamento (with the GARE columns) and its relation when it is missing.
void AddPaymentsTable(Database& db);

}  // namespace orvalis::database
