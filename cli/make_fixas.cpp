// Build step: writes the side file of fixed reference tables from the CSV folder.
//   orvalis-fixas CSV_FOLDER OUTPUT_FILE
// Every *.csv of the folder becomes one table; other files there (the shipped folder's
// SOURCES.md, which records each table's origin and date) are left alone.
#include <iostream>

#include "database/fixed_tables.h"
#include "orvalis/error.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: orvalis-fixas CSV_FOLDER OUTPUT_FILE\n";
    return 2;
  }
  try {
    orvalis::database::BuildFixedTablesFile(argv[1], argv[2]);
  } catch (const orvalis::Error& e) {
    std::cerr << "orvalis-fixas: " << e.number() << ": " << e.description() << "\n";
    return 1;
  }
  return 0;
}
