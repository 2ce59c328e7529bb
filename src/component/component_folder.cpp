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

}  // namespace

std::string ComponentFolder() {
  if (const char* home = std::getenv("ORVALIS_HOME"); home != nullptr && *home != '\0') {
    return WithoutTrailingSlashes(home);
  }
  static const std::string loaded_folder = LoadedFolder();
  return loaded_folder;
}

}  // namespace orvalis
