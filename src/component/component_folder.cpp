#include "orvalis/component_folder.h"

#include <dlfcn.h>
#include <link.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace orvalis {

namespace {

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The file that holds this code: the shared library it was loaded from, or the
// executable (whose loader entry has no name) when it was linked in statically.
std::filesystem::path LoadedFile() {
  Dl_info info{};
  link_map* map = nullptr;
  if (dladdr1(reinterpret_cast<void*>(&LoadedFile), &info, reinterpret_cast<void**>(&map),
              RTLD_DL_LINKMAP) == 0 ||
      map == nullptr || map->l_name == nullptr || map->l_name[0] == '\0') {
    return "/proc/self/exe";
  }
  return map->l_name;
}

std::string LoadedFolder() {
  std::error_code error;
  std::filesystem::path file = std::filesystem::canonical(LoadedFile(), error);
  if (error) return "";
  return WithoutTrailingSlashes(file.parent_path().string());
}

// The user's own folder for the component's files: $XDG_DATA_HOME/orvalis, by default
// ~/.local/share/orvalis, made when missing; "" when there is no home.
std::string UserFolder() {
  std::filesystem::path base;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data != '\0') {
    base = data;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    base = std::filesystem::path(home) / ".local" / "share";
  } else {
    return "";
  }
  std::error_code error;
  std::filesystem::create_directories(base / "orvalis", error);
  return WithoutTrailingSlashes((base / "orvalis").string());
}

bool HoldsFixedTables(const std::string& folder) {
  std::error_code error;
  return !folder.empty() &&
         std::filesystem::is_regular_file(folder + "/" + std::string(kFixedTablesName), error);
}

// The data folder of an installation: <prefix>/share/orvalis, found from the folder the
// component was loaded from (<prefix>/lib/<arch>, <prefix>/bin, a Python package deep in
// <prefix>/lib), so that an installation works wherever its prefix is.
std::string InstalledDataFolder() {
  static const std::string found = [] {
    std::filesystem::path folder = LoadedFolder();
    for (int up = 0; up < 6 && folder.has_parent_path(); ++up, folder = folder.parent_path()) {
      const std::string candidate = (folder / "share" / "orvalis").string();
      if (HoldsFixedTables(candidate)) return candidate;
    }
    return std::string();
  }();
  return found;
}

}  // namespace

std::string ComponentFolder() {
  if (const char* home = std::getenv("ORVALIS_HOME"); home != nullptr && *home != '\0') {
    return WithoutTrailingSlashes(home);
  }
  static const std::string loaded_folder = LoadedFolder();
  if (HoldsFixedTables(loaded_folder)) return loaded_folder;
  return UserFolder();
}

std::string FixedTablesFile() {
  const std::string folder = ComponentFolder();
  if (!HoldsFixedTables(folder) && !InstalledDataFolder().empty()) {
    return InstalledDataFolder() + "/" + std::string(kFixedTablesName);
  }
  return folder + "/" + std::string(kFixedTablesName);
}

}  // namespace orvalis
