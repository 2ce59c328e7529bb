#include "orvalis/settings.h"

#include <ini.h>
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
#include "orvalis/text_fold.h"

namespace orvalis {

namespace {

constexpr std::string_view kFileName = "settings.ini";
constexpr std::string_view kBlanks = " \t\r\n\f\v";
constexpr std::string_view kCommentStarts = ";#";
constexpr std::string_view kKeyDelimiters = "=:";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

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

// What the INI reader sees: the first value of one key in one section.
struct Lookup {
  std::string section;  // folded
  std::string key;      // folded
  std::optional<std::string> value;
};

int OnIniValue(void* user, const char* section, const char* name, const char* value) {
  auto& lookup = *static_cast<Lookup*>(user);
  if (name == nullptr || value == nullptr) return 1;
  if (FoldCase(section) == lookup.section && FoldCase(name) == lookup.key) {
    lookup.value = value;
    return 0;  // found: stop reading
  }
  return 1;
}

// How the INI reader classifies a line of a file, so that Set edits the lines the reader
// will take for the setting: a comment or blank line, a section header, a key line or
// the continuation of the previous key's value (an indented line).
struct IniLine {
  enum class Kind { kOther, kSection, kKey, kContinuation };
  Kind kind = Kind::kOther;
  std::string name;  // folded section or key name
};

std::vector<IniLine> ClassifyLines(const std::vector<std::string>& lines) {
  std::vector<IniLine> out;
  out.reserve(lines.size());
  bool after_key = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view text = lines[i];
    if (i == 0 && text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    std::string_view start = Trim(text);
    bool indented = !start.empty() && start.data() > text.data();
    IniLine line;
    if (start.empty() || kCommentStarts.find(start.front()) != std::string_view::npos) {
      // blank or comment
    } else if (after_key && indented) {
      line.kind = IniLine::Kind::kContinuation;
    } else if (start.front() == '[') {
      size_t close = start.find(']');
      if (close != std::string_view::npos) {
        line = {IniLine::Kind::kSection, FoldCase(start.substr(1, close - 1))};
        after_key = false;
      }
    } else if (size_t delimiter = start.find_first_of(kKeyDelimiters);
               delimiter != std::string_view::npos) {
      line = {IniLine::Kind::kKey, FoldCase(Trim(start.substr(0, delimiter)))};
      after_key = true;
    }
    out.push_back(std::move(line));
  }
  return out;
}

std::vector<std::string> ReadLines(const std::filesystem::path& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) lines.push_back(std::move(line));
  return lines;
}

// Raises Error 5 unless "[section]" and "key=value" read back as the same setting.
void CheckStorable(std::string_view section, std::string_view key, std::string_view value) {
  auto invalid = [] { return MakeError(ErrorCode::kInvalidProcedureCall); };
  if (section.empty() || Trim(key).empty()) throw invalid();
  for (std::string_view part : {section, key, value}) {
    if (part.find_first_of("\r\n") != std::string_view::npos) throw invalid();
  }
  std::string text =
      "[" + std::string(section) + "]\n" + std::string(Trim(key)) + "=" + std::string(value) + "\n";
  Lookup lookup{FoldCase(section), FoldCase(Trim(key)), std::nullopt};
  ini_parse_string(text.c_str(), &OnIniValue, &lookup);
  if (lookup.value != Trim(value)) throw invalid();
}

// The lines of the file with the setting replaced or added.
std::vector<std::string> WithSetting(std::vector<std::string> lines, std::string_view section,
                                     std::string_view key, std::string_view value) {
  const std::string new_line = std::string(Trim(key)) + "=" + std::string(Trim(value));
  const std::string folded_section = FoldCase(section);
  const std::string folded_key = FoldCase(Trim(key));
  const std::vector<IniLine> kinds = ClassifyLines(lines);

  bool in_section = false;
  bool in_first_section = false;
  std::optional<size_t> insert_at;  // after the last setting of the first matching section
  for (size_t i = 0; i < kinds.size(); ++i) {
    const IniLine& line = kinds[i];
    if (line.kind == IniLine::Kind::kSection) {
      in_section = line.name == folded_section;
      in_first_section = in_section && !insert_at;
      if (in_first_section) insert_at = i + 1;
      continue;
    }
    if (!in_section || line.kind == IniLine::Kind::kOther) continue;
    if (line.kind == IniLine::Kind::kKey && line.name == folded_key) {
      size_t end = i + 1;
      while (end < kinds.size() && kinds[end].kind == IniLine::Kind::kContinuation) ++end;
      lines[i] = new_line;
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i + 1),
                  lines.begin() + static_cast<std::ptrdiff_t>(end));
      return lines;
    }
    if (in_first_section) insert_at = i + 1;
  }
  if (insert_at) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*insert_at), new_line);
    return lines;
  }
  if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
  lines.push_back("[" + std::string(section) + "]");
  lines.push_back(new_line);
  return lines;
}

void WriteLines(const std::filesystem::path& path, const std::vector<std::string>& lines) {
  auto failure = [&path] { return MakeError(ErrorCode::kPathFileAccess, path.string()); };
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  if (error) throw failure();
  std::filesystem::path temporary = path;
  temporary += ".tmp" + std::to_string(getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines) out << line << '\n';
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
  Lookup lookup{FoldCase(section), FoldCase(key), std::nullopt};
  ini_parse(FilePath(app).c_str(), &OnIniValue, &lookup);
  return lookup.value.value_or("");
}

void IniSettingsStore::Set(std::string_view app, std::string_view section, std::string_view key,
                           std::string_view value) {
  CheckStorable(section, key, value);
  std::filesystem::path path = FilePath(app);
  std::lock_guard lock(write_mutex_);
  WriteLines(path, WithSetting(ReadLines(path), section, key, value));
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
