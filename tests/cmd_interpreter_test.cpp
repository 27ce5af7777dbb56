// The pure parts of the Linux command interpreter (adreca-cmd): its command
// line, the ipconfig /all listing, and the safe creation of the file that the
// listing is redirected into.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/standin/adapter_snapshot.h"
#include "platform/standin/interpreter_command_line.h"
#include "platform/standin/ipconfig_listing.h"
#include "platform/standin/redirection_target.h"
#include "tests/support/adapters.h"

namespace adreca::platform::standin {
namespace {

using testing::kUpWithCarrier;
using testing::MakeAdapter;
using platform::standin::LinkType;
using testing::kLoopbackUp;
using testing::kUpWithoutCarrier;
using testing::kDown;

using Words = std::vector<std::string>;

// ---- Command line ----

struct ParseCase {
  const char* label;
  std::string_view text;
  Words words;
  std::optional<std::string> target;
};

TEST(InterpreterCommandLineTest, SplitsTheCommandFromItsRedirection) {
  const ParseCase cases[] = {
      {"the probe's own line",
       "/C ipconfig /all >/tmp/ipconfig.tmp",
       {"ipconfig", "/all"},
       "/tmp/ipconfig.tmp"},
      {"lower-case switch", "/c ipconfig /all >x.tmp", {"ipconfig", "/all"}, "x.tmp"},
      {"blank after >", "/C ipconfig /all >  /tmp/x", {"ipconfig", "/all"}, "/tmp/x"},
      {"quoted target with blanks",
       "/C ipconfig /all >\"/tmp/a b/ipconfig.tmp\"",
       {"ipconfig", "/all"},
       "/tmp/a b/ipconfig.tmp"},
      {"quotes inside the target", "/C ipconfig /all >/tmp/\"a b\"/x", {"ipconfig", "/all"}, "/tmp/a b/x"},
      {"quoted operator in the target", "/C ipconfig /all >\"a>b|c\"", {"ipconfig", "/all"}, "a>b|c"},
      {"unquoted target ends at a blank", "/C ipconfig /all >/tmp/a b", {"ipconfig", "/all", "b"}, "/tmp/a"},
      {"handle 1", "/C ipconfig /all 1>/tmp/x", {"ipconfig", "/all"}, "/tmp/x"},
      {"redirection first", "/C >x ipconfig /all", {"ipconfig", "/all"}, "x"},
      {"redirection attached to a word", "/C ipconfig /all>x", {"ipconfig", "/all"}, "x"},
      {"digit ending a word is no handle", "/C echo a1>x", {"echo", "a1"}, "x"},
      {"no redirection", "/C ipconfig /all", {"ipconfig", "/all"}, std::nullopt},
      {"blanks and tabs around", " \t/C\tipconfig   /all \t", {"ipconfig", "/all"}, std::nullopt},
      {"whole command quoted", "/C \"ipconfig /all\" >x", {"ipconfig", "/all"}, "x"},
      {"unknown command name", "/C ipconfg /all >x", {"ipconfg", "/all"}, "x"},
      {"nothing after the switch", "/C", {}, std::nullopt},
      {"only a redirection", "/C >x", {}, "x"},
  };
  for (const ParseCase& test_case : cases) {
    SCOPED_TRACE(test_case.label);
    const InterpreterCommandLine line = ParseInterpreterCommandLine(test_case.text);
    EXPECT_EQ(line.error, CommandLineError::kNone);
    EXPECT_EQ(line.words, test_case.words);
    EXPECT_EQ(line.output_target, test_case.target);
  }
}

struct ParseErrorCase {
  const char* label;
  std::string_view text;
  CommandLineError error;
};

TEST(InterpreterCommandLineTest, RefusesWhatItCannotRunFaithfully) {
  const ParseErrorCase cases[] = {
      {"empty line", "", CommandLineError::kNoCommandSwitch},
      {"no switch", "ipconfig /all >x", CommandLineError::kNoCommandSwitch},
      {"another switch", "/K ipconfig /all", CommandLineError::kNoCommandSwitch},
      {"switch glued to the command", "/Cipconfig /all", CommandLineError::kNoCommandSwitch},
      {"target missing at the end", "/C ipconfig /all >", CommandLineError::kMissingTarget},
      {"target missing before blanks", "/C ipconfig /all >   ", CommandLineError::kMissingTarget},
      {"empty quoted target", "/C ipconfig /all >\"\"", CommandLineError::kMissingTarget},
      {"operator instead of a target", "/C ipconfig /all > |x", CommandLineError::kMissingTarget},
      {"two targets", "/C ipconfig /all >a >b", CommandLineError::kSeveralTargets},
      {"appending", "/C ipconfig /all >>x", CommandLineError::kUnsupportedOperator},
      {"error stream", "/C ipconfig /all 2>x", CommandLineError::kUnsupportedOperator},
      {"handle duplication", "/C ipconfig /all 1>&2", CommandLineError::kUnsupportedOperator},
      {"pipe", "/C ipconfig /all | more", CommandLineError::kUnsupportedOperator},
      {"command chain", "/C ipconfig /all & del x", CommandLineError::kUnsupportedOperator},
  };
  for (const ParseErrorCase& test_case : cases) {
    SCOPED_TRACE(test_case.label);
    EXPECT_EQ(ParseInterpreterCommandLine(test_case.text).error, test_case.error);
  }
}

TEST(InterpreterCommandLineTest, KnowsOnlyIpconfigAll) {
  const std::pair<Words, CommandKind> cases[] = {
      {{}, CommandKind::kNone},
      {{"ipconfig", "/all"}, CommandKind::kIpconfigAll},
      {{"IpConfig.EXE", "-all"}, CommandKind::kIpconfigAll},
      {{"ipconfig"}, CommandKind::kIpconfigOther},
      {{"ipconfig", "/renew"}, CommandKind::kIpconfigOther},
      {{"ipconfig", "/all", "/all"}, CommandKind::kIpconfigOther},
      {{"ipconfigx", "/all"}, CommandKind::kUnknown},
      {{"cmd"}, CommandKind::kUnknown},
  };
  for (const auto& [words, kind] : cases) {
    SCOPED_TRACE(::testing::PrintToString(words));
    EXPECT_EQ(ClassifyCommand(words), kind);
  }
}

// ---- Listing ----

AdapterSnapshot HandMadeSnapshot() {
  AdapterSnapshot snapshot;
  snapshot.host_name = "testhost.example.org";
  snapshot.dns_servers = {"192.0.2.53", "2001:db8::53"};

  Adapter loopback = MakeAdapter(1, "lo", {0, 0, 0, 0, 0, 0}, LinkType::kLoopback, kLoopbackUp);
  loopback.ipv4 = {{{127, 0, 0, 1}, 8}};

  Adapter eth0 = MakeAdapter(2, "eth0", {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}, LinkType::kEthernet, kUpWithCarrier);
  // The kernel's order puts the link-local address first; Windows lists it after the others.
  eth0.ipv6 = {{{0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0x02, 0x1a, 0x2b, 0xff, 0xfe, 0x3c, 0x4d, 0x5e}, 64},
               {{0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10}, 64}};
  eth0.ipv4 = {{{192, 0, 2, 10}, 24}, {{198, 51, 100, 7}, 25}};
  eth0.ipv4_gateways = {{192, 0, 2, 1}};
  eth0.ipv6_gateways = {{0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01}};

  // Down: its addresses are not listed.
  Adapter eth1 = MakeAdapter(3, "eth1", {0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f}, LinkType::kEthernet, kDown);
  eth1.ipv4 = {{{203, 0, 113, 9}, 24}};

  // Up, but nothing on the far end: no carrier, as Windows shows a cable unplugged.
  Adapter eth2 = MakeAdapter(4, "eth2", {0x02, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f}, LinkType::kEthernet, kUpWithoutCarrier);
  eth2.ipv4 = {{{203, 0, 113, 10}, 24}};

  Adapter tun0 = MakeAdapter(5, "tun0", {}, LinkType::kNone, kUpWithCarrier);
  tun0.ipv6 = {{{0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x05}, 128}};

  // Interface names may hold any byte but '/', ':' and white space.
  std::vector<std::uint8_t> infiniband(20);
  for (std::size_t i = 0; i < infiniband.size(); ++i) infiniband[i] = static_cast<std::uint8_t>(0xa0 + i);
  Adapter ib = MakeAdapter(7, "ib\xc3\xa9", infiniband, LinkType::kInfiniband, kDown);

  snapshot.adapters = {loopback, eth0, eth1, eth2, tun0, ib};
  return snapshot;
}

constexpr std::string_view kHandMadeListing =
    "\r\n"
    "Windows IP Configuration\r\n"
    "\r\n"
    "   Host Name . . . . . . . . . . . . : testhost\r\n"
    "   Primary Dns Suffix  . . . . . . . : example.org\r\n"
    "   Node Type . . . . . . . . . . . . : Hybrid\r\n"
    "   IP Routing Enabled. . . . . . . . : No\r\n"
    "   WINS Proxy Enabled. . . . . . . . : No\r\n"
    "\r\n"
    "Ethernet adapter eth0:\r\n"
    "\r\n"
    "   Connection-specific DNS Suffix  . : \r\n"
    "   Description . . . . . . . . . . . : eth0\r\n"
    "   Physical Address. . . . . . . . . : 00-1A-2B-3C-4D-5E\r\n"
    "   DHCP Enabled. . . . . . . . . . . : No\r\n"
    "   Autoconfiguration Enabled . . . . : Yes\r\n"
    "   IPv6 Address. . . . . . . . . . . : 2001:db8::10(Preferred)\r\n"
    "   Link-local IPv6 Address . . . . . : fe80::21a:2bff:fe3c:4d5e%2(Preferred)\r\n"
    "   IPv4 Address. . . . . . . . . . . : 192.0.2.10(Preferred)\r\n"
    "   Subnet Mask . . . . . . . . . . . : 255.255.255.0\r\n"
    "   IPv4 Address. . . . . . . . . . . : 198.51.100.7(Preferred)\r\n"
    "   Subnet Mask . . . . . . . . . . . : 255.255.255.128\r\n"
    "   Default Gateway . . . . . . . . . : fe80::1%2\r\n"
    "                                       192.0.2.1\r\n"
    "   DNS Servers . . . . . . . . . . . : 192.0.2.53\r\n"
    "                                       2001:db8::53\r\n"
    "   NetBIOS over Tcpip. . . . . . . . : Enabled\r\n"
    "\r\n"
    "Ethernet adapter eth1:\r\n"
    "\r\n"
    "   Media State . . . . . . . . . . . : Media disconnected\r\n"
    "   Connection-specific DNS Suffix  . : \r\n"
    "   Description . . . . . . . . . . . : eth1\r\n"
    "   Physical Address. . . . . . . . . : 0A-0B-0C-0D-0E-0F\r\n"
    "   DHCP Enabled. . . . . . . . . . . : No\r\n"
    "   Autoconfiguration Enabled . . . . : Yes\r\n"
    "\r\n"
    "Ethernet adapter eth2:\r\n"
    "\r\n"
    "   Media State . . . . . . . . . . . : Media disconnected\r\n"
    "   Connection-specific DNS Suffix  . : \r\n"
    "   Description . . . . . . . . . . . : eth2\r\n"
    "   Physical Address. . . . . . . . . : 02-0B-0C-0D-0E-0F\r\n"
    "   DHCP Enabled. . . . . . . . . . . : No\r\n"
    "   Autoconfiguration Enabled . . . . : Yes\r\n"
    "\r\n"
    "Tunnel adapter tun0:\r\n"
    "\r\n"
    "   Connection-specific DNS Suffix  . : \r\n"
    "   Description . . . . . . . . . . . : tun0\r\n"
    "   Physical Address. . . . . . . . . : 00-00-00-00-00-00-00-E0\r\n"
    "   DHCP Enabled. . . . . . . . . . . : No\r\n"
    "   Autoconfiguration Enabled . . . . : Yes\r\n"
    "   IPv6 Address. . . . . . . . . . . : 2001:db8::5(Preferred)\r\n"
    "   Default Gateway . . . . . . . . . : \r\n"
    "   DNS Servers . . . . . . . . . . . : 192.0.2.53\r\n"
    "                                       2001:db8::53\r\n"
    "   NetBIOS over Tcpip. . . . . . . . : Disabled\r\n"
    "\r\n"
    "Ethernet adapter ib??:\r\n"
    "\r\n"
    "   Media State . . . . . . . . . . . : Media disconnected\r\n"
    "   Connection-specific DNS Suffix  . : \r\n"
    "   Description . . . . . . . . . . . : ib??\r\n"
    "   Physical Address. . . . . . . . . : "
    "A0-A1-A2-A3-A4-A5-A6-A7-A8-A9-AA-AB-AC-AD-AE-AF-B0-B1-B2-B3\r\n"
    "   DHCP Enabled. . . . . . . . . . . : No\r\n"
    "   Autoconfiguration Enabled . . . . : Yes\r\n";

TEST(IpconfigListingTest, MatchesTheWindowsShapeExactly) {
  EXPECT_EQ(IpconfigAllListing(HandMadeSnapshot()), kHandMadeListing);
}

TEST(IpconfigListingTest, SubnetMasksCoverEveryPrefixLength) {
  Adapter adapter = MakeAdapter(2, "eth0", {2, 0, 0, 0, 0, 1});
  const std::pair<std::uint8_t, std::string_view> cases[] = {{0, "0.0.0.0"},
                                                             {1, "128.0.0.0"},
                                                             {23, "255.255.254.0"},
                                                             {31, "255.255.255.254"},
                                                             {32, "255.255.255.255"}};
  for (const auto& [prefix, mask] : cases) adapter.ipv4.push_back({{192, 0, 2, prefix}, prefix});
  AdapterSnapshot snapshot;
  snapshot.adapters = {adapter};
  const std::string listing = IpconfigAllListing(snapshot);
  std::size_t from = 0;
  for (const auto& [prefix, mask] : cases) {
    const std::string line = "   Subnet Mask . . . . . . . . . . . : " + std::string(mask) + "\r\n";
    const std::size_t found = listing.find(line, from);
    ASSERT_NE(found, std::string::npos) << "prefix " << int{prefix} << "\n" << listing;
    from = found + line.size();
  }
}

// ---- Redirection target ----

class RedirectionTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "adreca-redirect-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
    folder_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  std::string PathOf(std::string_view name) const { return (folder_ / name).string(); }

