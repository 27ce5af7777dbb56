// The ipconfig way and its command interpreter in hostile surroundings: odd
// or broken TEMP and COMSPEC values, and ipconfig.tmp pre-placed as something
// that must not be written or believed. Each run must give the answer of an
// ordinary run or a clear error, and must leave every file outside the
// temporary folder exactly as it was (nothing created, changed or removed).

#include "tests/support/hostile_environment.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "app/actions.h"
#include "core/error.h"
#include "core/text.h"
#include "platform/environment.h"
#include "platform/process.h"
#include "platform/seam.h"
#include "probes/probes.h"
#include "tests/support/raised.h"
#include "tests/support/temp_folder.h"

namespace adreca {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

using testing::HostileEnvironmentTest;
using testing::kNobody;
using testing::kProtectedText;
using testing::kTimeout;
using testing::Outcome;
using testing::Picture;
using testing::RunProbe;
using testing::ScopedVariable;
using testing::ShortWait;
using testing::WriteScript;

// ---- TEMP, as the window's load step reads it ----

struct TempCase {
  const char* name;
  std::optional<std::string> temp;  // relative to the sandbox unless absolute; nullopt: unset
  bool gives_answer;
  std::int32_t error;
};

class TempVariableTest : public HostileEnvironmentTest, public ::testing::WithParamInterface<TempCase> {};

TEST_P(TempVariableTest, GivesTheAnswerOrAClearErrorAndWritesNothingElsewhere) {
  const TempCase& c = GetParam();
  const fs::path fallback = MakeFolder("tmpdir");
  std::optional<std::string> value = c.temp;
  if (value && !value->empty() && value->front() != '/') {
    value = (sandbox.path() / *value).string();
    if (c.gives_answer) fs::create_directories(*value);
  }
  before = Picture(sandbox.path());
  ScopedVariable temp_variable("TEMP", value);
  ScopedVariable tmpdir_variable("TMPDIR", fallback.string());
  app::LoadStep();

  const Outcome outcome = RunProbe();
  if (c.gives_answer) {
    ExpectOrdinaryAnswer(outcome);
  } else {
    EXPECT_EQ(outcome.error.number, c.error) << ToUtf8(outcome.error.description);
    EXPECT_FALSE(outcome.error.description.empty());
  }
  ExpectNothingWritten();
}

const std::string kLongName(200, 'n');
const std::string kLongPath = [] {
  std::string path = "long";
  while (path.size() < 3900) path += "/" + kLongName;
  return path;  // under the sandbox: about 4,000 characters in all
}();

INSTANTIATE_TEST_SUITE_P(
    Cases, TempVariableTest,
    ::testing::Values(TempCase{"Unset", std::nullopt, true, 0},  // falls back to TMPDIR
                      TempCase{"Empty", "", true, 0},
                      TempCase{"MissingFolder", "missing/folder", false, error_number::kFileNotFound},
                      TempCase{"Blanks", "with  blanks  here ", true, 0},
                      TempCase{"NonAscii", "Ñandú ÀÉ € 😀", true, 0},
                      TempCase{"InterpreterOperators", "a>b&c|d<e^f", true, 0},
                      TempCase{"QuoteAndBlank", "a\"b c", false, error_number::kBadFileNameOrNumber},
                      TempCase{"NamesAFile", "outside/protected.txt", false, error_number::kFileNotFound},
                      TempCase{"FourThousandCharacters", kLongPath, true, 0},
                      TempCase{"BeyondThePathLimit", "/" + kLongPath + "/" + kLongPath, false,
                               error_number::kPathFileAccess}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostileEnvironmentTest, LongestTempReallyIsAboutFourThousandCharacters) {
  EXPECT_GE((sandbox.path() / kLongPath).string().size(), 3900u);
  EXPECT_LT((sandbox.path() / kLongPath / "ipconfig.tmp").string().size(), 4096u);
}

// A read-only folder: root writes there regardless, so the probe runs in a
// child process as the unprivileged user nobody when the test runs as root.
TEST_F(HostileEnvironmentTest, ReadOnlyTempFolderGivesFileNotFound) {
  const fs::path folder = MakeFolder("read-only");
  ::chmod(folder.c_str(), 0555);
  before = Picture(sandbox.path());
  TempDir = FromUtf8(folder.string() + "/");
  int pipe_ends[2];
  ASSERT_EQ(::pipe(pipe_ends), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(pipe_ends[0]);
    // Resolved while /proc/self/exe is still readable: a process that gave
    // up root may not read it.
    ::setenv("COMSPEC", ToUtf8(platform::GetEnvironmentVariable(u"COMSPEC")).c_str(), 1);
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
                             ::setresuid(kNobody, kNobody, kNobody) != 0)) {
      ::_exit(2);
    }
    const Outcome outcome = RunProbe();
    const std::string report = std::to_string(outcome.error.number) + " " + ToUtf8(outcome.result);
    (void)!::write(pipe_ends[1], report.data(), report.size());
    ::_exit(0);
  }
  ::close(pipe_ends[1]);
  char report[256] = {};
  const ssize_t length = ::read(pipe_ends[0], report, sizeof report - 1);
  ::close(pipe_ends[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child could not become nobody";
  EXPECT_EQ(std::string(report, length > 0 ? static_cast<std::size_t>(length) : 0), "53 ");
  ExpectNothingWritten();
}

// ---- COMSPEC ----

TEST_F(HostileEnvironmentTest, ComspecUnsetRunsTheProjectsInterpreter) {
  ExpectOrdinaryAnswer(RunProbe());
  ExpectNothingWritten();
}

TEST_F(HostileEnvironmentTest, ComspecNamingAMissingProgramRaisesFileNotFound) {
  ScopedVariable missing("COMSPEC", (sandbox.path() / "no-such-cmd.exe").string());
  const Outcome outcome = RunProbe();
  EXPECT_EQ(outcome.error.number, error_number::kFileNotFound);
  EXPECT_NE(ToUtf8(outcome.error.description).find("no-such-cmd.exe"), std::string::npos);
  ExpectNothingWritten();
}

TEST_F(HostileEnvironmentTest, HungInterpreterIsEndedAtTheTimeLimit) {
  const fs::path pid_file = outside / "pid";
  const fs::path script =
      WriteScript(outside / "hang", "echo $$ >" + pid_file.string() + "\nexec sleep 600\n");
  before = Picture(sandbox.path());
  ScopedVariable hanging("COMSPEC", script.string());
  seam::ScopedFake short_wait{&platform::WaitForProcess, &ShortWait};

  const auto start = std::chrono::steady_clock::now();
  const Outcome outcome = RunProbe();
  EXPECT_EQ(outcome.error.number, kTimeout);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  const pid_t hung = std::stoi(ReadFileBytes(pid_file));
  EXPECT_EQ(::kill(hung, 0), -1) << "the hung interpreter is still there";
  fs::remove(pid_file);
  ExpectNothingWritten();
}

// The interpreter takes the target after ">" from its one argument and
// fills it with 100 MB of lines, the address only at the very end.
TEST_F(HostileEnvironmentTest, HundredMegabyteListingIsReadToItsEndAndDeleted) {
  const fs::path script =
      WriteScript(outside / "flood",
                  "target=${1##*>}\n"
                  "yes '   Noise . . . . . . . . . . : x' | head -n 2800000 | sed 's/$/\\r/' >\"$target\"\n"
                  "printf '   Physical Address. . . . : 00-1A-2B-3C-4D-5E\\r\\n' >>\"$target\"\n");
  before = Picture(sandbox.path());
  ScopedVariable flooding("COMSPEC", script.string());
  const Outcome outcome = RunProbe();
  EXPECT_EQ(outcome.error.number, 0) << ToUtf8(outcome.error.description);
  EXPECT_EQ(outcome.result, u"001A2B3C4D5E");
  ExpectNothingWritten();
}

// ---- ipconfig.tmp placed beforehand ----

struct PlacedCase {
  const char* name;
  std::function<void(const fs::path& listing, const fs::path& protected_file)> place;
  bool needs_root;
  const char* says = "";  // besides the listing's name
};

class PlacedListingTest : public HostileEnvironmentTest, public ::testing::WithParamInterface<PlacedCase> {};

// The interpreter refuses to write through such a name, and the probe refuses
// to read it: whatever it holds is no listing of this run.
TEST_P(PlacedListingTest, IsNeitherWrittenNorBelievedNorRemoved) {
  if (GetParam().needs_root && ::geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
  GetParam().place(listing, protected_file);
  before = Picture(sandbox.path());
  const Outcome outcome = RunProbe();
  EXPECT_EQ(outcome.error.number, error_number::kPathFileAccess) << ToUtf8(outcome.result);
  EXPECT_NE(ToUtf8(outcome.error.description).find("ipconfig.tmp"), std::string::npos);
  EXPECT_NE(ToUtf8(outcome.error.description).find(GetParam().says), std::string::npos)
      << ToUtf8(outcome.error.description);
  ExpectNothingWritten();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlacedListingTest,
    ::testing::Values(
        PlacedCase{"SymbolicLink", [](const fs::path& l, const fs::path& p) { fs::create_symlink(p, l); },
                   false},
        PlacedCase{"HardLink", [](const fs::path& l, const fs::path& p) { fs::create_hard_link(p, l); },
                   false},
        PlacedCase{"Folder", [](const fs::path& l, const fs::path&) { fs::create_directory(l); }, false},
        PlacedCase{"Fifo", [](const fs::path& l, const fs::path&) { ::mkfifo(l.c_str(), 0600); }, false},
        PlacedCase{"FileOfAnotherUser",
                   [](const fs::path& l, const fs::path&) {
                     WriteFileBytes(l, kProtectedText);
                     if (::chown(l.c_str(), kNobody, kNobody) != 0) throw std::runtime_error("chown");
                   },
                   true,
                   "belongs to the user nobody (uid 65534): remove it, or set TEMP to a folder of your own"}),
    [](const auto& info) { return std::string(info.param.name); });

// A stale listing of this user's own, with one name, is simply overwritten.
TEST_F(HostileEnvironmentTest, StaleListingOfOurOwnIsReplaced) {
  WriteFileBytes(listing, kProtectedText);
  ExpectOrdinaryAnswer(RunProbe());
  EXPECT_FALSE(fs::exists(listing));
}

}  // namespace
}  // namespace adreca
