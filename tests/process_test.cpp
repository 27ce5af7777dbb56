#include "platform/process.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <filesystem>

#include "core/error.h"
#include "core/text.h"
#include "tests/support/raised.h"
#include "tests/support/temp_folder.h"

namespace adreca::platform {
namespace {

using testing::ErrorNumberOf;

TEST(ProcessTest, TheRestOfTheCommandLineReachesTheProgramAsOneArgument) {
  testing::TempFolder folder("adreca-process");
  const std::string file = (folder.path() / "a b  c").string();
  const ProcessHandle touch = StartProcess(u"/usr/bin/touch " + FromUtf8(file), kShowMinimized);
  WaitForProcess(touch, 10000);
  EXPECT_TRUE(std::filesystem::exists(file));
}

TEST(ProcessTest, AQuotedProgramMayHoldBlanks) {
  testing::TempFolder folder("adreca process");
  const auto program = folder.path() / "my touch";
  std::filesystem::create_symlink("/usr/bin/touch", program);
  const auto file = folder.path() / "made";
  WaitForProcess(StartProcess(u"\"" + FromUtf8(program.string()) + u"\" " + FromUtf8(file.string()), 2),
                 10000);
  EXPECT_TRUE(std::filesystem::exists(file));
}

TEST(ProcessTest, AProgramThatCannotBeFoundRaisesFileNotFound) {
  EXPECT_EQ(ErrorNumberOf([] { StartProcess(u"/nonexistent/cmd /C ipconfig /all >x", 2); }),
            error_number::kFileNotFound);
  EXPECT_EQ(ErrorNumberOf([] { StartProcess(u" /C ipconfig /all >x", 2); }), error_number::kFileNotFound);
}

TEST(ProcessTest, PastTheTimeLimitTheProcessIsEndedAndAnErrorRaised) {
  const ProcessHandle sleeper = StartProcess(u"/bin/sleep 30", kShowMinimized);
  EXPECT_EQ(ErrorNumberOf([&] { WaitForProcess(sleeper, 100); }), 1460);
  EXPECT_EQ(::kill(static_cast<pid_t>(sleeper), 0), -1) << "process left behind";
  EXPECT_EQ(errno, ESRCH);
}

TEST(ProcessTest, AnAbandonedChildProcessIsEndedAndReaped) {
  const ProcessHandle handle = StartProcess(u"/bin/sleep 30", kShowMinimized);
  AbandonProcess(handle);
  EXPECT_EQ(::kill(static_cast<pid_t>(handle), 0), -1);
  EXPECT_EQ(errno, ESRCH);
}

}  // namespace
}  // namespace adreca::platform
