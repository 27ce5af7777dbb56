// How the ipconfig way starts its command interpreter and judges its end,
// with the real process layer: the interpreter's path is quoted and never
// looked up in the current folder, a start that fails says why with the
// number of what happened, an interpreter that fails is an error, and at the
// time limit everything it started ends.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
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

// ---- Who could have placed the interpreter ----

// A layout of folders, links and the interpreter in the sandbox; each answers
// the COMSPEC to use. Owners and modes are set after the files are made.
struct PlacedInterpreterCase {
  const char* name;
  std::function<fs::path(const fs::path& outside, const fs::path& interpreter)> place;
  const char* refusal;  // what the 75 says; null: it runs
};

class PlacedInterpreterTest : public InterpreterRunTest,
                              public ::testing::WithParamInterface<PlacedInterpreterCase> {};

void Give(const fs::path& path, uid_t owner, mode_t mode) {
  if (::lchown(path.c_str(), owner, owner) != 0) throw std::runtime_error("lchown " + path.string());
  if (!fs::is_symlink(path) && ::chmod(path.c_str(), mode) != 0) throw std::runtime_error("chmod");
}

// An interpreter that another user could have put in place (root running a
// copied adreca-report from /tmp, say) is refused before anything runs,
// naming what is wrong and whose it is; one that only root or the user could
// have placed runs.
TEST_P(PlacedInterpreterTest, RunsOnlyWhenNoOtherUserCouldHavePlacedIt) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving files to another user needs root";
  const PlacedInterpreterCase& c = GetParam();
  // If it runs, it leaves its mark and then writes the real listing.
  const std::string body =
      "echo ran >'" + mark.string() + "'\nexec '" + RealInterpreter().string() + "' \"$1\"\n";
  const fs::path comspec = c.place(outside, WriteScript(outside / "cmd", body));
  before = testing::Picture(sandbox.path());
  ScopedVariable placed("COMSPEC", comspec.string());
  const Outcome outcome = RunProbe();
  if (c.refusal == nullptr) {
    EXPECT_EQ(outcome.error.number, 0) << Description(outcome);
    EXPECT_TRUE(fs::exists(mark));
    return;
  }
  EXPECT_EQ(outcome.error.number, error_number::kPathFileAccess) << Description(outcome);
  EXPECT_NE(Description(outcome).find(c.refusal), std::string::npos) << Description(outcome);
  EXPECT_FALSE(fs::exists(mark)) << "the interpreter ran";
  ExpectNothingWritten();
}

constexpr uid_t kNobody = testing::kNobody;

