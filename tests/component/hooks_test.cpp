// Process-wide hooks: the message sink, the diagnostics hook, the component folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "orvalis/component_folder.h"
#include "orvalis/diagnostics.h"
#include "orvalis/error.h"
#include "orvalis/messages.h"

namespace orvalis {
namespace {

TEST(MessagesTest, InstalledSinkReceivesEveryMessage) {
  std::vector<MessageBox> shown;
  InstallMessageSink([&shown](const MessageBox& message) { shown.push_back(message); });
  ShowMessage({"Apuração", "Arquivo gerado.", MessageIcon::kInformation});
  ShowMessage({"Erro", "Falhou.", MessageIcon::kCritical});
  InstallMessageSink(nullptr);

  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].title, "Apuração");
  EXPECT_EQ(shown[0].text, "Arquivo gerado.");
  EXPECT_EQ(shown[0].icon, MessageIcon::kInformation);
  EXPECT_EQ(shown[1].icon, MessageIcon::kCritical);
}

TEST(MessagesTest, WritesToStandardErrorWithoutSink) {
  testing::internal::CaptureStderr();
  ShowMessage({"Aviso", "Período fechado.", MessageIcon::kWarning});
  ShowMessage({"", "Sem título.", MessageIcon::kQuestion});
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Aviso: Período fechado.\nSem título.\n");
}

TEST(DiagnosticsTest, ReportsOnlyToAnInstalledHook) {
  ReportSwallowedError("before", MakeError(ErrorCode::kNoCurrentRecord));  // off: nothing

  std::vector<std::string> reports;
  InstallDiagnosticsHook([&reports](std::string_view operation, const Error& error) {
    reports.push_back(std::string(operation) + "/" + std::to_string(error.number()) + "/" +
                      error.description());
  });
  ReportSwallowedError("CFOP.Fetch", MakeError(ErrorCode::kNoCurrentRecord));
  InstallDiagnosticsHook(nullptr);
  ReportSwallowedError("after", MakeError(ErrorCode::kNoCurrentRecord));

  EXPECT_EQ(reports, std::vector<std::string>{"CFOP.Fetch/3021/No current record."});
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
