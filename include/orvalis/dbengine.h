// DBEngine and Workspace: the entry to the engine adapter.
//
// Each thread has its own engine (Engine()), created on first use and living until the
// thread ends. The engine holds the appended workspaces; a workspace holds the databases
// opened in it. A workspace created but not appended is private: it is not listed, and
// its databases close when it is released or closed.
#pragma once

#include "orvalis/export.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "orvalis/database.h"

namespace orvalis {

class ORVALIS_EXPORT Workspace {
 public:
  Workspace(std::string name, std::string user, std::string password);
  ~Workspace();
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  const std::string& Name() const { return name_; }
  const std::string& UserName() const { return user_; }

  // Open databases in the order they were opened.
  const std::vector<std::shared_ptr<Database>>& Databases() const { return databases_; }
  // The open database of the file at `path`: the one opened under exactly that name, else
  // one opened under another spelling of the same file (two files that differ only in
  // letter case are two files). Raises 3265 when there is none.
  std::shared_ptr<Database> DatabaseOf(std::string_view path) const;

  // Opens a declaration file. `connect` carries the password (";pwd=..."). Raises 3024
  // for a missing file, 3343 for a file that is not a declaration database, 3031 for a
  // wrong or missing password, 3045 when the file is held exclusively (or, opening
  // exclusively, is open elsewhere).
  std::shared_ptr<Database> OpenDatabase(const std::string& path, bool exclusive = false,
                                         bool read_only = false, std::string_view connect = {});
  // Creates a new, empty declaration file and opens it. `locale` is the collating-order
  // string, optionally followed by ";pwd=..." (the file's password). 3204 when a file
  // exists at the path.
  std::shared_ptr<Database> CreateDatabase(const std::string& path, std::string_view locale,
                                           int32_t options = 0);
  // Closes every database of the workspace and removes the workspace from the engine.
  void Close();

  // Engine-internal: forgets a database that closed itself.
  ORVALIS_INTERNAL void ForgetDatabase(const Database* database);

 private:
  std::string name_;
  std::string user_;
  std::string password_;
  std::vector<std::shared_ptr<Database>> databases_;
};

class ORVALIS_EXPORT DBEngine {
 public:
  const std::vector<std::shared_ptr<Workspace>>& Workspaces() const { return workspaces_; }
  std::shared_ptr<Workspace> CreateWorkspace(std::string name, std::string user,
                                             std::string password);
  // 3367 when a workspace of that name is already appended.
  void AppendWorkspace(std::shared_ptr<Workspace> workspace);
  void RemoveWorkspace(const Workspace* workspace);

  // Writes a compacted copy of a closed file. Raises 3204 when `destination` exists,
  // 3024 when the source is missing, 3031 for a wrong password (in `connect`), 3045 when
  // the source is open anywhere. The copy keeps the source's password; `locale`
  // (";LANGID=...") and `options` (32 or 64, the file format) are recorded in the copy.
  void CompactDatabase(const std::string& source, const std::string& destination,
                       std::string_view locale = {}, int32_t options = 0,
                       std::string_view connect = {});

 private:
  std::vector<std::shared_ptr<Workspace>> workspaces_;
};

// The calling thread's engine.
ORVALIS_EXPORT DBEngine& Engine();

}  // namespace orvalis