INSTANTIATE_TEST_SUITE_P(
    Cases, PlacedInterpreterTest,
    ::testing::Values(PlacedInterpreterCase{"AnotherUsersProgram",
                                            [](const fs::path&, const fs::path& cmd) {
                                              Give(cmd, kNobody, 0755);
                                              return cmd;
                                            },
                                            "cmd belongs to the user nobody (uid 65534), not to root or you"},
                      PlacedInterpreterCase{"AProgramOthersMayWrite",
                                            [](const fs::path&, const fs::path& cmd) {
                                              Give(cmd, 0, 0757);
                                              return cmd;
                                            },
                                            "cmd may be written by others; it belongs to root"},
                      PlacedInterpreterCase{"AProgramAnotherGroupMayWrite",
                                            [](const fs::path&, const fs::path& cmd) {
                                              if (::chown(cmd.c_str(), 0, kNobody) != 0 ||
                                                  ::chmod(cmd.c_str(), 0775) != 0)
                                                throw std::runtime_error("chown");
                                              return cmd;
                                            },
                                            "cmd may be written by others"},
                      PlacedInterpreterCase{"AnotherUsersFolderOnTheWay",
                                            [](const fs::path& outside, const fs::path& cmd) {
                                              fs::create_directory(outside / "theirs");
                                              fs::rename(cmd, outside / "theirs" / "cmd");
                                              Give(outside / "theirs", kNobody, 0755);
                                              return outside / "theirs" / "cmd";
                                            },
                                            "theirs, a folder on the way to"},
                      PlacedInterpreterCase{"AFolderOthersMayWriteIntoOnTheWay",
                                            [](const fs::path& outside, const fs::path& cmd) {
                                              fs::create_directory(outside / "open");
                                              fs::rename(cmd, outside / "open" / "cmd");
                                              Give(outside / "open", 0, 0777);
                                              return outside / "open" / "cmd";
                                            },
                                            "open, a folder on the way to"},
                      PlacedInterpreterCase{"AnotherUsersLinkToIt",
                                            [](const fs::path& outside, const fs::path& cmd) {
                                              fs::create_symlink(cmd, outside / "link");
                                              Give(outside / "link", kNobody, 0);
                                              return outside / "link";
                                            },
                                            "link is a symbolic link of the user nobody"},
                      PlacedInterpreterCase{"AnotherUsersProgramInAStickySharedFolder",
                                            [](const fs::path& outside, const fs::path& cmd) {
                                              fs::create_directory(outside / "shared");
                                              fs::rename(cmd, outside / "shared" / "cmd");
                                              Give(outside / "shared", 0, 01777);
                                              Give(outside / "shared" / "cmd", kNobody, 0755);
                                              return outside / "shared" / "cmd";
                                            },
                                            "cmd belongs to the user nobody"},
                      PlacedInterpreterCase{"RootsProgramInAStickySharedFolder",
                                            [](const fs::path& outside, const fs::path& cmd) {
                                              fs::create_directory(outside / "shared");
                                              fs::rename(cmd, outside / "shared" / "cmd");
                                              Give(outside / "shared", 0, 01777);
                                              return outside / "shared" / "cmd";
                                            },
                                            nullptr},
                      PlacedInterpreterCase{"AFolderOfTheUsersOwnGroup",
                                            [](const fs::path& outside, const fs::path& cmd) {
                                              fs::create_directory(outside / "ours");
                                              fs::rename(cmd, outside / "ours" / "cmd");
                                              Give(outside / "ours", 0,
                                                   0775);  // root's own group, root's alone
                                              return outside / "ours" / "cmd";
                                            },
                                            nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

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

// The interpreter starts a helper that writes a file three seconds later
// (well after the one-second limit, also on a loaded machine), then hangs. At
// the limit both end, and the listing it began is gone.
TEST_F(InterpreterRunTest, AtTheTimeLimitEverythingTheInterpreterStartedEnds) {
  const fs::path late = outside / "late";
  const fs::path script = WriteScript(outside / "hang",
                                      "target=${1##*>}; target=${target#\\\"}; target=${target%\\\"}\n"
                                      "echo partial >\"$target\"\n"
                                      "(sleep 3; echo late >'" +
                                          late.string() +
                                          "') &\n"
                                          "exec sleep 600\n");
  before = testing::Picture(sandbox.path());
  ScopedVariable hanging("COMSPEC", script.string());
  seam::ScopedFake short_wait{&platform::WaitForProcess, &testing::ShortWait};
  const Outcome outcome = RunProbe();
  EXPECT_EQ(outcome.error.number, kTimeout);
  std::this_thread::sleep_for(std::chrono::milliseconds(3500));
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

// A process that left the interpreter's process group for a session of its
// own (setsid) and outlived its parent ends too: when the interpreter ends,
// and at the time limit. Left running, such a watcher wrote a listing after
// the run or fed its address to later runs.
TEST_F(InterpreterRunTest, WhatLeftTheProcessGroupEndsWithTheInterpreter) {
  // The escaped process writes well after the interpreter ended or the
  // one-second limit passed, so that only a process that outlived the run
  // can write.
  struct Case {
    const char* label;
    bool hangs;
    int writes_after_seconds;
  };
  for (const Case& c : {Case{"the interpreter ends", false, 1}, Case{"the time limit passes", true, 3}}) {
    SCOPED_TRACE(c.label);
    const fs::path late = outside / "late";
    const std::string escape = "setsid sh -c 'sleep " + std::to_string(c.writes_after_seconds) +
                               "; echo late >\"" + late.string() + "\"' </dev/null >/dev/null 2>&1 &\n";
    const std::string then =
        c.hangs ? "exec sleep 600\n" : "exec '" + RealInterpreter().string() + "' \"$1\"\n";
    const fs::path script = WriteScript(outside / "escapes", escape + then);
    before = testing::Picture(sandbox.path());
    ScopedVariable escaping("COMSPEC", script.string());
    std::optional<seam::ScopedFake<platform::ExitStatus(platform::ProcessHandle, std::int32_t)>> short_wait;
    if (c.hangs) short_wait.emplace(&platform::WaitForProcess, &testing::ShortWait);
    const Outcome outcome = RunProbe();
    EXPECT_EQ(outcome.error.number, c.hangs ? kTimeout : 0) << Description(outcome);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000 * c.writes_after_seconds + 500));
    EXPECT_FALSE(fs::exists(late)) << "a process in a session of its own kept running";
    ExpectNothingWritten();
  }
}

}  // namespace
}  // namespace adreca

