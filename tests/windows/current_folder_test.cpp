// The command interpreter looks for a command in its current folder before
// the system's. The ipconfig way starts it in the system folder with that
// search turned off, so that a script or program named ipconfig in the
// folder that the program was started from (Downloads, a USB stick, a share)
// never answers; the listing's folder is then made a full path first.

#include <gtest/gtest.h>
#include <windows.h>
#undef GetEnvironmentVariable

#include <chrono>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "app/actions.h"
#include "core/text.h"
#include "platform/environment.h"
#include "platform/process.h"
#include "probes/probes.h"
#include "tests/support/raised.h"
#include "tests/support/temp_folder.h"
#include "tests/windows/support/program_run.h"

namespace adreca {
namespace {

namespace fs = std::filesystem;
using testing::BuiltProgram;
using testing::ProgramRun;
using testing::ReadFileBytes;
using testing::TempFolder;
using testing::WriteFileBytes;

constexpr std::string_view kPlantedAddress = "0A-0B-0C-0D-0E-0F";

// The test program's current folder for one scope.
class ScopedCurrentFolder {
 public:
  explicit ScopedCurrentFolder(const fs::path& folder) : old_(fs::current_path()) {
    fs::current_path(folder);
  }
  ~ScopedCurrentFolder() { fs::current_path(old_); }
  ScopedCurrentFolder(const ScopedCurrentFolder&) = delete;
  ScopedCurrentFolder& operator=(const ScopedCurrentFolder&) = delete;

 private:
  fs::path old_;
};

std::u16string SystemFolder() {
  wchar_t folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  return std::u16string(reinterpret_cast<const char16_t*>(folder), length);
}

// What the interpreter that the ipconfig way starts says to `command`, run
// from a folder of the test's own.
TEST(CurrentFolderTest, TheInterpreterRunsInTheSystemFolderWithoutSearchingTheCurrentOne) {
  TempFolder folder("adreca-current");
  const ScopedCurrentFolder current(folder.path());
  const struct {
    std::u16string command;
    std::u16string said;
  } cases[] = {
      {u"cd", SystemFolder()},
      {u"set NoDefaultCurrentDirectoryInExePath", u"NoDefaultCurrentDirectoryInExePath=1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.command));
    const fs::path output = folder.path() / "said.txt";
    platform::ChildProcess interpreter(
        platform::GetEnvironmentVariable(u"COMSPEC") + u" /C " + c.command + u">" + output.u16string(),
        platform::kShowMinimized);
    ASSERT_TRUE(interpreter.Wait(std::chrono::seconds(60)).Succeeded());
    EXPECT_EQ(ReadFileBytes(output), ToUtf8(c.said) + "\r\n");
  }
}

// Row 2 of a report started in `folder`: the address it shows.
std::string ReportedIpConfigAddress(const fs::path& folder) {
  ProgramRun report(
      u'"' + BuiltProgram(u"adreca-report.exe").u16string() + u"\" --way=IpConfig --format=json", folder);
  report.Finish();
  const nlohmann::json json = nlohmann::json::parse(report.Output());
  return json.at("rows").at(0).at("address");
}

TEST(CurrentFolderTest, AnIpconfigInTheFolderTheReportStartsInNeverAnswers) {
  TempFolder clean("adreca-clean");
  const std::string real = ReportedIpConfigAddress(clean.path());
  ASSERT_EQ(real.size(), kPlantedAddress.size()) << real;
  ASSERT_NE(real, kPlantedAddress);
  const std::string script = "@echo    Physical Address. . . : " + std::string(kPlantedAddress) + "\r\n";
  const struct {
    const char* name;
    std::function<void(const fs::path&)> plant;
  } cases[] = {
      {"ipconfig.bat", [&](const fs::path& at) { WriteFileBytes(at, script); }},
      {"ipconfig.cmd", [&](const fs::path& at) { WriteFileBytes(at, script); }},
      {"ipconfig.exe",
       [](const fs::path& at) { fs::copy_file(BuiltProgram(u"adreca_planted_ipconfig.exe"), at); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder("adreca-planted");
    c.plant(folder.path() / c.name);
    EXPECT_EQ(ReportedIpConfigAddress(folder.path()), real);
  }
}

// A TEMP that is not a full path names one folder for the listing's whole
// life, though the interpreter runs elsewhere: the listing is written, read
// and deleted under the program's current folder.
TEST(CurrentFolderTest, ARelativeTempHoldsTheWholeListingUnderTheCurrentFolder) {
  TempFolder folder("adreca-relative");
  fs::create_directory(folder.path() / "listings");
  const ScopedCurrentFolder current(folder.path());
  const std::u16string saved = TempDir;
  const std::u16string temp = platform::GetEnvironmentVariable(u"TEMP");
  ::SetEnvironmentVariableW(L"TEMP", L"listings");
  app::LoadStep();
  ::SetEnvironmentVariableW(L"TEMP", reinterpret_cast<const wchar_t*>(temp.c_str()));
  const auto error = testing::ErrorRaisedBy([] { EXPECT_EQ(MacIpConfig().size(), 12u); });
  const std::u16string used = TempDir;
  TempDir = saved;
  EXPECT_FALSE(error) << (error ? ToUtf8(error->description()) : "");
  EXPECT_EQ(used, folder.WithSeparator() + u"listings\\");
  EXPECT_TRUE(fs::is_empty(folder.path() / "listings"));
}

}  // namespace
}  // namespace adreca
