// RefData: the current reference period against the cut-over date of the settings.
#include <gtest/gtest.h>

#include <memory>

#include "orvalis/class_registry.h"
#include "orvalis/corrige_converte_db.h"
#include "orvalis/error.h"
#include "orvalis/settings.h"
#include "support/test_support.h"

namespace orvalis {
namespace {

class RefDataTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallSettingsStore(settings_); }
  void TearDown() override { InstallSettingsStore(nullptr); }

  void Set(const char* current, const char* limit) {
    if (current) settings_->Set("Brisquel", "pRef", "RefAtual", current);
    if (limit) settings_->Set("Brisquel", "Data", "DataLimite", limit);
  }

  std::shared_ptr<MemorySettingsStore> settings_ = std::make_shared<MemorySettingsStore>();
};

TEST_F(RefDataTest, ComparesTheFirstSevenCharactersAsDates) {
  struct Case {
    const char* current;
    const char* limit;
    int16_t expected;  // -1: error 13
  } cases[] = {
      {"03/2004", "05/2004", 1},         // the period lies before the cut-over
      {"03/2004", "01/2004", 2},         // after it
      {"03/2004", "03/2004", 0},         // the same month
      {"03/2004", "03/2004 e mais", 0},  // only seven characters are read
      {"03/2004", "03/20049", 0},        // "03/2004", not the year 20049
      {"12/2003extra", "01/2004", 1},    // in either setting
      {nullptr, "05/2004", -1},          // no current period
      {"03/2004", nullptr, -1},          // no cut-over
      {"março/04", "05/2004", -1},       // not a month
      {"03/2004", "abcdefgh", -1},       // not a date
  };
  for (const Case& c : cases) {
    settings_ = std::make_shared<MemorySettingsStore>();
    InstallSettingsStore(settings_);
    Set(c.current, c.limit);
    int16_t result = -1;
    const int32_t error = testing::ErrorOf([&] { result = database::RefData(); });
    EXPECT_EQ(error, c.expected < 0 ? 13 : 0) << (c.current ? c.current : "(none)");
    EXPECT_EQ(result, c.expected) << (c.current ? c.current : "(none)") << " / "
                                  << (c.limit ? c.limit : "(none)");
  }
}

TEST_F(RefDataTest, LateBoundMemberGivesAnInteger) {
  Set("03/2004", "05/2004");
  auto object = CreateObject("Orvalis.CorrigeConverteDB");
  EXPECT_EQ(GetProperty(*object, "RefData"), Variant::Integer(1));
}

}  // namespace
}  // namespace orvalis
