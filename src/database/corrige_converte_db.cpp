// CorrigeConverteDB: format conversions of closed declaration files through the engine's
// compaction, and the late-bound class that offers them with RefData.
#include "orvalis/corrige_converte_db.h"

#include <exception>
#include <filesystem>
#include <span>
#include <string_view>

#include "component/class_list.h"
#include "database/file_operations.h"
#include "engine/compaction.h"
#include "engine/file_replacement.h"
#include "database/jet_file_conversion.h"
#include "engine/jet_header.h"
#include "orvalis/class_registry.h"
#include "orvalis/component_folder.h"
#include "orvalis/dbengine.h"
#include "orvalis/diagnostics.h"
#include "orvalis/error.h"
#include "orvalis/mantem_db.h"
#include "database/module_state.h"

namespace orvalis {
namespace database {
namespace {

constexpr std::string_view kCompactTemporary = "CompactoTemp.mdb";
constexpr int32_t kVersion30Format = 32;
constexpr int32_t kVersion40Format = 64;

// The path of CompactoTemp.mdb; "" when the component's folder is unknown, and the
// conversions then answer False rather than write elsewhere.
std::string TemporaryPath() {
  const std::string folder = ComponentFolder();
  return folder.empty() ? std::string() : folder + "/" + std::string(kCompactTemporary);
}

// Runs `work`; a failure is reported to the diagnostics hook under `member` and answered
// with false.
template <class Work>
bool Attempt(std::string_view member, Work&& work) {
  return Swallow("CorrigeConverteDB", member, std::forward<Work>(work));
}

}  // namespace

bool CorrigeConverteDB(const std::string& nomedb) {
  // A file of the old engine is brought into our format; the original stays beside it.
  if (engine::IsJetFile(nomedb)) {
    return Attempt("CorrigeConverteDB", [&] { ConvertJetFileInPlace(nomedb); });
  }
  const std::string temporary = TemporaryPath();
  if (temporary.empty()) return false;
  const bool converted = Attempt("CorrigeConverteDB", [&] {
    RemoveIfPresent(NewFilePath());
    auto claim = engine::FileClaim::Take(nomedb, engine::FileClaim::Kind::kExclusive);
    engine::PendingFile copy(temporary, engine::PendingFile::Existing::kRemove);
    engine::CompactInto(nomedb, temporary, kCollatingOrder, kVersion40Format, kDatabasePassword,
                        claim.get());
    engine::ReplaceFile(temporary, nomedb, *claim);
  });
  if (converted) return true;
  // The fall-back only writes a version-3.0 copy to the temporary file and leaves the file
  // as it was. The result stays False even when it succeeds: True would tell the caller
  // that the file now has the version-4.0 format, and putting the older copy in its place
  // could lose what the older format cannot hold. So nothing more is compacted, copied or
  // deleted, and the copy stays where CorrigeDAO35 leaves it.
  CorrigeDAO35(nomedb);
  return false;
}

bool CorrigeDAO35(const std::string& nomedb) {
  const std::string temporary = TemporaryPath();
  // Nothing writes the old engine's format: its files are refused untouched.
  if (temporary.empty() || engine::IsJetFile(nomedb)) return false;
  return Attempt("CorrigeDAO35", [&] {
    engine::PendingFile copy(temporary);
    engine::CompactInto(nomedb, temporary, kCollatingOrder, kVersion30Format, kDatabasePassword);
    copy.Keep();
  });
}

}  // namespace database

const ClassInfo& CorrigeConverteDB::Class() const {
  static const ClassInfo info = ClassInfoBuilder<CorrigeConverteDB>("CorrigeConverteDB")
                                    .Method("CorrigeConverteDB", 1, 1,
                                            [](CorrigeConverteDB&, std::span<Variant> args) {
                                              return database::CorrigeConverteDB(ToText(args[0]));
                                            })
                                    .Method("CorrigeDAO35", 1, 1,
                                            [](CorrigeConverteDB&, std::span<Variant> args) {
                                              return database::CorrigeDAO35(ToText(args[0]));
                                            })
                                    .Method("RefData", 0, 0,
                                            [](CorrigeConverteDB&, std::span<Variant>) {
                                              return Variant::Integer(database::RefData());
                                            })
                                    .Build();
  return info;
}

void RegisterDatabaseConversionClasses() {
  RegisterClass("Orvalis.CorrigeConverteDB", [] { return std::make_shared<CorrigeConverteDB>(); });
}

}  // namespace orvalis
