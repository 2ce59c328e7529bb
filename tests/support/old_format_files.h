// Declaration files in the layouts of older format versions, for the tests and benchmarks
// of the format upgrade. An older layout is made with the engine itself from a current
// file, by taking away (or giving its older shape to) what each upgrade step adds.
#pragma once

#include <cstdint>
#include <string_view>

#include "orvalis/database.h"

namespace orvalis::testing {

// What an older layout lacks, or has in an older shape. Flags, combined with |.
enum OldFeature : uint32_t {
  kNoDataGeracaoColigida = 1u << 0,       // tblVEK without DataGeraçãoColigida
  kNoAutenticacao = 1u << 1,              // tblVEK without Autenticação
  kNoExportRegister = 1u << 2,            // no tblRegistroExportação
  kNoSubstitutionLists = 1u << 3,         // no tblIESubstituto, no tblIESubstituido
  kNoCreditReceipts = 1u << 4,            // no tblRecibosCredito
  kNoInterUfImposto = 1u << 5,            // tblDetalhesInterUFs without Imposto
  kNoSubstitutoColumn = 1u << 6,          // tblDetalhesCFOPs without ImpRetSubstitutoST
  kNoSubstituidoColumn = 1u << 7,         // tblDetalhesCFOPs without ImpRetSubstituido
  kShortNoteNumbers = 1u << 8,            // NF as text of 6 in tblZFM_ALC and both lists
  kOldSubstitutionKeys = 1u << 9,         // the lists keyed on Código and registration only
  kListKeysWithoutRelations = 1u << 10,   // the lists with their key index and no relation
  kNoGareColumns = 1u << 11,              // tblPagamento without the five GARE columns
  kNoPayments = 1u << 12,                 // no tblPagamento
  kInterruptedNoteConversion = 1u << 13,  // tblZFM_ALC and tblIESubstituido with NF2 of 9,
                                          // no NF and (the list) no key or relation
};
using OldLayout = uint32_t;

// The layout the tests give to a file of that stored version: what the steps that the
// upgrade runs for the version add, and nothing else.
OldLayout LayoutOfVersion(std::string_view version);

// Gives a current file (open in `db`) the older layout.
void MakeOldLayout(Database& db, OldLayout layout);

// Adds the rows of tests/data/sample_rows.txt to every table the file has, through the
// engine, filling the columns the file has (sample_rows.cpp, which the benchmarks leave
// out with MakeFileOfVersion).
void AddSampleRows(Database& db);

// Writes `version` into the first row of tblVersão.
void SetStoredVersion(Database& db, std::string_view version);

// Turns the current file open in `db` into a file of that stored version: the version's
// layout (or `layout` when given), the sample rows, the version.
void MakeFileOfVersion(Database& db, std::string_view version, OldLayout layout = ~0u);

}  // namespace orvalis::testing
