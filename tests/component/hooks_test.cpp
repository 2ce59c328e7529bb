// Process-wide hooks: the message sink and the component folder. (The diagnostics hook is
// what the record tests watch the swallowed errors through.)
#include <gtest/gtest.h>

#include "support/test_support.h"
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "orvalis/component_folder.h"
#include "orvalis/messages.h"

namespace orvalis {
namespace {

TEST(MessagesTest, GoToTheInstalledSinkElseToStandardError) {
  std::vector<MessageBox> shown;
  InstallMessageSink([&shown](const MessageBox& message) { shown.push_back(message); });
  ShowMessage({"Apuração", "Arquivo gerado.", MessageIcon::kCritical});
  InstallMessageSink(nullptr);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title + "|" + shown[0].text, "Apuração|Arquivo gerado.");
  EXPECT_EQ(shown[0].icon, MessageIcon::kCritical);

  ::testing::internal::CaptureStderr();
  ShowMessage({"Aviso", "Período fechado.", MessageIcon::kWarning});
  ShowMessage({"", "Sem título.", MessageIcon::kQuestion});
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Aviso: Período fechado.\nSem título.\n");
}

// ORVALIS_HOME names the folder; without it a program whose folder holds no side file
// (this test program) uses the user's own folder, made on first use.
TEST(ComponentFolderTest, HonoursOrvalisHomeElseTheUsersFolder) {
  setenv("ORVALIS_HOME", "/opt/orvalis//", 1);
  EXPECT_EQ(ComponentFolder(), "/opt/orvalis");
  EXPECT_EQ(FixedTablesFile(), "/opt/orvalis/tblFixas.fix");
  setenv("ORVALIS_HOME", "", 1);
  orvalis::testing::TempDir data;
  setenv("XDG_DATA_HOME", data.path().c_str(), 1);
  EXPECT_EQ(ComponentFolder(), data.File("orvalis"));
  EXPECT_TRUE(std::filesystem::is_directory(data.File("orvalis")));
  unsetenv("ORVALIS_HOME");
  unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace orvalis
