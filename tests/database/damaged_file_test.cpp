// Damaged declaration files: truncated, or with one bit flipped somewhere. Each one either
// gives the apuração of the sound file or a clear error, never a crash; a file refused at
// the open is left byte for byte as it was.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "orvalis/class_info.h"
#include "orvalis/error.h"
#include "orvalis/icms.h"
#include "orvalis/mantem_db.h"
#include "database/module_state.h"
#include "orvalis/object.h"
#include "orvalis/settings.h"
#include "support/child_process.h"
#include "support/test_support.h"

namespace orvalis::testing {
namespace {

namespace fs = std::filesystem;

// How a damaged file ended.
enum Outcome { kRight = 0, kRefusedAtOpen = 1, kWrong = 2, kErrorLater = 3, kOutcomes = 4 };

class DamagedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto settings = std::make_shared<MemorySettingsStore>();
    settings->Set("Brisquel", "pRef", "RefAtual", "03/2005");
    settings->Set("Brisquel", "Data", "DataLimite", "05/2005");
    InstallSettingsStore(settings);
    settings_ = settings;
    fs::rename(NewFrontEndFile(home_, "sound.mdb"), sound_);
    MantemDB files;
    files.Db_Open(sound_);
    auto db = BindDatabase(sound_);
    db->Execute("INSERT INTO tblContribuinte (IE) VALUES ('110042490114')");
    AddRow(*db, "tblVEK", {{"IE", "110042490114"}, {"SaldoCredAntDig", "12,5"}});
    for (int i = 0; i < 40; ++i) {
      AddRow(*db, "tblDetalhesCFOPs",
             {{"NroVEK", 1},
              {"CFOP", std::to_string((i % 2 ? 5100 : 1100) + i)},
              {"Imposto", 100 + i},
              {"ImpostoRetidoST", 7 * i}});
    }
    for (const char* item : {"00201", "00301", "00701", "00801", "01401"}) {
      AddRow(*db, "tblOcorrências", {{"NroVEK", 1}, {"CódSubItem", item}, {"Valor", "3,5"}});
    }
    AddRow(*db, "tblPagamento", {{"NroVEK", 1}, {"Valor", "99,9"}});
    files.Db_close(sound_);
    expected_ = Apuracao(sound_);
    CloseSharedWorkspace();
  }
  void TearDown() override { InstallSettingsStore(nullptr); }

  // Every field and total of declaration 1 that takes no argument, as text.
  static std::vector<std::string> Apuracao(const std::string& path) {
    CurrentSettings().Set("Brisquel", "DB", "DbAtual", path);
    MantemDB().Db_Open(path);
    ICMS icms;
    icms.LetNroVEK(Variant::Long(1));
    std::vector<std::string> fields;
    for (const auto& member : icms.Class().members()) {
      if (member.name.starts_with("Campo") || member.name.starts_with("Pagamentos")) {
        fields.push_back(ToText(Invoke(icms, member.name, InvokeKind::kMethod, {})));
      }
    }
    return fields;
  }

  // Opens the damaged copy in a child and says how it ended (or minus the signal).
  int Try(const std::string& path) {
    ChildProcess child([&] {
      try {
        MantemDB().Db_Open(path);
      } catch (const Error&) {
        return static_cast<int>(kRefusedAtOpen);
      }
      try {
        return static_cast<int>(Apuracao(path) == expected_ ? kRight : kWrong);
      } catch (const Error&) {
        return static_cast<int>(kErrorLater);
      }
    });
    return child.Wait();
  }

  // Runs a damaged copy made by `damage` and counts its outcome.
  void Sweep(const std::string& what, const std::function<void(std::string&)>& damage) {
    std::string bytes = ReadFileBytes(sound_);
    damage(bytes);
    const std::string path = dir_.File("damaged.mdb");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    const int outcome = Try(path);
    ASSERT_GE(outcome, 0) << what << ": the process crashed with signal " << -outcome;
    ++counts_[outcome];
    if (outcome == kRefusedAtOpen) {
      EXPECT_TRUE(ReadFileBytes(path) == bytes) << what;
    }
    if (outcome == kWrong) std::printf("wrong apuração with success: %s\n", what.c_str());
    fs::remove(path);
  }

  std::shared_ptr<MemorySettingsStore> settings_;
  ComponentHome home_;
  TempDir dir_;
  std::string sound_ = dir_.File("sound.mdb");
  std::vector<std::string> expected_;
  int counts_[kOutcomes] = {};
};

TEST_F(DamagedFileTest, TruncatedOrFlippedFilesGiveTheRightApuracaoOrAClearError) {
  const size_t size = fs::file_size(sound_);
  for (size_t keep : {size_t{0}, size_t{1}, size_t{99}, size_t{100}, size_t{4095}, size / 2,
                      size - 4096, size - 1}) {
    Sweep("truncated to " + std::to_string(keep),
          [keep](std::string& bytes) { bytes.resize(keep); });
  }
  EXPECT_EQ(counts_[kRight], 0) << "a truncated file gave an apuração";
  // 400 flips: every byte of the header, then offsets spread over every page.
  for (size_t i = 0; i < 400; ++i) {
    const size_t offset = i < 100 ? i : (i * 7919 + 13) % size;
    const int bit = static_cast<int>(i % 8);
    Sweep(
        "bit " + std::to_string(bit) + " of byte " + std::to_string(offset),
        [=](std::string& bytes) { bytes[offset] = static_cast<char>(bytes[offset] ^ (1 << bit)); });
  }
  std::printf("right %d, refused at open %d, error later %d, wrong with success %d\n",
              counts_[kRight], counts_[kRefusedAtOpen], counts_[kErrorLater], counts_[kWrong]);
  // Page damage that keeps the structure valid is not detectable without checksums; it
  // must stay rare.
  EXPECT_LE(counts_[kWrong], 8);
}

}  // namespace
}  // namespace orvalis::testing