  static void WriteFile(const std::string& path, std::string_view content) {
    std::ofstream(path, std::ios::binary) << content;
  }

  static std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }

  // Expects Open to refuse `path` with a message that names it and gives `reason`.
  static void ExpectRefused(const std::string& path, std::string_view reason) {
    try {
      RedirectionTarget::Open(path);
      ADD_FAILURE() << path << " was opened";
    } catch (const RedirectionError& refused) {
      const std::string message = refused.what();
      EXPECT_NE(message.find('"' + path + '"'), std::string::npos) << message;
      EXPECT_NE(message.find(reason), std::string::npos) << message;
    }
  }

  std::filesystem::path folder_;
};

// A file whose content and modification time must survive a refused redirection.
struct Untouchable {
  explicit Untouchable(const std::string& path) : path(path) {
    std::ofstream(path, std::ios::binary) << "precious";
    const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
  }
  void ExpectUnchanged() const {
    std::ifstream file(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()),
              "precious");
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mtim.tv_sec, 1000000000);
  }
  std::string path;
};

TEST_F(RedirectionTargetTest, CreatesAMissingFilePrivately) {
  const std::string path = PathOf("ipconfig.tmp");
  RedirectionTarget target = RedirectionTarget::Open(path);
  target.Write("listing\r\n");
  target.Close();
  EXPECT_EQ(ReadFile(path), "listing\r\n");
  struct stat status {};
  ASSERT_EQ(::stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0077, 0u) << std::oct << status.st_mode;
}

