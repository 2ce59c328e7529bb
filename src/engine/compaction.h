// Compaction: a new, compacted copy of a closed declaration file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/file_claim.h"

namespace orvalis::engine {

// Writes a compacted copy of `source` to `destination`, which must not exist (3204).
// The source must be closed everywhere: it is claimed exclusively for the copy (3045
// otherwise), unless the caller passes the exclusive `claim` it holds on it already. The
// copy keeps the source's password; `locale` (";LANGID=...") and `options` (32 or 64,
// the file format) are recorded in it. Errors of the source's open as
// Workspace::OpenDatabase. A copy that fails midway is removed.
void CompactInto(const std::string& source, const std::string& destination, std::string_view locale,
                 int32_t options, std::string_view connect, const FileClaim* claim = nullptr);

}  // namespace orvalis::engine
