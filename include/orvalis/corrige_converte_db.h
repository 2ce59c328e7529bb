// CorrigeConverteDB: whole-file conversions of a closed declaration file between the
// engine's file formats, and the comparison of the current reference period with the
// cut-over date kept in the front-end's settings ("Orvalis.CorrigeConverteDB").
//
// The class has no state: its three late-bound members call the functions below, which
// C++ callers may use directly (the first one cannot be a member of the same name in
// C++). The conversions use two files in the component's folder (ComponentFolder()):
// CompactoTemp.mdb, the compacted copy, and BDTemp.mdb, the new-file name, which the
// conversion removes first. They expect a file that no one has open. Safe from any
// thread as far as the files allow: two conversions at once share CompactoTemp.mdb.
#pragma once

#include "orvalis/export.h"

#include <cstdint>
#include <string>

#include "orvalis/class_info.h"
#include "orvalis/object.h"

namespace orvalis {

namespace database {

// A file of the old engine (Jet 3.0 or 4.0, told by its header) is converted in place into
// a declaration file of ours, all or nothing, its original kept beside it as
// "<name>.jet" (src/database/jet_file_conversion.h); True when done, False (the file as it
// was, the reason sent to the diagnostics hook) otherwise. The component's folder is not
// used for it.
// Any other file is converted in place into the version-4.0 format: removes BDTemp.mdb
// and CompactoTemp.mdb from the component's folder, compacts the file into
// CompactoTemp.mdb, puts the copy in the file's place (written beside it, then renamed
// over it, so the file is whole at every moment) and removes CompactoTemp.mdb. True on
// success, without either temporary file left behind.
// On a failure it removes CompactoTemp.mdb and falls back on CorrigeDAO35. The result is
// then False whatever the fall-back gives, because the file was not converted: it is as
// it was, and after a successful fall-back CompactoTemp.mdb holds its version-3.0 copy,
// as CorrigeDAO35 leaves it. Never raises.
ORVALIS_EXPORT bool CorrigeConverteDB(const std::string& nomedb);

// Writes a version-3.0 compacted copy of the file to CompactoTemp.mdb in the component's
// folder, leaving the file itself untouched. True on success; False on any failure (a file
// of the old engine is one: nothing is written for it),
// among them a CompactoTemp.mdb that already exists (it is not removed). Never raises.
ORVALIS_EXPORT bool CorrigeDAO35(const std::string& nomedb);

// Compares the current reference period ("Brisquel"/"pRef"/"RefAtual") with the cut-over
// date ("Brisquel"/"Data"/"DataLimite"), reading the first seven characters of each as a
// date ("03/2004" is 1 March 2004): 1 when the period lies before the cut-over, 2 when
// after, 0 on the same day. Error 13 (Type mismatch) when a setting is missing or does not
// read as a date. Reads the settings anew at every call.
ORVALIS_EXPORT int16_t RefData();

}  // namespace database

class ORVALIS_EXPORT CorrigeConverteDB final : public Object {
 public:
  const ClassInfo& Class() const override;
};

}  // namespace orvalis
