// ChangeWatch: whether another connection may have committed to a file since the last
// look, asked whenever a recordset's cursor moves, so it must cost next to nothing.
//
// A file in write-ahead-log mode has a shared index beside it (the "-shm" file) that
// every connection maps into memory; each commit rewrites the index's header (two copies
// of 48 bytes at its start, the second written first). That header, read straight from
// memory and compared with the one seen at the last look, tells without a lock, a system
// call or a read transaction whether anything was committed since. A commit of this
// connection also changes it: a look after one answers yes, which costs a caller no more
// than a read again.
//
// Where the index is not mapped (a file not in that mode, read-only files) the watch asks
// "PRAGMA data_version", which starts a read transaction of its own. A connection that
// holds its file exclusively (locking_mode EXCLUSIVE) is never written by another one:
// the watch answers no without looking.
//
// The mapped index stays valid while the connection stays in write-ahead-log mode: no
// other connection can take it out of that mode while this one is open (it keeps a
// shared lock on the file), and this connection changes its mode only through a pragma,
// after which the owner calls Restart. Belongs to the thread of its connection.
#pragma once

#include <sqlite3.h>

#include <array>
#include <cstdint>

#include "engine/sqlite_handle.h"

namespace orvalis::engine {

class ChangeWatch {
 public:
  enum class Mode {
    kSharedIndex,  // reads the mapped index's header
    kPragma,       // asks PRAGMA data_version
    kExclusive,    // never looks: no other connection can write
  };

  // `db` has read its file at least once. `preferred`: kExclusive for a connection in
  // locking_mode EXCLUSIVE, kPragma for a read-only one, kSharedIndex otherwise (kPragma
  // is used where the index is not mapped). Takes the first look.
  ChangeWatch(sqlite3* db, StatementCache& statements, Mode preferred);

  // True when a connection may have committed since the last look (or since Restart).
  bool OthersCommitted();
  // Chooses the way of looking anew, after the connection's journal mode may have
  // changed, and takes a first look.
  void Restart();
  Mode mode() const { return mode_; }

 private:
  using Header = std::array<uint32_t, 12>;
  // Both copies of the index header as they are now; false when they differ (a writer is
  // between its two copies).
  bool ReadHeader(Header& header) const;
  // Whether the first copy of the index header is the one seen at the last look.
  bool FirstCopyIsSeen() const;
  int64_t DataVersion();

  sqlite3* db_;
  StatementCache& statements_;
  Mode preferred_;
  Mode mode_ = Mode::kPragma;
  const volatile uint32_t* index_ = nullptr;  // the mapped index's first bytes
  Header seen_{};
  int64_t seen_version_ = 0;
};

}  // namespace orvalis::engine
