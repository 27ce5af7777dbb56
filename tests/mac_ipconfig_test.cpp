#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/text.h"
#include "platform/environment.h"
#include "platform/process.h"
#include "platform/seam.h"
#include "probes/listing_scan.h"
#include "probes/probes.h"
#include "tests/support/temp_folder.h"

namespace adreca {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::WriteFileBytes;

// A scripted command interpreter: records the command line and, like the
// redirection would, writes the listing into the file named after ">".
struct FakeInterpreter {
  std::optional<std::string> listing = std::string();
  std::vector<std::u16string> command_lines;
  std::vector<std::int32_t> waits;
  int abandoned = 0;
};
FakeInterpreter* interpreter = nullptr;

fs::path RedirectionTarget(const std::u16string& command_line) {
  std::string target = ToUtf8(command_line.substr(command_line.rfind(u'>') + 1));
  if (target.size() >= 2 && target.front() == '"' && target.back() == '"')
    target = target.substr(1, target.size() - 2);
  return target;
}

platform::ProcessHandle FakeStart(const std::u16string& command_line, int show_window) {
  EXPECT_EQ(show_window, 2);
  interpreter->command_lines.push_back(command_line);
  if (interpreter->listing) WriteFileBytes(RedirectionTarget(command_line), *interpreter->listing);
  return 4242;
}
platform::ExitStatus FakeWait(platform::ProcessHandle handle, std::int32_t timeout) {
  EXPECT_EQ(handle, 4242);
  interpreter->waits.push_back(timeout);
  return {};
}
void FakeAbandon(platform::ProcessHandle) { ++interpreter->abandoned; }
// The environment as the probe sees it: only COMSPEC is set.
std::u16string FakeComspec(std::u16string_view name) { return name == u"COMSPEC" ? u"/opt/cmd.exe" : u""; }
platform::ProcessHandle FailingStart(const std::u16string& command_line, int) {
  RaiseFileNotFound(command_line);
}

class MacIpConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    interpreter = &fake;
    TempDir = folder.WithSeparator();
  }
  void TearDown() override { interpreter = nullptr; }

  fs::path ListingPath() const { return folder.path() / "ipconfig.tmp"; }

  std::u16string Run(std::optional<std::string> listing) {
    fake.listing = std::move(listing);
    return MacIpConfig();
  }

  int ErrorNumber(std::optional<std::string> listing) {
    try {
      Run(std::move(listing));
    } catch (const Error& error) {
      return error.number();
    }
    return 0;
  }

  FakeInterpreter fake;
  TempFolder folder{"adreca ipconfig"};  // with a blank, as some TEMP folders have
  seam::ScopedFake<decltype(platform::StartProcess)> start{&platform::StartProcess, &FakeStart};
  seam::ScopedFake<decltype(platform::WaitForProcess)> wait{&platform::WaitForProcess, &FakeWait};
  seam::ScopedFake<decltype(platform::AbandonProcess)> abandon{&platform::AbandonProcess, &FakeAbandon};
};

struct ListingCase {
  const char* name;
  std::string listing;
  std::u16string result;
};

class ListingScanTest : public MacIpConfigTest, public ::testing::WithParamInterface<ListingCase> {};

TEST_P(ListingScanTest, ReturnsTheFirstAcceptedElseTheLastCandidate) {
  EXPECT_EQ(Run(GetParam().listing), GetParam().result);
  EXPECT_FALSE(fs::exists(ListingPath()));
}

const std::string kDhcpv6 = "   DHCPv6 Client DUID. . . : 00-01-00-01-1A-2B-3C-4D-00-11-22-33-44-55\r\n";
const std::string kTunnel = "   Physical Address. . . . : 00-00-00-00-00-00-00-E0\r\n";

const std::string kZeros = "   Physical Address. . . . : 00-00-00-00-00-00\r\n";

