// File operations of the whole-file work (compaction, conversion, new files), on top of
// the engine's claims: a file that is open anywhere is never removed or replaced.
#pragma once

#include <string>

namespace orvalis::database {

bool Exists(const std::string& path);
// Removes the file at `path`, if there is one. Raises 3045 when it is open anywhere (it
// stays), 75 when it cannot be removed.
void RemoveIfPresent(const std::string& path);

}  // namespace orvalis::database
