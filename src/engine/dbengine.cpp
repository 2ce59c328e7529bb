#include "orvalis/dbengine.h"

#include <algorithm>
#include <filesystem>

#include "engine/compaction.h"
#include "engine/database_core.h"
#include "orvalis/error.h"

namespace orvalis {

// ---- Workspace
// -----------------------------------------------------------------------------------

Workspace::Workspace(std::string name, std::string user, std::string password)
    : name_(std::move(name)), user_(std::move(user)), password_(std::move(password)) {}

Workspace::~Workspace() {
  for (auto& database : databases_) {
    database->SetWorkspace(nullptr);
    database->core()->Close();
  }
}

std::shared_ptr<Database> Workspace::OpenDatabase(const std::string& path, bool exclusive,
                                                  bool read_only, std::string_view connect) {
  auto database =
      std::make_shared<Database>(engine::DatabaseCore::Open(path, exclusive, read_only, connect));
  database->SetWorkspace(this);
  databases_.push_back(database);
  return database;
}

std::shared_ptr<Database> Workspace::CreateDatabase(const std::string& path,
                                                    std::string_view locale, int32_t options) {
  auto database = std::make_shared<Database>(engine::DatabaseCore::Create(path, locale, options));
  database->SetWorkspace(this);
  databases_.push_back(database);
  return database;
}

std::shared_ptr<Database> Workspace::DatabaseOf(std::string_view path) const {
  for (const auto& database : databases_) {
    if (database->Name() == path) return database;
  }
  if (const std::optional<engine::FileIdentity> file = engine::IdentityOf(std::string(path))) {
    for (const auto& database : databases_) {
      if (database->IsOpen() && database->core()->identity() == *file) return database;
    }
  }
  throw MakeError(ErrorCode::kItemNotFound);
}

void Workspace::Close() {
  while (!databases_.empty()) {
    std::shared_ptr<Database> database = databases_.back();
    database->Close();
  }
  Engine().RemoveWorkspace(this);
}

void Workspace::ForgetDatabase(const Database* database) {
  auto found = std::find_if(databases_.begin(), databases_.end(),
                            [&](const auto& d) { return d.get() == database; });
  if (found != databases_.end()) databases_.erase(found);
}

// ---- DBEngine
// ------------------------------------------------------------------------------------

std::shared_ptr<Workspace> DBEngine::CreateWorkspace(std::string name, std::string user,
                                                     std::string password) {
  return std::make_shared<Workspace>(std::move(name), std::move(user), std::move(password));
}

void DBEngine::AppendWorkspace(std::shared_ptr<Workspace> workspace) {
  for (const auto& existing : workspaces_) {
    if (existing == workspace ||
        (!workspace->Name().empty() && existing->Name() == workspace->Name())) {
      throw MakeError(ErrorCode::kCannotAppend);
    }
  }
  workspaces_.push_back(std::move(workspace));
}

void DBEngine::RemoveWorkspace(const Workspace* workspace) {
  auto found = std::find_if(workspaces_.begin(), workspaces_.end(),
                            [&](const auto& w) { return w.get() == workspace; });
  if (found != workspaces_.end()) workspaces_.erase(found);
}

void DBEngine::CompactDatabase(const std::string& source, const std::string& destination,
                               std::string_view locale, int32_t options, std::string_view connect) {
  engine::CompactInto(source, destination, locale, options, connect);
}

DBEngine& Engine() {
  thread_local DBEngine engine;
  return engine;
}

}  // namespace orvalis
