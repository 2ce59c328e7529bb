// Settings stores: the INI file per application, the in-memory store, the current store.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "orvalis/error.h"
#include "orvalis/settings.h"
#include "support/test_support.h"

namespace orvalis {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class IniSettingsTest : public ::testing::Test {
 protected:
  fs::path File() const { return root_.path() / "Apuracao" / "settings.ini"; }
  void WriteFile(const std::string& text) const {
    fs::create_directories(File().parent_path());
    std::ofstream(File(), std::ios::binary) << text;
  }
  std::string ReadFile() const { return testing::ReadFileBytes(File()); }

  testing::TempDir root_;
  ScopedEnv config_home_{"XDG_CONFIG_HOME", root_.path().string()};
  IniSettingsStore store_;
};

TEST_F(IniSettingsTest, PlacesOneFilePerApplicationUnderTheConfigHome) {
  EXPECT_EQ(IniSettingsStore::FilePath("Apuracao"), File());
  ScopedEnv empty_xdg("XDG_CONFIG_HOME", "");
  ScopedEnv home("HOME", "/home/someone");
  EXPECT_EQ(IniSettingsStore::FilePath("App"), fs::path("/home/someone/.config/App/settings.ini"));
}

TEST_F(IniSettingsTest, ReadsSectionsIgnoringCaseAndMissingAsEmpty) {
  EXPECT_EQ(store_.Get("Apuracao", "Caminhos", "Base"), "");  // no file
  WriteFile(
      "; settings\n[Caminhos]\nBase = /dados/base.db \nSaída=/tmp/saída\n\n[Opções]\nBase=outra\n");
  EXPECT_EQ(store_.Get("Apuracao", "caminhos", "BASE"), "/dados/base.db");
  EXPECT_EQ(store_.Get("Apuracao", "CAMINHOS", "SAÍDA"), "/tmp/saída");
  EXPECT_EQ(store_.Get("Apuracao", "OPÇÕES", "base"), "outra");
  EXPECT_EQ(store_.Get("Apuracao", "Caminhos", "Nada"), "");
  EXPECT_EQ(store_.Get("OutraApp", "Caminhos", "Base"), "");
  // The file is read anew at every Get.
  WriteFile("[S]\nK=2\n");
  EXPECT_EQ(store_.Get("Apuracao", "S", "K"), "2");
  fs::remove(File());
  EXPECT_EQ(store_.Get("Apuracao", "S", "K"), "");
}

TEST_F(IniSettingsTest, SetCreatesTheFileAndKeepsEverythingElse) {
  store_.Set("Apuracao", "Caminhos", "Base", "/x/y.db");  // the file and its folders are made
  EXPECT_EQ(ReadFile(), "[Caminhos]\nBase=/x/y.db\n");
  WriteFile("; comment\n[A]\nOne=1\nTwo = 2\n\n[B]\nOne=b1\n");
  store_.Set("Apuracao", "a", "TWO", "22");       // replaced where it stands
  store_.Set("Apuracao", "A", "Three", "3");      // added to its section
  store_.Set("Apuracao", "C", "New", "a=b;c#d");  // a new section at the end
  EXPECT_NE(ReadFile().find("# comment\n"), std::string::npos);
  for (auto [section, key, value] : {std::tuple{"A", "One", "1"},
                                     {"A", "Two", "22"},
                                     {"A", "Three", "3"},
                                     {"B", "One", "b1"},
                                     {"C", "New", "a=b;c#d"}}) {
    EXPECT_EQ(store_.Get("Apuracao", section, key), value) << section << "/" << key;
  }
  // Values of any length, with ';' and '#' inside, read back whole.
  const std::string path = "/dados/" + std::string(400, 'x') + " ; ano # 2024.mdb";
  store_.Set("Apuracao", "DB", "DbAtual", path);
  EXPECT_EQ(store_.Get("Apuracao", "db", "DBATUAL"), path);
}

TEST_F(IniSettingsTest, SetRejectsSettingsThatWouldNotReadBack) {
  for (auto [section, key, value] : {std::tuple{"A", "K", "two\nlines"},
                                     {"A]", "K", "v"},
                                     {"A", "K=1", "v"},
                                     {"A", "K", " padded "},
                                     {"A", "K", "\xff"}}) {
    EXPECT_EQ(testing::ErrorOf([&] { store_.Set("Apuracao", section, key, value); }), 5)
        << section << "/" << key << "/" << value;
  }
  EXPECT_FALSE(fs::exists(File()));
  // A file the reader cannot parse reads as empty and is never rewritten.
  WriteFile("[A]\nnot a setting\nK=1\n");
  EXPECT_EQ(store_.Get("Apuracao", "A", "K"), "");
  EXPECT_THROW(store_.Set("Apuracao", "A", "K", "2"), Error);
  EXPECT_EQ(ReadFile(), "[A]\nnot a setting\nK=1\n");
}

TEST(MemorySettingsTest, StoresAndReadsIgnoringCase) {
  MemorySettingsStore store;
  EXPECT_EQ(store.Get("App", "S", "K"), "");
  store.Set("App", "Seção", "Chave", "valor");
  EXPECT_EQ(store.Get("APP", "SEÇÃO", "chave"), "valor");
  EXPECT_EQ(store.Get("Other", "Seção", "Chave"), "");
  store.Set("app", "seção", "CHAVE", "novo");
  EXPECT_EQ(store.Get("App", "Seção", "Chave"), "novo");
}

TEST_F(IniSettingsTest, GetSettingReadsTheCurrentStore) {
  WriteFile("[S]\nK=from file\n");
  EXPECT_EQ(GetSetting("Apuracao", "S", "K"), "from file");

  auto memory = std::make_shared<MemorySettingsStore>();
  memory->Set("Apuracao", "S", "K", "from memory");
  InstallSettingsStore(memory);
  EXPECT_EQ(GetSetting("Apuracao", "S", "K"), "from memory");
  EXPECT_EQ(&CurrentSettings(), memory.get());

  InstallSettingsStore(nullptr);
  EXPECT_EQ(GetSetting("Apuracao", "S", "K"), "from file");
  EXPECT_NE(dynamic_cast<IniSettingsStore*>(&CurrentSettings()), nullptr);
}

}  // namespace
}  // namespace orvalis
