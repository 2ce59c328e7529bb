// The component's folder: where its companion files live (the fixed tables' side file
// tblFixas.fix, the new file BDTemp.mdb, the temporary CompactoTemp.mdb).
//
// The environment variable ORVALIS_HOME, read at every call, names it; otherwise it is the
// folder of the shared library holding the component (or of the executable it is linked
// into) when the side file is there, as in the build tree or a Python package; otherwise,
// for an installed library, the user's own folder $XDG_DATA_HOME/orvalis (by default
// ~/.local/share/orvalis), made on first use. Safe from any thread.
#pragma once

#include "orvalis/export.h"

#include <string>
#include <string_view>

namespace orvalis {

inline constexpr std::string_view kFixedTablesName = "tblFixas.fix";

// The folder, without a trailing slash ("/" alone for the root); "" when it cannot be
// determined.
ORVALIS_EXPORT std::string ComponentFolder();

// The side file of the fixed tables: the component folder's, or, when that folder has
// none, the one installed with the library (<prefix>/share/orvalis/tblFixas.fix, the
// prefix found from the folder the component was loaded from).
ORVALIS_EXPORT std::string FixedTablesFile();

}  // namespace orvalis
