// The console report and the window program's --version on the real
// platform, run from the command interpreter as a user or a script would.

#include <gtest/gtest.h>
#include <windows.h>
#undef GetEnvironmentVariable

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "address/address.h"
#include "app/actions.h"
#include "app/ways.h"
#include "core/text.h"
#include "platform/environment.h"
#include "probes/probes.h"
#include "tests/support/temp_folder.h"

namespace adreca {
namespace {

namespace fs = std::filesystem;

// Runs `cmd /c "<command line>"` and answers its exit code.
DWORD RunInterpreter(const std::u16string& command) {
  std::u16string line = u"\"" + platform::GetEnvironmentVariable(u"COMSPEC") + u"\" /c \"" + command + u"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(line.data()), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
    return 9999;
  }
  ::WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 9999;
  ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return code;
}

std::u16string Beside(const std::u16string& name) { return platform::ProgramFolder() + name; }

TEST(ReportProgramTest, JsonRedirectedToAFileHasTheAddressesOfTheWindowsWays) {
  testing::TempFolder folder("adreca report");
  const fs::path output = folder.path() / "report.json";
  const DWORD status = RunInterpreter(u"\"" + Beside(u"adreca-report.exe") + u"\" --format=json >\"" +
                                      output.u16string() + u"\"");
  const nlohmann::json json = nlohmann::json::parse(testing::ReadFileBytes(output));
  const nlohmann::json& rows = json.at("rows");
  ASSERT_EQ(rows.size(), app::kWays.size());
  // The window's boxes for the same ways, in the same prefix.
  app::LoadStep();
  bool all_found = true;
  for (std::size_t i = 0; i < app::kWays.size(); ++i) {
    SCOPED_TRACE(ToUtf8(app::kWays[i].caption));
    const std::u16string compact = app::kWays[i].probe();
    all_found = all_found && IsAccepted(compact);
    EXPECT_EQ(rows[i].at("way"), ToUtf8(app::kWays[i].caption));
    EXPECT_EQ(rows[i].at("address"), ToUtf8(Guions(compact)));
    EXPECT_TRUE(rows[i].at("error").is_null());
  }
  EXPECT_EQ(status, all_found ? 0u : 1u);
}

TEST(ReportProgramTest, AUsageErrorEndsWithStatusTwo) {
  EXPECT_EQ(RunInterpreter(u"\"" + Beside(u"adreca-report.exe") + u"\" --format=xml 2>nul"), 2u);
}

TEST(ReportProgramTest, TheWindowProgramPrintsItsVersionAndOpensNoWindow) {
  testing::TempFolder folder("adreca report");
  const fs::path output = folder.path() / "version.txt";
  EXPECT_EQ(
      RunInterpreter(u"\"" + Beside(u"adreca-mac.exe") + u"\" --version >\"" + output.u16string() + u"\""),
      0u);
  const std::string version = testing::ReadFileBytes(output);
  EXPECT_EQ(version.rfind("adreca-mac (adreca-mac) " ADRECA_VERSION "\n", 0), 0u) << version;
  EXPECT_EQ(::FindWindowW(nullptr, L"ADRE\u00c7A MAC"), nullptr);
}

}  // namespace
}  // namespace adreca
