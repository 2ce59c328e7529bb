#include "orvalis/settings.h"

#include <glib.h>
#include <pwd.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "orvalis/error.h"
#include "component/text_fold.h"

namespace orvalis {

namespace {

constexpr std::string_view kFileName = "settings.ini";
constexpr std::string_view kBlanks = " \t\r\n\f\v";

std::string_view Trim(std::string_view text) {
  size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

std::filesystem::path ConfigHome() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
    return xdg;
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return std::filesystem::path(home) / ".config";
  }
  passwd entry{};
  passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
    return std::filesystem::path(found->pw_dir) / ".config";
  }
  return ".config";
}

// The key file of one application, parsed by GLib's key-file reader: "[section]" lines,
// "key=value" lines, comment lines starting with '#' or ';', values of any length with
// any character but a line break.
struct KeyFileFree {
  void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileFree>;

struct GErrorFree {
  void operator()(GError* error) const { g_error_free(error); }
};

// The file's text with ';' comment lines written as the reader's '#' ones; nothing when
// the file does not exist.
std::optional<std::string> ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text;
  for (std::string line; std::getline(in, line);) {
    std::string_view start = Trim(line);
    if (!start.empty() && start.front() == ';') line[start.data() - line.data()] = '#';
    text += line;
    text += '\n';
  }
  return text;
}

// The parsed file (empty when there is none); nothing when the file cannot be parsed.
std::optional<KeyFile> Load(const std::filesystem::path& path) {
  KeyFile file(g_key_file_new());
  const std::optional<std::string> text = ReadText(path);
  if (!text) return file;
  GError* raw = nullptr;
  const bool loaded = g_key_file_load_from_data(
      file.get(), text->data(), text->size(),
      static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS), &raw);
  std::unique_ptr<GError, GErrorFree> error(raw);
  if (!loaded) return std::nullopt;
  return file;
}

// The name in `names` (a null-terminated list GLib allocated, freed here) that matches
// `wanted` ignoring letter case.
std::optional<std::string> Matching(gchar** names, std::string_view wanted) {
  const std::string folded = FoldCase(wanted);
  std::optional<std::string> found;
  for (gchar** name = names; name != nullptr && *name != nullptr && !found; ++name) {
    if (FoldCase(*name) == folded) found = *name;
  }
  g_strfreev(names);
  return found;
}

std::optional<std::string> GroupOf(GKeyFile* file, std::string_view section) {
  return Matching(g_key_file_get_groups(file, nullptr), section);
}

std::optional<std::string> KeyOf(GKeyFile* file, const std::string& group, std::string_view key) {
  return Matching(g_key_file_get_keys(file, group.c_str(), nullptr, nullptr), key);
}

// Raises Error 5 unless "[section]" and "key=value" read back as the same setting.
void CheckStorable(std::string_view section, std::string_view key, std::string_view value) {
  auto invalid = [] { return MakeError(ErrorCode::kInvalidProcedureCall); };
  if (section.empty() || key.empty() || Trim(key) != key || Trim(value) != value) throw invalid();
  for (std::string_view part : {section, key, value}) {
    if (part.find_first_of("\r\n") != std::string_view::npos) throw invalid();
    if (!g_utf8_validate(part.data(), static_cast<gssize>(part.size()), nullptr)) throw invalid();
  }
  if (section.find_first_of("[]") != std::string_view::npos) throw invalid();
  if (key.find_first_of("=[]#;") != std::string_view::npos) throw invalid();
}

void WriteText(const std::filesystem::path& path, std::string_view text) {
  auto failure = [&path] { return MakeError(ErrorCode::kPathFileAccess, path.string()); };
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  if (error) throw failure();
  std::filesystem::path temporary = path;
  temporary += ".tmp" + std::to_string(getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
      std::filesystem::remove(temporary, error);
      throw failure();
    }
  }
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::filesystem::remove(temporary, error);
    throw failure();
  }
}

std::string MemoryKey(std::string_view app, std::string_view section, std::string_view key) {
  std::string out = FoldCase(app);
  out.push_back('\0');
  out += FoldCase(section);
  out.push_back('\0');
  out += FoldCase(key);
  return out;
}

// Readers take their own reference, so installing another store never destroys one
// that is being read.
std::atomic<std::shared_ptr<SettingsStore>>& CurrentStore() {
  static std::atomic<std::shared_ptr<SettingsStore>> store{std::make_shared<IniSettingsStore>()};
  return store;
}

}  // namespace

std::filesystem::path IniSettingsStore::FilePath(std::string_view app) {
  return ConfigHome() / std::string(app) / kFileName;
}

std::string IniSettingsStore::Get(std::string_view app, std::string_view section,
                                  std::string_view key) const {
  const std::optional<KeyFile> file = Load(FilePath(app));
  if (!file) return {};
  const std::optional<std::string> group = GroupOf(file->get(), section);
  if (!group) return {};
  const std::optional<std::string> name = KeyOf(file->get(), *group, key);
  if (!name) return {};
  gchar* value = g_key_file_get_value(file->get(), group->c_str(), name->c_str(), nullptr);
  std::string text(Trim(value != nullptr ? value : ""));
  g_free(value);
  return text;
}

void IniSettingsStore::Set(std::string_view app, std::string_view section, std::string_view key,
                           std::string_view value) {
  CheckStorable(section, key, value);
  const std::filesystem::path path = FilePath(app);
  std::lock_guard lock(write_mutex_);
  std::optional<KeyFile> file = Load(path);
  // A file the reader cannot parse is not rewritten: its other settings would be lost.
  if (!file) throw MakeError(ErrorCode::kPathFileAccess, path.string());
  const std::string group = GroupOf(file->get(), section).value_or(std::string(section));
  const std::string name = KeyOf(file->get(), group, key).value_or(std::string(key));
  g_key_file_set_value(file->get(), group.c_str(), name.c_str(), std::string(value).c_str());
  gsize size = 0;
  gchar* data = g_key_file_to_data(file->get(), &size, nullptr);
  const std::string text(data, size);
  g_free(data);
  WriteText(path, text);
}

std::string MemorySettingsStore::Get(std::string_view app, std::string_view section,
                                     std::string_view key) const {
  std::lock_guard lock(mutex_);
  auto found = values_.find(MemoryKey(app, section, key));
  return found == values_.end() ? std::string() : found->second;
}

void MemorySettingsStore::Set(std::string_view app, std::string_view section, std::string_view key,
                              std::string_view value) {
  std::lock_guard lock(mutex_);
  values_[MemoryKey(app, section, key)] = std::string(value);
}

void InstallSettingsStore(std::shared_ptr<SettingsStore> store) {
  CurrentStore().store(store ? std::move(store) : std::make_shared<IniSettingsStore>());
}

SettingsStore& CurrentSettings() { return *CurrentStore().load(); }

std::string GetSetting(std::string_view app, std::string_view section, std::string_view key) {
  return CurrentStore().load()->Get(app, section, key);
}

}  // namespace orvalis
