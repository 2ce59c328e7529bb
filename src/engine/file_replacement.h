// Whole-file operations that must leave a declaration file whole whatever happens midway:
// writing a new file that an interrupted run may have left behind, putting it in place of
// the original, and deleting a file. Each refuses a file that is open anywhere.
#pragma once

#include <string>

#include "engine/file_claim.h"

namespace orvalis::engine {

// A file an operation is writing (a compaction's copy, a conversion's result). While the
// operation runs, a marker beside it (its name followed by ".orvalis-pending") is locked;
// a marker found unlocked is the trace of an interrupted operation, and the file it
// marks is a leftover that the next operation clears.
class PendingFile {
 public:
  // What to do with a file at `path` that no interrupted operation left.
  enum class Existing { kRefuse, kRemove };

  // Raises 3045 when another operation is writing `path` now, and 3204 when a file is at
  // `path` that no interrupted operation left and `existing` says to refuse it (it is not
  // touched then).
  explicit PendingFile(std::string path, Existing existing = Existing::kRefuse);
  ~PendingFile();  // removes the file unless kept, then the marker
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  const std::string& path() const { return path_; }
  // The file is the operation's result and stays where it is.
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  std::string marker_;
  int marker_fd_ = -1;
  bool kept_ = false;
};

// Puts the closed file `replacement` in place of `target`, which `claim` holds
// exclusively, in one atomic rename (through a copy beside `target` when the two are on
// different file systems); `replacement` is gone afterwards. At every moment `target` is
// either the old file or the new one. Raises 3045 when `target` still has a write-ahead
// log beside it (a connection outside the engine's claims has it open), 75 when the file
// system refuses a step; `target` is then as it was.
void ReplaceFile(const std::string& replacement, const std::string& target, const FileClaim& claim);

// Flushes a file (or, with `folder`, a folder's entries) to the disk; false when that
// fails.
bool FlushToDisk(const std::string& path, bool folder = false);

// Deletes the file at `path` (and side files SQLite left beside it) when no connection
// has it open; raises 3045 when one has, and leaves it. Nothing to do when it is absent.
void RemoveClosedFile(const std::string& path);

}  // namespace orvalis::engine