INSTANTIATE_TEST_SUITE_P(
    Listings, ListingScanTest,
    ::testing::Values(
        ListingCase{"Address", "Ethernet adapter eth0:\r\n   Physical Address. : 00-1A-2B-3C-4D-5E\r\n",
                    u"001A2B3C4D5E"},
        ListingCase{"LowerCaseKept", "   Physical Address. : 00-1a-2b-3c-4d-5e\r\n", u"001a2b3c4d5e"},
        ListingCase{"HyphenRunIsNoCandidate", std::string(20, '-') + "\r\n", u""},
        ListingCase{"EightByteTunnelAddressIsNoCandidate", kTunnel, u""},
        ListingCase{"TunnelThenAdapter", kTunnel + "   Physical Address. : 0A-1B-2C-3D-4E-5F\r\n",
                    u"0A1B2C3D4E5F"},
        ListingCase{"AcceptedAddressStopsBeforeDhcpv6", "Physical: 00-1A-2B-3C-4D-5E\r\n" + kDhcpv6,
                    u"001A2B3C4D5E"},
        ListingCase{"Dhcpv6IdentifierIsNoCandidate", kDhcpv6 + "Physical: 00-1A-2B-3C-4D-5E\r\n",
                    u"001A2B3C4D5E"},
        ListingCase{"UuidHostNameIsNoCandidate",
                    "   Host Name . . . : 3f2a1b4c-5d6e-7f80-9a1b-2c3d4e5f6a7b\r\n" + kZeros,
                    u"000000000000"},
        ListingCase{"AddressWithinALongerRunIsNoCandidate",
                    "0-00-1A-2B-3C-4D-5E 00-1A-2B-3C-4D-5E-6F AB00-1A-2B-3C-4D-5E\r\n", u""},
        ListingCase{"ALongerRunIsSkippedForALaterAddress", "a 00-1A-2B-3C-4D-5E-6F b 0A-0B-0C-0D-0E-0F\r\n",
                    u"0A0B0C0D0E0F"},
        ListingCase{"OnlyTheFirstRunOfALineCounts", "00-00-00-00-00-00 00-1A-2B-3C-4D-5E\r\n",
                    u"000000000000"},
        ListingCase{"SixteenThenSeventeenInOneLine", "0123456789ABCDEF x 00-1A-2B-3C-4D-5E\r\n",
                    u"001A2B3C4D5E"},
        ListingCase{"AddressSplitOverTwoLines", "00-1A-2B-3C-4\r\nD-5E\r\n", u""},
        ListingCase{"SeventeenDigitsAreNoAddress", "12345678901234567\r\n", u""},
        ListingCase{"MisplacedHyphensAreNoAddress", "001-A2-B3C-4D-5E6\r\n0-01A-2B-3C-4D-5E\r\n", u""},
        ListingCase{"HyphenBeforeAnAddressMakesALongerRun", "-00-11-22-33-44-55\r\n", u""},
        ListingCase{"EmptyListing", "", u""},
        ListingCase{"NoRunAnywhere", "Windows IP Configuration\r\n\r\n   Host Name . : pc\r\n", u""},
        ListingCase{"LastRejectedCandidateKeptAcrossLines", kZeros + "no address here\r\n", u"000000000000"},
        ListingCase{"LastLineWithoutBreak", "header\r\n00-1A-2B-3C-4D-5E", u"001A2B3C4D5E"},
        ListingCase{"CarriageReturnsAloneEndLines", "a\r00-00-00-00-00-00\r00-1A-2B-3C-4D-5E",
                    u"001A2B3C4D5E"},
        ListingCase{"LoneLineFeedIsPartOfTheLine", "00-00-00-00-00-00\n00-1A-2B-3C-4D-5E\r\n",
                    u"000000000000"},
        ListingCase{"LineFeedsOnlyMakeOneLine", "x\n00-1A-2B-3C-4D-5E\n", u"001A2B3C4D5E"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MacIpConfigTest, CommandLineNamesTheInterpreterAndQuotesATargetWithBlanks) {
  seam::ScopedFake comspec{&platform::GetEnvironmentVariable, &FakeComspec};
  Run("00-1A-2B-3C-4D-5E\r\n");
  ASSERT_EQ(fake.command_lines.size(), 1u);
  EXPECT_EQ(fake.command_lines[0],
            u"\"/opt/cmd.exe\" /C ipconfig /all >\"" + folder.WithSeparator() + u"ipconfig.tmp\"");
  EXPECT_EQ(fake.waits, std::vector<std::int32_t>{60000});
  EXPECT_EQ(fake.abandoned, 0);
}

TEST_F(MacIpConfigTest, ATargetWithoutBlanksIsPassedAsItIs) {
  TempFolder plain("adreca-plain");
  TempDir = plain.WithSeparator();
  Run("00-1A-2B-3C-4D-5E\r\n");
  ASSERT_EQ(fake.command_lines.size(), 1u);
  EXPECT_TRUE(
      fake.command_lines[0].ends_with(u" /C ipconfig /all >" + plain.WithSeparator() + u"ipconfig.tmp"));
}

TEST_F(MacIpConfigTest, MissingListingRaisesFileNotFound) {
  EXPECT_EQ(ErrorNumber(std::nullopt), error_number::kFileNotFound);
}

TEST_F(MacIpConfigTest, LinesBeyondSixteenBitsOverflowAndTheFileIsStillDeleted) {
  const std::string at_limit(32767, 'x');
  EXPECT_EQ(ErrorNumber(at_limit + "\r\n"), error_number::kOverflow);  // stepping past 32,767
  EXPECT_FALSE(fs::exists(ListingPath()));
  EXPECT_EQ(ErrorNumber(at_limit + "x\r\n00-1A-2B-3C-4D-5E\r\n"), error_number::kOverflow);
  EXPECT_FALSE(fs::exists(ListingPath()));
  // A line at the limit whose run is extracted never steps past it.
  EXPECT_EQ(Run("00-1A-2B-3C-4D-5E" + std::string(32767 - 17, 'x')), u"001A2B3C4D5E");
}

// A listing of our own left by an earlier run is gone before the interpreter
// is started, so that nothing can take it for this run's, even when the start
// fails.
TEST_F(MacIpConfigTest, AnInterpreterThatCannotStartOpensNothingAndNoStaleListingStays) {
  seam::ScopedFake failing{&platform::StartProcess, &FailingStart};
  WriteFileBytes(ListingPath(), "left by an earlier run");
  EXPECT_EQ(ErrorNumber(""), error_number::kFileNotFound);
  EXPECT_FALSE(fs::exists(ListingPath()));
}

TEST_F(MacIpConfigTest, AProcessLayerThatFailsRaisesAtTheCall) {
  seam::ScopedFake refuse{&platform::StartProcess, [](const std::u16string&, int) -> platform::ProcessHandle {
                            RaiseFileNotFound(u"the process layer");
                          }};
  EXPECT_EQ(ErrorNumber(""), error_number::kFileNotFound);
  EXPECT_TRUE(fake.command_lines.empty());
}

// The line reader on its own, across the reader's buffer boundary too.
std::vector<std::string> LinesOf(const std::string& bytes) {
  TempFolder folder("adreca-lines");
  WriteFileBytes(folder.path() / "f", bytes);
  auto file = platform::InputFile::Open(FromUtf8((folder.path() / "f").string()));
  ListingLines lines(file);
  std::vector<std::string> result;
  for (std::string line; lines.Next(line);) result.push_back(line);
  return result;
}

TEST(ListingLinesTest, SplitsAtCarriageReturnsOnly) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(LinesOf(""), Lines{});
  EXPECT_EQ(LinesOf("\r\n"), Lines{""});
  EXPECT_EQ(LinesOf("a\r\nb\r\n"), (Lines{"a", "b"}));
  EXPECT_EQ(LinesOf("a\r\rb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(LinesOf("a\n\rb\n"), (Lines{"a\n", "b\n"}));
  EXPECT_EQ(LinesOf("a\r\n\nb"), (Lines{"a", "\nb"}));
  const std::string first(64 * 1024 - 1, 'a');  // the break straddles the first read
  EXPECT_EQ(LinesOf(first + "\r\nb"), (Lines{first, "b"}));
  EXPECT_EQ(LinesOf(first + "b\r\nc"), (Lines{first + "b", "c"}));
}

TEST(ScanLineTest, SixteenBitLimits) {
  EXPECT_EQ(ScanLine(std::u16string(32766, u'x')), std::nullopt);
  EXPECT_THROW(ScanLine(std::u16string(32767, u'x')), Error);
  EXPECT_THROW(ScanLine(std::u16string(32768, u'0')), Error);  // before the scan
}

}  // namespace
}  // namespace adreca
