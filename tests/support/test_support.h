// Helpers shared by the test programs: a temporary folder per test and fresh declaration
// files built through the engine's own objects.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "orvalis/dbengine.h"
#include "orvalis/object.h"

namespace orvalis {

// Readable failure messages: the kind and the text of a value.
inline void PrintTo(const Variant& value, std::ostream* out) {
  *out << KindName(value.kind());
  if (!value.IsNull() && !value.IsObject() && !value.IsMissing()) *out << " " << ToText(value);
}

}  // namespace orvalis

namespace orvalis::testing {

inline constexpr const char* kPassword = ";pwd=lorintaq5";
inline constexpr const char* kLocale = ";LANGID=0x0409;CP=1252;COUNTRY=0";

// A new empty folder, removed with everything in it when the object ends.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// A workspace of its own (not appended), closed with everything in it at the end.
std::shared_ptr<Workspace> NewWorkspace();

// Creates a declaration file at `path` with the full schema and the version row, closes
// it, and opens it again in `workspace` with the password.
std::shared_ptr<Database> NewDeclarationFile(Workspace& workspace, const std::string& path);

// The file's bytes, to prove that a refused operation changed nothing.
std::string ReadFileBytes(const std::string& path);

// Column values of a row, by column name.
using Columns = std::vector<std::pair<const char*, Variant>>;
// Adds a row to `table` through a recordset of it; the recordset is left on the new row.
std::shared_ptr<Recordset> AddRow(Database& db, std::string_view table, const Columns& columns);
// The number of rows of "SELECT count(*) FROM <from_where>".
int32_t CountRows(Database& db, const std::string& from_where);

}  // namespace orvalis::testing

namespace orvalis::testing {

// Makes a temporary folder the component's folder (ORVALIS_HOME) with the fixed tables
// side file in it, and captures the messages shown; undone at the end.
class ComponentHome {
 public:
  ComponentHome();
  ~ComponentHome();
  ComponentHome(const ComponentHome&) = delete;
  ComponentHome& operator=(const ComponentHome&) = delete;

  const TempDir& dir() const { return dir_; }
  std::string File(const std::string& name) const { return dir_.File(name); }
  const std::vector<std::string>& messages() const { return *messages_; }

 private:
  TempDir dir_;
  std::shared_ptr<std::vector<std::string>> messages_ =
      std::make_shared<std::vector<std::string>>();
};

// A new declaration file at `name` in the component's folder, made the way a front-end
// makes one: MantemDB.NovoArquivo's BDTemp.mdb moved there.
std::string NewFrontEndFile(const ComponentHome& home, const std::string& name);

// Closes every database of the thread's shared workspace "Brisquel" and the workspace.
void CloseSharedWorkspace();

// Names of the late-bound members of `object`, in slot order, separated by blanks.
std::string MemberNames(const Object& object);

// The number of the orvalis::Error that `action` raises; 0 when it raises none.
int32_t ErrorOf(const std::function<void()>& action);
// The orvalis::Error that `action` raises as "<number>: <description>"; "" when none.
std::string ErrorTextOf(const std::function<void()>& action);

}  // namespace orvalis::testing
