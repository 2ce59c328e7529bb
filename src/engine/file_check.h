// The check a declaration file passes before the engine works on it: that it is a whole
// SQLite file of ours, structurally sound, with the password asked for. It runs on the
// freshly opened connection before anything is written through it, so a refused file is
// left byte for byte as it was.
#pragma once

#include <string>
#include <string_view>

#include <sqlite3.h>

#include "engine/file_claim.h"

namespace orvalis::engine {

// How the working connection may reach the file.
enum class FileAccess {
  kReadWrite,
  kReadOnly,  // the file or its folder may not be written: readers only, nothing created
};

// The access this process has to the file at `path` (readable; writable with the side
// files the engine keeps beside it). Raises 3051 naming the file when it may not be read.
FileAccess AccessOf(const std::string& path);

// "file:" and `path` percent-encoded: the URI SQLite opens `path` by.
std::string FileUri(const std::string& path);

// The name SQLite is given to open `path`, with `access` to it, for reading only when
// `read_only`. A file nobody may write here that has no write-ahead log beside it is
// opened as unchanging, so that no side file is created.
std::string ConnectionUri(const std::string& path, FileAccess access, bool read_only);

// Checks the file of `claim`, open as `db`. Raises 3343 when it is not an SQLite
// database of ours (an old-engine file says that it can be converted), 3049 when it is
// damaged (short, inconsistent, failing the structural check, bookkeeping that does not
// match its tables), 3031 when `password` is not the file's. A file found sound before
// and unchanged since (same identity, size and modification time) is not read again.
void CheckFile(const std::string& path, const FileClaim& claim, sqlite3* db,
               std::string_view password);

// The file's header alone (first of the checks above), before SQLite reads it.
void CheckHeader(const std::string& path, const FileClaim& claim);

}  // namespace orvalis::engine
