// How the ipconfig way starts its command interpreter and judges its end,
// with the real process layer: the interpreter's path is quoted and never
// looked up in the current folder, a start that fails says why with the
// number of what happened, an interpreter that fails is an error, and at the
// time limit everything it started ends.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "core/error.h"
#include "core/text.h"
#include "platform/environment.h"
#include "platform/seam.h"
#include "probes/probes.h"
#include "tests/support/captured_run.h"
#include "tests/support/hostile_environment.h"
#include "tests/support/temp_folder.h"

namespace adreca {
namespace {

namespace fs = std::filesystem;
using testing::HostileEnvironmentTest;
using testing::kTimeout;
using testing::Outcome;
using testing::RunProbe;
using testing::ScopedVariable;
using testing::WriteScript;

constexpr std::int32_t kProcessAborted = 1067;

std::string Description(const Outcome& outcome) { return ToUtf8(outcome.error.description); }

// The project's interpreter, as an unset COMSPEC names it.
fs::path RealInterpreter() { return ToUtf8(platform::GetEnvironmentVariable(u"COMSPEC")); }

class InterpreterRunTest : public HostileEnvironmentTest {
 protected:
  // A decoy that leaves a mark outside the temporary folder if it ever runs.
  fs::path Decoy(const fs::path& path) {
    return WriteScript(path, "echo ran >'" + mark.string() + "'\nexit 0\n");
  }