TEST_F(RedirectionTargetTest, EmptiesAnExistingFileBeforeWriting) {
  const std::string path = PathOf("ipconfig.tmp");
  WriteFile(path, "an older and much longer listing");
  RedirectionTarget target = RedirectionTarget::Open(path);
  target.Write("new");
  target.Close();
  EXPECT_EQ(ReadFile(path), "new");
}

TEST_F(RedirectionTargetTest, SymbolicLinkIsRefusedAndItsTargetUntouched) {
  const Untouchable victim(PathOf("victim"));
  const std::string link = PathOf("ipconfig.tmp");
  ASSERT_EQ(::symlink(victim.path.c_str(), link.c_str()), 0);
  ExpectRefused(link, "symbolic link");
  victim.ExpectUnchanged();
}

TEST_F(RedirectionTargetTest, DanglingSymbolicLinkCreatesNothing) {
  const std::string link = PathOf("ipconfig.tmp");
  const std::string missing = PathOf("created-through-the-link");
  ASSERT_EQ(::symlink(missing.c_str(), link.c_str()), 0);
  ExpectRefused(link, "symbolic link");
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(RedirectionTargetTest, HardLinkedFileIsRefusedUnchanged) {
  const Untouchable victim(PathOf("victim"));
  const std::string second_name = PathOf("ipconfig.tmp");
  ASSERT_EQ(::link(victim.path.c_str(), second_name.c_str()), 0);
  ExpectRefused(second_name, "hard links");
  victim.ExpectUnchanged();
}

TEST_F(RedirectionTargetTest, FolderIsRefused) {
  const std::string path = PathOf("ipconfig.tmp");
  std::filesystem::create_directory(path);
  ExpectRefused(path, "folder");
  EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST_F(RedirectionTargetTest, FifoIsRefusedWithoutWaitingForAReader) {
  const std::string path = PathOf("ipconfig.tmp");
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  ExpectRefused(path, "not a regular file");

  // With a reader present the open succeeds; the check on the open file refuses it.
  const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ExpectRefused(path, "not a regular file");
  ::close(reader);
}

TEST_F(RedirectionTargetTest, FileOfAnotherUserIsRefusedUnchanged) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
  const Untouchable victim(PathOf("ipconfig.tmp"));
  constexpr uid_t kNobody = 65534;
  ASSERT_EQ(::chown(victim.path.c_str(), kNobody, kNobody), 0) << std::strerror(errno);
  ExpectRefused(victim.path, "another user");
  victim.ExpectUnchanged();
}

TEST_F(RedirectionTargetTest, MissingFolderGivesTheInterpretersMessage) {
  for (const std::string& path : {PathOf("missing/ipconfig.tmp"), PathOf("file/ipconfig.tmp")}) {
    SCOPED_TRACE(path);
    WriteFile(PathOf("file"), "");
    try {
      RedirectionTarget::Open(path);
      ADD_FAILURE() << "opened";
    } catch (const RedirectionError& refused) {
      EXPECT_STREQ(refused.what(), "The system cannot find the path specified.\r\n");
    }
  }
}

}  // namespace
}  // namespace adreca::platform::standin