namespace adreca {
namespace {

// Root runs a copy of the report from a shared sticky folder (scp to /tmp,
// then sudo), beside which another user planted "adreca-cmd": that
// interpreter is refused, not run.
TEST(InterpreterLookupTest, AnInterpreterAnotherUserPlantedBesideACopiedReportIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
  testing::TempFolder folder("adreca-shared");
  ::chmod(folder.path().c_str(), 01777);
  const fs::path mark = folder.path() / "planted-ran";
  const fs::path planted = WriteScript(folder.path() / "adreca-cmd", "echo ran >'" + mark.string() + "'\n");
  ASSERT_EQ(::chown(planted.c_str(), testing::kNobody, testing::kNobody), 0);
  const fs::path report = folder.path() / "adreca-report";
  fs::copy_file(testing::BesideThisProgram("adreca-report"), report);
  testing::ScopedVariable unset("COMSPEC", std::nullopt);
  testing::ScopedVariable temp("TEMP", folder.path().string());
  const testing::CapturedRun run = testing::RunCaptured(report.string(), {"--way=IpConfig", "--format=csv"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("IpConfig,,,75,\"Path/File access error: " + planted.string() +
                            " belongs to the user nobody (uid 65534), not to root or you"),
            std::string::npos)
      << run.output;
  EXPECT_FALSE(fs::exists(mark));
}

// A folder that root's own group may write is root's alone only while nobody
// else is in that group: a member listed in it, or an account whose primary
// group it is, could have placed the interpreter there. The account files are
// changed for the report alone, in a mount namespace of its own.
TEST(InterpreterLookupTest, AFolderOfTheUsersGroupIsTheUsersOnlyWhileNobodyElseIsInIt) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting over the account files needs root";
  const struct {
    const char* name;
    const char* members;  // of root's group
    const char* account;  // another, added to the accounts
    bool refused;
  } cases[] = {
      {"root alone in its group", "", "", false},
      {"nobody listed in root's group", "nobody", "", true},
      {"an account whose primary group is root's", "", "placer:x:4321:0::/nonexistent:/usr/sbin/nologin\n",
       true},
  };
  testing::TempFolder folder("adreca-group");
  const fs::path ours = folder.path() / "ours";
  fs::create_directory(ours);
  ASSERT_EQ(::chmod(ours.c_str(), 0775), 0);
  const fs::path mark = folder.path() / "ran";
  const fs::path cmd = WriteScript(
      ours / "cmd", "echo ran >'" + mark.string() + "'\nexec '" + RealInterpreter().string() + "' \"$1\"\n");
  ScopedVariable comspec("COMSPEC", cmd.string());
  ScopedVariable temp("TEMP", folder.path().string());
  std::string groups = testing::ReadFileBytes("/etc/group");
  const std::size_t root = groups.starts_with("root:") ? 0 : groups.find("\nroot:") + 1;
  const std::size_t end = groups.find('\n', root);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(mark);
    std::string changed = groups;
    changed.replace(root, end - root, std::string("root:x:0:") + c.members);
    testing::WriteFileBytes(folder.path() / "group", changed);
    testing::WriteFileBytes(folder.path() / "passwd", testing::ReadFileBytes("/etc/passwd") + c.account);
    const std::string mount_and_run =
        "mount --bind \"$1\" /etc/group && mount --bind \"$2\" /etc/passwd && "
        "exec \"$3\" --way=IpConfig --format=csv";
    const testing::CapturedRun run = testing::RunCaptured(
        "unshare", {"--mount", "--propagation", "private", "sh", "-c", mount_and_run, "sh",
                    (folder.path() / "group").string(), (folder.path() / "passwd").string(),
                    testing::BesideThisProgram("adreca-report")});
    const bool refusal = run.output.find(ours.string() + ", a folder on the way to " + cmd.string() +
                                         ", may be written by others") != std::string::npos;
    EXPECT_EQ(refusal, c.refused) << run.output;
    EXPECT_EQ(fs::exists(mark), !c.refused) << run.output;
  }
}

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
