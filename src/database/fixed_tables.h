// The side file of fixed reference tables (states, municipalities, CFOP and occurrence
// tables, ...) that every open declaration file links to.
//
// It is built from CSV files, one per table, named after the table ("tblEstados.csv"):
// the first line names the columns, the rest are rows; fields may be quoted with '"'
// (a doubled '"' inside stands for one). Every column is Text, as wide as its longest
// value; the first column is the table's primary key.
#pragma once

#include <string>

namespace orvalis::database {

// Writes the side file at `path` (replacing it) from every *.csv of `csv_folder`.
// Raises orvalis::Error for an unreadable folder, a malformed CSV or an engine failure.
void BuildFixedTablesFile(const std::string& csv_folder, const std::string& path);

}  // namespace orvalis::database
