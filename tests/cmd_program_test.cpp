// The Linux command interpreter (adreca-cmd) run as a program, the way the
// ipconfig probe starts it: the whole command line after the program's name
// arrives as one argument.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/rtnetlink_snapshot.h"
#include "platform/standin/adapter_snapshot.h"
#include "platform/standin/ipconfig_listing.h"
#include "tests/support/netns.h"

extern char** environ;

namespace adreca::platform::standin {
namespace {

using ::adreca::platform::ReadAdapterSnapshot;

constexpr std::string_view kUnknownCommand =
    "'ipconfg' is not recognized as an internal or external command,\r\noperable program or batch file.\r\n";

// All executables of a build are put in one folder.
std::string InterpreterPath() {
  return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "adreca-cmd").string();
}

struct RunResult {
  int exit_code = -1;
  std::string output;
  std::string errors;
};

std::string ReadFile(const std::filesystem::path& path);

// Runs the interpreter with `arguments` from the calling thread (and so in its
// network namespace), its output streams going to files in `folder`.
RunResult RunInterpreter(const std::vector<std::string>& arguments, const std::filesystem::path& folder) {
  const std::string program = InterpreterPath();
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  const std::string output = (folder / "stdout").string();
  const std::string errors = (folder / "stderr").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  pid_t child = 0;
  const int spawned = ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + program + ": " + std::strerror(spawned));
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(output), ReadFile(errors)};
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Every line break is CR LF, and nothing else holds a CR or LF.
bool HasOnlyCrLfLineEnds(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return true;
}

std::vector<std::string> PhysicalAddressLines(std::string_view listing) {
  constexpr std::string_view kLabel = "   Physical Address. . . . . . . . . : ";
  std::vector<std::string> lines;
  for (std::size_t at = listing.find(kLabel); at != std::string_view::npos;
       at = listing.find(kLabel, at + 1)) {
    const std::size_t start = at + kLabel.size();
    lines.emplace_back(listing.substr(start, listing.find("\r\n", start) - start));
  }
  return lines;
}

// The physical addresses that the listing should show for `snapshot`.
std::vector<std::string> ExpectedPhysicalAddresses(const AdapterSnapshot& snapshot) {
  std::vector<std::string> addresses;
  for (const Adapter& adapter : snapshot.adapters) {
    if (adapter.IsLoopback()) continue;
    std::string text;
    for (const std::uint8_t byte : adapter.hardware_address) {
      char group[4];
      std::snprintf(group, sizeof group, text.empty() ? "%02X" : "-%02X", byte);
      text += group;
    }
    addresses.push_back(text.empty() ? "00-00-00-00-00-00-00-E0" : text);
  }
  return addresses;
}

class InterpreterProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(InterpreterPath())) << InterpreterPath();
    // A blank in the folder's name, as a Windows user's TEMP often has.
    std::string pattern = (std::filesystem::temp_directory_path() / "adreca cmd XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
    folder_ = pattern;
    target_ = folder_ / "ipconfig.tmp";
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  RunResult Run(const std::vector<std::string>& arguments) const {
    return RunInterpreter(arguments, folder_);
  }
  RunResult Run(const std::string& command_line) const { return Run(std::vector<std::string>{command_line}); }

  // The probe's command line, with the target quoted.
  RunResult RunRedirected(std::string_view command) const {
    return Run("/C " + std::string(command) + " >\"" + target_.string() + "\"");
  }

  std::filesystem::path folder_;
  std::filesystem::path target_;
};

TEST_F(InterpreterProgramTest, WritesTheListingOfTheRealAdaptersIntoAQuotedPathWithBlanks) {
  const RunResult run = RunRedirected("ipconfig /all");
  const AdapterSnapshot snapshot = ReadAdapterSnapshot();
  ASSERT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_EQ(run.output, "");
  EXPECT_EQ(run.errors, "");
  const std::string listing = ReadFile(target_);
  EXPECT_TRUE(listing.starts_with("\r\nWindows IP Configuration\r\n\r\n")) << listing;
  EXPECT_TRUE(HasOnlyCrLfLineEnds(listing)) << listing;
  EXPECT_EQ(PhysicalAddressLines(listing), ExpectedPhysicalAddresses(snapshot)) << listing;
}

