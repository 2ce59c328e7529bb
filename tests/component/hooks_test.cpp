// Process-wide hooks: the message sink and the component folder. (The diagnostics hook is
// what the record tests watch the swallowed errors through.)
#include <gtest/gtest.h>
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

  testing::internal::CaptureStderr();
  ShowMessage({"Aviso", "Período fechado.", MessageIcon::kWarning});
  ShowMessage({"", "Sem título.", MessageIcon::kQuestion});
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Aviso: Período fechado.\nSem título.\n");
}

TEST(ComponentFolderTest, HonoursOrvalisHomeElseTheExecutableFolder) {
  setenv("ORVALIS_HOME", "/opt/orvalis//", 1);
  EXPECT_EQ(ComponentFolder(), "/opt/orvalis");
  setenv("ORVALIS_HOME", "", 1);
  std::string expected =
      std::filesystem::canonical("/proc/self/exe").parent_path().string();  // linked statically
  EXPECT_EQ(ComponentFolder(), expected);
  unsetenv("ORVALIS_HOME");
  EXPECT_EQ(ComponentFolder(), expected);
  EXPECT_NE(expected.back(), '/');
}

}  // namespace
}  // namespace orvalis