  fs::path mark = sandbox.path() / "decoy-ran";
};

// ---- Which program runs ----

TEST_F(InterpreterRunTest, AnInterpreterPathWithABlankIsRunWholeNotCutAtTheBlank) {
  const fs::path tools = sandbox.path() / "my tools";
  fs::create_directories(tools);
  fs::create_symlink(RealInterpreter(), tools / "adreca-cmd");
  Decoy(sandbox.path() / "my");
  before = testing::Picture(sandbox.path());
  ScopedVariable comspec_with_blank("COMSPEC", (tools / "adreca-cmd").string());
  ExpectOrdinaryAnswer(RunProbe());
  EXPECT_FALSE(fs::exists(mark)) << "the program at the blank ran";
  ExpectNothingWritten();
}

TEST_F(InterpreterRunTest, ARelativeInterpreterIsFoundBesideTheProgramNeverInTheCurrentFolder) {
  const fs::path planted = MakeFolder("current");
  Decoy(planted / "adreca-cmd");
  before = testing::Picture(sandbox.path());
  const fs::path previous = fs::current_path();
  fs::current_path(planted);
  ScopedVariable relative("COMSPEC", "adreca-cmd");
  const Outcome outcome = RunProbe();
  fs::current_path(previous);
  ExpectOrdinaryAnswer(outcome);
  EXPECT_FALSE(fs::exists(mark)) << "the interpreter planted in the current folder ran";
  ExpectNothingWritten();
}

TEST_F(InterpreterRunTest, ARelativeInterpreterIsFoundOnPathSkippingItsRelativeFolders) {
  const fs::path bin = MakeFolder("bin");
  fs::create_symlink(RealInterpreter(), bin / "my-cmd");
  const fs::path planted = MakeFolder("current");
  Decoy(planted / "my-cmd");
  before = testing::Picture(sandbox.path());
  const fs::path previous = fs::current_path();
  fs::current_path(planted);
  // An empty entry and "." both stand for the current folder.
  ScopedVariable path("PATH", "::.:" + bin.string() + ":/usr/bin:/bin");
  ScopedVariable relative("COMSPEC", "my-cmd");
  const Outcome outcome = RunProbe();
  fs::current_path(previous);
  ExpectOrdinaryAnswer(outcome);
  EXPECT_FALSE(fs::exists(mark));
  ExpectNothingWritten();
}

// ---- A start that fails ----

struct StartCase {
  const char* name;
  std::string body;  // written into the interpreter's place; empty: a folder there
  int mode;
  std::int32_t error;
  const char* reason;
};

class InterpreterStartTest : public InterpreterRunTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(InterpreterStartTest, SaysWhyWithTheNumberOfWhatHappened) {
  const StartCase& c = GetParam();
  const fs::path program = outside / "cmd";
  if (c.body.empty()) {
    fs::create_directory(program);
  } else {
    testing::WriteFileBytes(program, c.body);
    fs::permissions(program, static_cast<fs::perms>(c.mode));
  }
  before = testing::Picture(sandbox.path());
  ScopedVariable broken("COMSPEC", program.string());
  const Outcome outcome = RunProbe();
  EXPECT_EQ(outcome.error.number, c.error) << Description(outcome);
  EXPECT_NE(Description(outcome).find(c.reason), std::string::npos) << Description(outcome);
  EXPECT_NE(Description(outcome).find(program.string()), std::string::npos) << Description(outcome);
  ExpectNothingWritten();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InterpreterStartTest,
    ::testing::Values(StartCase{"AFolder", "", 0755, error_number::kPathFileAccess, "ermission denied"},
                      StartCase{"NotExecutable", "#!/bin/sh\nexit 0\n", 0644, error_number::kPathFileAccess,
                                "ermission denied"},
                      StartCase{"NotAProgram", std::string("\x7f\x01\x02garbage", 10), 0755,
                                error_number::kPathFileAccess, "xec format error"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- An interpreter that fails ----

TEST_F(InterpreterRunTest, AnInterpreterThatWritesAnAddressButFailsIsNotBelieved) {
  const fs::path script = WriteScript(outside / "failing",
                                      "target=${1##*>}; target=${target#\\\"}; target=${target%\\\"}\n"
                                      "printf 'Physical Address : 0A-1B-2C-3D-4E-5F\\r\\n' >\"$target\"\n"
                                      "echo 'No space left on device' >&2\nexit 1\n");
  before = testing::Picture(sandbox.path());
  ScopedVariable failing("COMSPEC", script.string());
  const Outcome outcome = RunProbe();
  EXPECT_EQ(outcome.error.number, kProcessAborted) << Description(outcome);
  EXPECT_NE(Description(outcome).find(script.string()), std::string::npos) << Description(outcome);
  EXPECT_NE(Description(outcome).find("exit status 1"), std::string::npos) << Description(outcome);
  EXPECT_TRUE(outcome.result.empty());
  ExpectNothingWritten();  // the listing it wrote is gone
}

TEST_F(InterpreterRunTest, AnInterpreterThatFailsToWriteIsFileNotFoundSayingHowItEnded) {
  for (const auto& [body, how] :
       {std::pair{"exit 3\n", "exit status 3"}, std::pair{"kill -9 $$\n", "signal 9"}}) {
    SCOPED_TRACE(body);
    const fs::path script = WriteScript(outside / "silent", body);
    before = testing::Picture(sandbox.path());
    ScopedVariable failing("COMSPEC", script.string());
    const Outcome outcome = RunProbe();
    EXPECT_EQ(outcome.error.number, error_number::kFileNotFound) << Description(outcome);
    EXPECT_NE(Description(outcome).find(how), std::string::npos) << Description(outcome);
    ExpectNothingWritten();
  }
}

// ---- The time limit ----

// The interpreter starts a helper that writes a file two seconds later, then
// hangs. At the limit both end, and the listing it began is gone.
TEST_F(InterpreterRunTest, AtTheTimeLimitEverythingTheInterpreterStartedEnds) {
  const fs::path late = outside / "late";
  const fs::path script = WriteScript(outside / "hang",
                                      "target=${1##*>}; target=${target#\\\"}; target=${target%\\\"}\n"
                                      "echo partial >\"$target\"\n"
                                      "(sleep 2; echo late >'" +
                                          late.string() +
                                          "') &\n"
                                          "exec sleep 600\n");
  before = testing::Picture(sandbox.path());
  ScopedVariable hanging("COMSPEC", script.string());
  seam::ScopedFake short_wait{&platform::WaitForProcess, &testing::ShortWait};
  const Outcome outcome = RunProbe();
  EXPECT_EQ(outcome.error.number, kTimeout);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_FALSE(fs::exists(late)) << "a process that the interpreter started kept running";
  ExpectNothingWritten();
}

// Finished in time, but what it left running must not write into the listing
// or anywhere else afterwards.
TEST_F(InterpreterRunTest, WhatAFinishedInterpreterLeftRunningEnds) {
  const fs::path late = outside / "late";
  const fs::path real = RealInterpreter();
  const fs::path script = WriteScript(outside / "leaves", "(sleep 1; echo late >'" + late.string() +
                                                              "') &\n"
                                                              "exec '" +
                                                              real.string() + "' \"$1\"\n");
  before = testing::Picture(sandbox.path());
  ScopedVariable leaving("COMSPEC", script.string());
  ExpectOrdinaryAnswer(RunProbe());
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_FALSE(fs::exists(late)) << "a process that the interpreter started kept running";
  ExpectNothingWritten();
}

}  // namespace
}  // namespace adreca

namespace adreca {
namespace {

// A program copied away from the project's interpreter finds it on PATH when
// COMSPEC is unset, and never in the current folder.
TEST(InterpreterLookupTest, AnUnsetComspecFindsTheInterpreterOnPathWhenItIsNotBesideTheProgram) {
  testing::TempFolder folder("adreca-copied");
  const fs::path report = folder.path() / "adreca-report";
  fs::copy_file(testing::BesideThisProgram("adreca-report"), report);
  const fs::path current = fs::current_path();
  fs::current_path(folder.path());
  testing::ScopedVariable unset("COMSPEC", std::nullopt);
  testing::ScopedVariable temp("TEMP", folder.path().string());
  const std::string bin = fs::path(testing::BesideThisProgram("")).parent_path().string();
  {
    testing::ScopedVariable path("PATH", bin + ":/usr/bin:/bin");
    const testing::CapturedRun run =
        testing::RunCaptured(report.string(), {"--way=IpConfig", "--format=csv"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.find("error"), run.output.rfind("error_number,error_description"));
  }
  {
    testing::ScopedVariable path("PATH", "/usr/bin:/bin");
    const testing::CapturedRun run =
        testing::RunCaptured(report.string(), {"--way=IpConfig", "--format=csv"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("IpConfig,,,53,File not found: adreca-cmd"), std::string::npos) << run.output;
  }
  fs::current_path(current);
}

}  // namespace
}  // namespace adreca
