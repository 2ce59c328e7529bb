// File operations of the whole-file work (compaction, conversion, new files): replacing
// a file so that it is never seen half-written.
#pragma once

#include <string>

namespace orvalis::database {

bool Exists(const std::string& path);
// Flushes a file, or with `folder` a folder's entries, to the disk; false when that fails.
bool FlushToDisk(const std::string& path, bool folder = false);
// Removes what exists at `path`; Error 75 when it cannot be removed.
void RemoveIfPresent(const std::string& path);
// Puts a copy of `source` in the place of `target`, keeping the target's permissions. The
// copy is written and flushed beside the target, then renamed over it: at every moment
// the target is either the old file or the whole copy. Error 75 on failure, the target
// unchanged and no partial copy left.
void CopyOver(const std::string& source, const std::string& target);

}  // namespace orvalis::database
