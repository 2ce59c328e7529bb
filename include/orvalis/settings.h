// SettingsStore: the per-user settings the component reads (application, section, key
// -> text), as a front-end saved them.
//
// Reads never fail: a missing store, section or key reads as "". One store is current in
// the process, the INI store unless a front-end or a test installs another. Stores are
// safe to use from several threads; a store stays alive while a read through it runs,
// even when another is installed meanwhile.
#pragma once

#include "orvalis/export.h"

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace orvalis {

class ORVALIS_EXPORT SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // "" when the setting does not exist.
  virtual std::string Get(std::string_view app, std::string_view section,
                          std::string_view key) const = 0;
  virtual void Set(std::string_view app, std::string_view section, std::string_view key,
                   std::string_view value) = 0;
};

// One INI file per application, <config home>/<app>/settings.ini, the config home being
// $XDG_CONFIG_HOME when set and non-empty, else ~/.config. The file holds "[section]"
// lines, "key=value" lines below them and comment lines starting with '#' or ';'; values
// have any length and may hold any character but a line break (';' and '#' included).
// Sections and keys match ignoring letter case, and blanks around a key or a value are
// not part of it. Every Get reads the file anew, so a change made by another process is
// seen at once; a file that cannot be parsed reads as empty.
// Set replaces the key's value or adds the key (adding the section at the end when
// missing), keeping every other setting and comment, and writes the file through a
// temporary file renamed over it, creating the folders. It raises Error 5 for a setting
// that would not read back as given (a line break, blanks around the value, a '[' or ']'
// in a section, a '=', '[', ']', '#' or ';' in a key, text that is not UTF-8), Error 75
// when the file cannot be parsed or written.
class ORVALIS_EXPORT IniSettingsStore final : public SettingsStore {
 public:
  static std::filesystem::path FilePath(std::string_view app);

  std::string Get(std::string_view app, std::string_view section,
                  std::string_view key) const override;
  void Set(std::string_view app, std::string_view section, std::string_view key,
           std::string_view value) override;

 private:
  std::mutex write_mutex_;  // one Set at a time within the process
};

// Settings kept in memory for the life of the store (tests, front-ends that keep their
// own). Application, section and key match ignoring letter case.
class ORVALIS_EXPORT MemorySettingsStore final : public SettingsStore {
 public:
  std::string Get(std::string_view app, std::string_view section,
                  std::string_view key) const override;
  void Set(std::string_view app, std::string_view section, std::string_view key,
           std::string_view value) override;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::string> values_;  // folded "app\0section\0key" -> value
};

// Makes `store` the current store; nullptr restores the INI store.
ORVALIS_EXPORT void InstallSettingsStore(std::shared_ptr<SettingsStore> store);

// The current store; valid until the next InstallSettingsStore.
ORVALIS_EXPORT SettingsStore& CurrentSettings();

// Reads a setting from the current store ("" when missing).
ORVALIS_EXPORT std::string GetSetting(std::string_view app, std::string_view section,
                                      std::string_view key);

}  // namespace orvalis
