#include "database/format_upgrade.h"

#include "database/declaration_schema.h"
#include "database/upgrade_ladder.h"
#include "orvalis/error.h"
#include "orvalis/messages.h"
#include "database/module_state.h"
#include "orvalis/transaction.h"

namespace orvalis::database {

namespace {

constexpr std::string_view kTitle = "Atenção!";
constexpr std::string_view kNewline = "\r\n";
constexpr std::string_view kWithdrawnVersion = "0799";
constexpr int32_t kNewestKnownVersion = 800;

struct StoredVersion {
  std::string version;
  std::string note;
};

// The first row of tblVersão. A file without one, or whose version is not a text of
// digits, is damaged: 3049 naming it.
StoredVersion ReadVersion(Database& db) {
  auto damaged = [&db] { return MakeError(ErrorCode::kCorruptDatabase, db.Name()); };
  try {
    auto versions = db.OpenRecordset("SELECT * FROM tblVersão");
    if (versions->IsEof()) throw damaged();
    const Variant version = versions->GetValue("Versão");
    const Variant note = versions->GetValue("Observação");
    if (!version.IsString() || version.string_value().empty() ||
        version.string_value().find_first_not_of("0123456789") != std::string::npos) {
      throw damaged();
    }
    return StoredVersion{version.string_value(), note.IsNull() ? std::string() : ToText(note)};
  } catch (const Error& e) {
    if (e.number() == static_cast<int32_t>(ErrorCode::kFileInUse)) throw;
    throw damaged();
  }
}

void Refuse(std::string text) {
  ShowMessage(MessageBox{std::string(kTitle), std::move(text), MessageIcon::kCritical});
}

// Shows the refusal of a newer or withdrawn version; false for any other version.
bool Refused(const std::string& version) {
  const std::string gap = std::string(kNewline) + std::string(kNewline);
  if (ToLong(Variant(version)) > kNewestKnownVersion) {
    Refuse("Este arquivo pertence a versão " + version + " da VEK." + gap +
           "Utilize uma versão de aplicativo igual a deste arquivo.");
    return true;
  }
  if (version == kWithdrawnVersion) {
    Refuse("Este arquivo pertence a versão de TESTE: 07.99 da VEK 0720." + gap +
           "Remova este arquivo. Por favor, inutilize-o.");
    return true;
  }
  return false;
}

bool IsCurrent(Database& db, const StoredVersion& stored) {
  return stored.version == kCurrentVersion && stored.note == kVersionNote &&
         NothingToUpgrade(db, stored.version);
}

// Upgrades the file as one transaction: all the steps and the stamp, or nothing. The
// file is held exclusively: a connection elsewhere would go on with the old layout.
void Upgrade(Workspace& workspace, const std::string& path) {
  auto db = workspace.OpenDatabase(path, true, false, std::string(kDatabasePassword));
  Transaction upgrade(*db);
  // Read again under the write lock: another process may have upgraded the file since.
  const std::string version = ReadVersion(*db).version;
  ClimbLadder(*db, version);
  WriteCurrentVersion(*db, VersionRow::kFirst);
  upgrade.Commit();
}

}  // namespace

std::string StoredVersionOf(Database& db) { return ReadVersion(db).version; }

bool CheckAndUpgradeFormat(const std::string& path) {
  std::shared_ptr<Workspace> workspace =
      Engine().CreateWorkspace("", std::string(kWorkspaceUser), "");
  // The check itself only reads: a refused or current file is never written to.
  bool current = false;
  {
    auto db = workspace->OpenDatabase(path, false, true, std::string(kDatabasePassword));
    const StoredVersion stored = ReadVersion(*db);
    if (Refused(stored.version)) {
      workspace->Close();
      return false;
    }
    current = IsCurrent(*db, stored);
    db->Close();
  }
  if (!current) Upgrade(*workspace, path);
  workspace->Close();
  return true;
}

}  // namespace orvalis::database
