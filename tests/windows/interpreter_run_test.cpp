// The ipconfig way's command interpreter on the real platform: its path is
// quoted, its exit code is reported, and everything it starts lives in a job
// that ends with it.

#include <gtest/gtest.h>
#include <windows.h>
#undef GetEnvironmentVariable

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "core/error.h"
#include "core/text.h"
#include "platform/environment.h"
#include "platform/process.h"
#include "platform/windows/windows_text.h"
#include "probes/probes.h"
#include "tests/support/raised.h"
#include "tests/support/temp_folder.h"

namespace adreca {
namespace {

namespace fs = std::filesystem;
using platform::ChildProcess;
using platform::kShowMinimized;
using testing::ErrorRaisedBy;
using testing::TempFolder;

std::u16string Interpreter() { return platform::GetEnvironmentVariable(u"COMSPEC"); }

// Sets an environment variable for one scope, then restores it.
class ScopedVariable {
 public:
  ScopedVariable(const wchar_t* name, const std::u16string& value) : name_(name) {
    wchar_t old[32768];
    const DWORD length = ::GetEnvironmentVariableW(name, old, 32768);
    if (length > 0 && length < 32768) old_ = std::wstring(old, length);
    ::SetEnvironmentVariableW(name, reinterpret_cast<const wchar_t*>(value.c_str()));
  }
  ~ScopedVariable() { ::SetEnvironmentVariableW(name_, old_.empty() ? nullptr : old_.c_str()); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const wchar_t* name_;
  std::wstring old_;
};

// An interpreter in a folder whose name has a blank, with a program at the
// blank that writes no listing: unquoted, "...\my tools\cmd.exe" would start
// "...\my.exe".
TEST(InterpreterRunTest, AnInterpreterPathWithABlankIsRunWhole) {
  TempFolder folder("adreca interpreter");
  const fs::path tools = folder.path() / "my tools";
  fs::create_directory(tools);
  fs::copy_file(fs::path(Interpreter()), tools / "cmd.exe");
  fs::copy_file(fs::path(Interpreter()).parent_path() / "hostname.exe", folder.path() / "my.exe");
  ScopedVariable comspec(L"COMSPEC", (tools / "cmd.exe").u16string());
  TempDir = folder.WithSeparator();
  const auto error = ErrorRaisedBy([] { EXPECT_EQ(MacIpConfig().size(), 12u); });
  EXPECT_FALSE(error) << (error ? error->number() : 0);
}

TEST(InterpreterRunTest, TheInterpretersExitCodeIsReported) {
  ChildProcess seven(Interpreter() + u" /C exit 7", kShowMinimized);
  EXPECT_EQ(seven.Wait(std::chrono::seconds(60)).code, 7u);
  ChildProcess zero(Interpreter() + u" /C exit 0", kShowMinimized);
  EXPECT_TRUE(zero.Wait(std::chrono::seconds(60)).Succeeded());
}

// An interpreter that writes an address into the listing, then fails. It is
// not believed: the error names it and its exit code, and the listing is gone.
TEST(InterpreterRunTest, AnInterpreterThatWritesAnAddressButFailsIsNotBelieved) {
  TempFolder folder("adreca-interpreter");
  const fs::path script = fs::path(platform::ProgramFolder()) / "adreca_failing_interpreter.exe";
  ScopedVariable comspec(L"COMSPEC", script.u16string());
  TempDir = folder.WithSeparator();
  const auto error = ErrorRaisedBy([] { MacIpConfig(); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->number(), 1067) << ToUtf8(error->description());
  const std::u16string description = error->description();
  EXPECT_NE(description.find(u"exit status 1"), std::u16string::npos);
  EXPECT_NE(description.find(script.u16string()), std::u16string::npos);
  EXPECT_FALSE(fs::exists(folder.path() / "ipconfig.tmp"));
}

// The interpreter starts a second one that writes a file after about three
// seconds. At the limit the job ends both.
TEST(InterpreterRunTest, AtTheTimeLimitWhatTheInterpreterStartedEndsToo) {
  TempFolder folder("adreca-interpreter");
  const std::u16string late = folder.WithSeparator() + u"late.txt";
  ChildProcess command(
      Interpreter() + u" /C " + Interpreter() + u" /C \"ping -n 4 127.0.0.1 >nul & echo late>" + late + u"\"",
      kShowMinimized);
  const auto error = ErrorRaisedBy([&] { command.Wait(std::chrono::milliseconds(500)); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->number(), 1460);
  std::this_thread::sleep_for(std::chrono::seconds(5));
  EXPECT_FALSE(fs::exists(fs::path(late))) << "the second interpreter kept running";
}

// The same command line, waited for: the file appears, so the test above
// sees the job's doing and not a command that never writes.
TEST(InterpreterRunTest, TheSameCommandWaitedForWritesItsFile) {
  TempFolder folder("adreca-interpreter");
  const std::u16string late = folder.WithSeparator() + u"late.txt";
  ChildProcess command(
      Interpreter() + u" /C " + Interpreter() + u" /C \"ping -n 4 127.0.0.1 >nul & echo late>" + late + u"\"",
      kShowMinimized);
  EXPECT_TRUE(command.Wait(std::chrono::seconds(60)).Succeeded());
  EXPECT_TRUE(fs::exists(fs::path(late)));
}

}  // namespace
}  // namespace adreca
