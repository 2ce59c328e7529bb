// The in-place conversion of an old-engine file (Jet 3.0 or 4.0) into a declaration file
// of ours, all or nothing.
//
// The new file is written and upgraded in a folder of its own beside the original, then
// renamed over the original's path in one step; before that the original gets a second
// name beside it, "<name>.jet" (or "<name>.1.jet", "<name>.2.jet", ... when that is
// taken: an existing file is never overwritten). So at every moment the path holds
// either the untouched original or the whole new file, and the user's data is never
// deleted. A failure (or a killed process) before the rename leaves the original as it
// was; what a killed process leaves is at most its working folder ".<name>.conversion-*"
// beside it.
#pragma once

#include <string>

#include "database/jet_conversion.h"

namespace orvalis::database {

// Converts the file at `path`. Raises 3343 when it is not a file of the old engine, and
// any failure of the conversion (see ConvertJetSource) or of the file steps (75).
JetConversionReport ConvertJetFileInPlace(const std::string& path,
                                          const JetProgress& progress = {});

}  // namespace orvalis::database
