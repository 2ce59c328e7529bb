// File claims: who has a declaration file open, across this process and others.
//
// Every connection the engine opens holds a shared claim on its file; an exclusive open
// and every operation that replaces a file (compaction, conversion) hold an exclusive
// claim. Claims are flock(2) locks on the file itself, so they reach other processes and
// never touch the fcntl locks SQLite keeps on the same file. A file is known by its
// identity (device and inode), so two spellings of one path are one file and two files
// are never one.
//
// Within this process the claims on one file share a single descriptor, counted, and
// closed only when the last claim ends: closing any descriptor of a file would drop the
// locks SQLite holds on it. Claims may be taken and released on any thread.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace orvalis::engine {

struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

// Raises 3024 for a path that can name no file (empty, or holding a NUL that the system
// would cut it at).
void RequireUsablePath(const std::string& path);

// The identity of the file at `path` (symbolic links followed); nothing when there is
// no such file.
std::optional<FileIdentity> IdentityOf(const std::string& path);

class FileClaim {
 public:
  enum class Kind { kShared, kExclusive };

  // Claims the file at `path`. A shared claim waits a bounded time for an exclusive one
  // held elsewhere (a compaction finishing) and then fails with 3045; an exclusive claim
  // fails at once with 3045 when the file is open anywhere: in another process, or in
  // this one under any spelling. 3024 when the file does not exist.
  //
  // `within` lets the holder of an exclusive claim open connections of its own to the
  // file it holds (a compaction reading its source): such a claim is counted under the
  // exclusive one and takes no lock.
  static std::unique_ptr<FileClaim> Take(const std::string& path, Kind kind,
                                         const FileClaim* within = nullptr);
  ~FileClaim();
  FileClaim(const FileClaim&) = delete;
  FileClaim& operator=(const FileClaim&) = delete;

  const FileIdentity& identity() const { return identity_; }
  // Up to `count` bytes of the file from `offset`, read through the claim's descriptor
  // (opening and closing another descriptor of the file would drop SQLite's locks).
  std::string ReadAt(int64_t offset, size_t count) const;
  // The file's size and last modification (nanoseconds), as the descriptor sees them.
  int64_t Size() const;
  int64_t ModifiedAt() const;
  // True while this process holds any claim on the file of `path`.
  static bool HeldInThisProcess(const std::string& path);

 private:
  FileClaim(FileIdentity identity, Kind kind, bool nested = false)
      : identity_(identity), kind_(kind), nested_(nested) {}

  FileIdentity identity_;
  Kind kind_;
  bool nested_;  // counted under an exclusive claim of the same file
};

}  // namespace orvalis::engine
