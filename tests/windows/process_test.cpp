// Starting the command interpreter and waiting for it, on the real platform.

#include "platform/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "core/error.h"
#include "platform/environment.h"
#include "tests/support/raised.h"
#include "tests/support/temp_folder.h"

namespace adreca::platform {
namespace {

using testing::ErrorRaisedBy;
using testing::ReadFileBytes;
using testing::TempFolder;

std::u16string Interpreter() { return GetEnvironmentVariable(u"COMSPEC"); }

TEST(ProcessTest, TheWaitEndsWhenTheCommandHasWrittenItsOutput) {
  TempFolder folder("adreca-process");
  const std::u16string file = folder.WithSeparator() + u"out.txt";
  ChildProcess command(Interpreter() + u" /C echo written>" + file, kShowMinimized);
  command.Wait(std::chrono::seconds(60));
  EXPECT_EQ(ReadFileBytes(std::filesystem::path(file)), "written\r\n");
}

TEST(ProcessTest, ACommandPastItsTimeLimitIsEndedAndRaises) {
  // Counts far longer than the limit; only ending the process stops it.
  ChildProcess command(Interpreter() + u" /C for /L %i in (1,1,100000000) do rem", kShowMinimized);
  const auto start = std::chrono::steady_clock::now();
  const auto error = ErrorRaisedBy([&] { command.Wait(std::chrono::milliseconds(500)); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->number(), 1460);  // ERROR_TIMEOUT
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST(ProcessTest, AProgramThatDoesNotExistRaisesFileNotFound) {
  // An unset COMSPEC leaves a command line that starts with a blank.
  for (const std::u16string line : {u" /C ipconfig /all >C:\\x.tmp", u"C:\\adreca\\no-such-program.exe /C"}) {
    const auto error = ErrorRaisedBy([&] { StartProcess(line, kShowMinimized); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), 53);
  }
}

}  // namespace
}  // namespace adreca::platform