TEST_F(InterpreterProgramTest, WithoutRedirectionTheListingGoesToStandardOutput) {
  const RunResult run = Run("/c IPCONFIG -all");
  ASSERT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_EQ(PhysicalAddressLines(run.output), ExpectedPhysicalAddresses(ReadAdapterSnapshot())) << run.output;
}

TEST_F(InterpreterProgramTest, ArgumentsSplitByAShellAreJoinedAgain) {
  const RunResult run = Run({"/C", "ipconfig", "/all", ">\"" + target_.string() + "\""});
  ASSERT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_TRUE(ReadFile(target_).starts_with("\r\nWindows IP Configuration\r\n")) << ReadFile(target_);
}

TEST_F(InterpreterProgramTest, UnknownCommandFailsAfterTheTargetWasEmptied) {
  std::ofstream(target_, std::ios::binary) << "listing of an earlier run";
  const RunResult run = RunRedirected("ipconfg /all");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.errors, kUnknownCommand);
  ASSERT_TRUE(std::filesystem::is_regular_file(target_));
  EXPECT_EQ(std::filesystem::file_size(target_), 0u);
}

struct FailureCase {
  const char* label;
  std::string command_line;
  std::string error_start;
  bool target_created;
};

TEST_F(InterpreterProgramTest, FailuresExitWithOneAndSayWhy) {
  const std::string target = "\"" + target_.string() + "\"";
  const std::filesystem::path victim = folder_ / "victim";
  std::ofstream(victim, std::ios::binary) << "precious";
  const std::string link = "\"" + (folder_ / "link").string() + "\"";
  std::filesystem::create_symlink(victim, folder_ / "link");
  const FailureCase cases[] = {
      {"no /C switch", "/K ipconfig /all >" + target, "Usage: adreca-cmd /C", false},
      {"no command line at all", "", "Usage: adreca-cmd /C", false},
      {"missing target", "/C ipconfig /all >", "The syntax of the command is incorrect.\r\n", false},
      {"pipe", "/C ipconfig /all | more", "adreca-cmd: pipes", false},
      {"other ipconfig switch", "/C ipconfig /renew >" + target, "Error: unrecognized or incomplete", true},
      {"symbolic link", "/C ipconfig /all >" + link, "Cannot write the command's output to " + link, false},
  };
  for (const FailureCase& test_case : cases) {
    SCOPED_TRACE(test_case.label);
    std::filesystem::remove(target_);
    const RunResult run = Run(test_case.command_line);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_TRUE(run.errors.starts_with(test_case.error_start)) << run.errors;
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(std::filesystem::exists(target_), test_case.target_created);
  }
  EXPECT_EQ(ReadFile(victim), "precious");
}

// In a namespace of known adapters, the listing the program writes is the
// listing of that namespace, down to the byte.
TEST_F(InterpreterProgramTest, ListsTheAdaptersOfItsNetworkNamespace) {
  ADRECA_SKIP_WITHOUT_NETNS();
  testing::TestNamespace netns;
  netns.AddVeth("eth7", "02:1a:2b:3c:4d:5e", {"192.0.2.10/24"});
  netns.AddVeth("eth8", "02:00:00:00:00:08", {"198.51.100.8/24"}, false);
  netns.AddTun("tun0");
  const auto inside = netns.Enter();
  const RunResult run = RunRedirected("ipconfig /all");
  const std::string expected = IpconfigAllListing(ReadAdapterSnapshot());
  ASSERT_EQ(run.exit_code, 0) << run.errors;
  const std::string listing = ReadFile(target_);
  EXPECT_EQ(listing, expected);
  EXPECT_EQ(PhysicalAddressLines(listing),
            (std::vector<std::string>{"02-1A-2B-3C-4D-5E", "02-00-00-00-00-08", "00-00-00-00-00-00-00-E0"}));
  EXPECT_NE(listing.find("IPv4 Address. . . . . . . . . . . : 192.0.2.10(Preferred)\r\n"), std::string::npos);
  EXPECT_EQ(listing.find("198.51.100.8"), std::string::npos) << "a down interface shows no addresses";
  EXPECT_NE(listing.find("Tunnel adapter tun0:\r\n"), std::string::npos) << listing;
}

}  // namespace
}  // namespace adreca::platform::standin
