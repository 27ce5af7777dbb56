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
fs::path RedirectionTarget(const std::u16string& command_line) {
  std::string target = ToUtf8(command_line.substr(command_line.rfind(u'>') + 1));
  if (target.size() >= 2 && target.front() == '"' && target.back() == '"')
    target = target.substr(1, target.size() - 2);
  return target;
}

// The environment as the probe sees it: only COMSPEC is set.
std::u16string FakeComspec(std::u16string_view name) { return name == u"COMSPEC" ? u"/opt/cmd.exe" : u""; }
platform::ProcessHandle FailingStart(const std::u16string& command_line, int) {
  RaiseFileNotFound(command_line);
}

class MacIpConfigTest : public ::testing::Test {
 protected:
  void SetUp() override { TempDir = folder.WithSeparator(); }

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
  seam::ScopedFake<decltype(platform::StartProcess)> start{
      &platform::StartProcess, [this](const std::u16string& command_line, int show_window) {
        EXPECT_EQ(show_window, 2);
        fake.command_lines.push_back(command_line);
        if (fake.listing) WriteFileBytes(RedirectionTarget(command_line), *fake.listing);
        return platform::ProcessHandle{4242};
      }};
  seam::ScopedFake<decltype(platform::WaitForProcess)> wait{
      &platform::WaitForProcess, [this](platform::ProcessHandle handle, std::int32_t timeout) {
        EXPECT_EQ(handle, 4242);
        fake.waits.push_back(timeout);
        return platform::ExitStatus{};
      }};
  seam::ScopedFake<decltype(platform::AbandonProcess)> abandon{
      &platform::AbandonProcess, [this](platform::ProcessHandle) { ++fake.abandoned; }};
};

struct ListingCase {
  const char* name;
  std::string listing;
  std::u16string result;
  int error = 0;
};

class ListingScanTest : public MacIpConfigTest, public ::testing::WithParamInterface<ListingCase> {};

TEST_P(ListingScanTest, ReturnsTheFirstAcceptedElseTheLastCandidateOfTheAdaptersSections) {
  std::u16string result;
  int error = 0;
  try {
    result = Run(GetParam().listing);
  } catch (const Error& raised) {
    error = raised.number();
  }
  EXPECT_EQ(error, GetParam().error);
  EXPECT_EQ(result, GetParam().result);
  EXPECT_FALSE(fs::exists(ListingPath()));
}

// One line of a listing: the label, dotted to the value's column, and the value.
std::string Field(std::string_view label, std::string_view value) {
  std::string line = "   " + std::string(label);
  while (line.size() < 36) line += line.size() % 2 == 0 ? " " : ".";
  return line + ": " + std::string(value) + "\r\n";
}

// The listing as Windows writes it: the title, the computer's lines, then the
// adapters' sections.
std::string Listing(std::string_view host_name, std::string_view sections,
                    std::string_view primary_dns_suffix = "") {
  return "\r\nWindows IP Configuration\r\n\r\n" + Field("Host Name", host_name) +
         Field("Primary Dns Suffix", primary_dns_suffix) + Field("Node Type", "Hybrid") +
         std::string(sections);
}

std::string Section(std::string_view name, std::string_view fields) {
  return "\r\nEthernet adapter " + std::string(name) + ":\r\n\r\n" + std::string(fields);
}

// A listing of one adapter whose lines are `fields`.
std::string OneAdapter(std::string_view fields) { return Listing("pc", Section("Ethernet", fields)); }

// Ends each line with LF alone, or CR alone, instead of CR LF.
std::string WithBreaks(std::string listing, std::string_view ending) {
  std::string result;
  for (std::size_t at; (at = listing.find("\r\n")) != std::string::npos; listing.erase(0, at + 2)) {
    result += listing.substr(0, at) + std::string(ending);
  }
  return result + listing;
}

const std::string kAddress = Field("Physical Address", "00-1A-2B-3C-4D-5E");
const std::string kZeros = Field("Physical Address", "00-00-00-00-00-00");
const std::string kTunnel = Field("Physical Address", "00-00-00-00-00-00-00-E0");
const std::string kDuid = Field("DHCPv6 Client DUID", "00-01-00-01-1A-2B-3C-4D-00-11-22-33-44-55");

// German, in the code page's bytes as the interpreter writes them (UTF-8 on Linux).
const std::string kGerman =
    "\r\nWindows-IP-Konfiguration\r\n\r\n"
    "   Hostname  . . . . . . . . . . . . : 00-de-ad-be-ef-01\r\n"
    "   Prim\xC3\xA4res DNS-Suffix . . . . . . . : \r\n\r\n"
    "Ethernet-Adapter Ethernet:\r\n\r\n"
    "   Verbindungsspezifisches DNS-Suffix: fritz.box\r\n"
    "   Beschreibung. . . . . . . . . . . : Intel(R) I211 Gigabit Network Connection\r\n"
    "   Physische Adresse . . . . . . . . : 70-85-C2-AA-0B-1F\r\n";
// Japanese, "Windows IP 構成": no blank before the colon.
const std::string kJapanese =
    "\r\nWindows IP \xE6\xA7\x8B\xE6\x88\x90\r\n\r\n"
    "   \xE3\x83\x9B\xE3\x82\xB9\xE3\x83\x88\xE5\x90\x8D . . . . . . . . . . . .: 00-de-ad-be-ef-01\r\n\r\n"
    "\xE3\x82\xA4\xE3\x83\xBC\xE3\x82\xB5\xE3\x83\x8D\xE3\x83\x83\xE3\x83\x88 "
    "\xE3\x82\xA2\xE3\x83\x80\xE3\x83\x97\xE3\x82\xBF\xE3\x83\xBC Ethernet:\r\n\r\n"
    "   \xE7\x89\xA9\xE7\x90\x86\xE3\x82\xA2\xE3\x83\x89\xE3\x83\xAC\xE3\x82\xB9. . . . . . . . .: "
    "00-15-5d-0a-1b-2c\r\n";

// A line of exactly `length` characters: `start`, blanks, then `end`.
std::string LineOf(std::size_t length, std::string_view start, std::string_view end = "") {
  return std::string(start) + std::string(length - start.size() - end.size(), ' ') + std::string(end) +
         "\r\n";
}

INSTANTIATE_TEST_SUITE_P(
    Listings, ListingScanTest,
    ::testing::Values(
        ListingCase{"Address", OneAdapter(kAddress), u"001A2B3C4D5E"},
        ListingCase{"LowerCaseKept", OneAdapter(Field("Physical Address", "00-1a-2b-3c-4d-5e")),
                    u"001a2b3c4d5e"},
        ListingCase{"TabsAndBlanksAroundTheValue",
                    OneAdapter("   Physical Address. . :\t 0A-1B-2C-3D-4E-5F \t\r\n"), u"0A1B2C3D4E5F"},
        // The computer's lines come before the sections: a host named like an
        // address (a container, a cloned machine) or such a DNS suffix is none.
        ListingCase{"HostNameLikeAnAddressIsNoCandidate",
                    Listing("00-de-ad-be-ef-01", Section("Ethernet", kAddress)), u"001A2B3C4D5E"},
        ListingCase{"PrimaryDnsSuffixLikeAnAddressIsNoCandidate",
                    Listing("ws01", Section("Ethernet", kAddress), "00-de-ad-be-ef-04"), u"001A2B3C4D5E"},
        ListingCase{"OnlyTheComputersLinesHoldAnAddress",
                    Listing("00-de-ad-be-ef-01", Section("isatap", kTunnel), "00-de-ad-be-ef-04"), u""},
        // Within a section, only a whole value counts.
        ListingCase{
            "DhcpGivenDnsSuffixIsNoCandidate",
            OneAdapter(Field("Connection-specific DNS Suffix", "00-de-ad-be-ef-02.example") + kAddress),
            u"001A2B3C4D5E"},
        ListingCase{"DescriptionWithAnAddressIsNoCandidate",
                    OneAdapter(Field("Description", "Hyper-V NIC 00-de-ad-be-ef-05") +
                               Field("Note", "(00-de-ad-be-ef-06)") + kAddress),
                    u"001A2B3C4D5E"},
        ListingCase{"UuidIsNoCandidate",
                    OneAdapter(Field("Description", "3f2a1b4c-5d6e-7f80-9a1b-2c3d4e5f6a7b") + kZeros),
                    u"000000000000"},
        ListingCase{"DuidIsNoCandidate", OneAdapter(kDuid + kZeros), u"000000000000"},
        ListingCase{"EightByteTunnelAddressIsNoCandidate", OneAdapter(kTunnel), u""},
        ListingCase{"TunnelThenAdapter",
                    Listing("pc", Section("isatap", kTunnel) + Section("Ethernet", kAddress)),
                    u"001A2B3C4D5E"},
        ListingCase{"AddressWithinALongerValueIsNoCandidate",
                    OneAdapter(Field("A", "0-00-1A-2B-3C-4D-5E") + Field("B", "00-1A-2B-3C-4D-5E-6F") +
                               Field("C", "AB00-1A-2B-3C-4D-5E") + Field("D", "00-1A-2B-3C-4D-5E x") +
                               Field("E", "00-00-00-00-00-00 00-1A-2B-3C-4D-5E") +
                               Field("F", "a: 00-1A-2B-3C-4D-5E")),
                    u""},
        ListingCase{"NoColonNoValue", OneAdapter("   Physical Address 00-1A-2B-3C-4D-5E\r\n"), u""},
        ListingCase{"HeadingNamedLikeAnAddressIsNoCandidate", Listing("pc", Section("00-1A-2B-3C-4D-5E", "")),
                    u""},
        ListingCase{"ValueWithoutLabel", OneAdapter(":00-1A-2B-3C-4D-5E\r\n"), u"001A2B3C4D5E"},
        ListingCase{"HyphenRunIsNoCandidate", OneAdapter(Field("Note", std::string(17, '-'))), u""},
        ListingCase{"SeventeenDigitsAreNoAddress", OneAdapter(Field("Note", "12345678901234567")), u""},
        ListingCase{"MisplacedHyphensAreNoAddress",
                    OneAdapter(Field("A", "001-A2-B3C-4D-5E6") + Field("B", "0-01A-2B-3C-4D-5E") +
                               Field("C", "-00-11-22-33-44-55") + Field("D", "0G-1A-2B-3C-4D-5E")),
                    u""},
        ListingCase{"AddressSplitOverTwoLines", OneAdapter("   Physical Address : 00-1A-2B-3C-4\r\nD-5E\r\n"),
                    u""},
        ListingCase{"FirstAcceptedWinsOverALaterOne",
                    Listing("pc", Section("A", kZeros) +
                                      Section("B", Field("Physical Address", "02-00-00-00-00-0B")) +
                                      Section("C", kAddress)),
                    u"02000000000B"},
        ListingCase{"LastRejectedCandidateKeptAcrossLines", OneAdapter(kZeros + Field("Description", "none")),
                    u"000000000000"},
        ListingCase{"EmptyListing", "", u""},
        ListingCase{"NoRunAnywhere", "Windows IP Configuration\r\n\r\n   Host Name . : pc\r\n", u""},
        ListingCase{"LastLineWithoutBreak", OneAdapter("   Physical Address. : 00-1A-2B-3C-4D-5E"),
                    u"001A2B3C4D5E"},
        ListingCase{"GermanListing", kGerman, u"7085C2AA0B1F"},
        ListingCase{"JapaneseListing", kJapanese, u"00155d0a1b2c"},
        // Without a title the first line is taken for one, here the first
        // adapter's heading, so that adapter's lines come before the sections.
        ListingCase{"WithoutATitleTheFirstAdaptersLinesGiveNone",
                    "Ethernet adapter A:\r\n\r\n" + kAddress + "\r\nEthernet adapter B:\r\n\r\n" +
                        Field("Physical Address", "02-00-00-00-00-0B"),
                    u"02000000000B"},
        ListingCase{"WithoutATitleOneAdapterGivesNone", "Ethernet adapter A:\r\n\r\n" + kAddress, u""},
        ListingCase{"SectionsBeginAtTheTitlesIndentation",
                    "  Title\r\n    Host Name : 00-de-ad-be-ef-01\r\n\t\r\n Adapter:\r\n" + kAddress,
                    u"001A2B3C4D5E"},
        // LF alone and CR alone end lines as CR LF does.
        ListingCase{"LineFeedsAloneEndLines",
                    WithBreaks(Listing("pc", Section("A", kZeros) + Section("B", kAddress)), "\n"),
                    u"001A2B3C4D5E"},
        ListingCase{"CarriageReturnsAloneEndLines",
                    WithBreaks(Listing("pc", Section("A", kZeros) + Section("B", kAddress)), "\r"),
                    u"001A2B3C4D5E"},
        // 16-bit positions in the sections' lines: past 32,767 characters,
        // and at 32,767 when the line holds no candidate.
        ListingCase{"SectionLineAtTheLimitWithoutCandidate", OneAdapter(LineOf(32767, "x") + kAddress), u"",
                    6},
        ListingCase{"SectionLineBeyondTheLimit", OneAdapter(LineOf(32768, "x") + kAddress), u"", 6},
        ListingCase{"SectionLineAtTheLimitWithItsAddressAtTheEnd",
                    OneAdapter(LineOf(32767, "   Physical Address:", "00-1A-2B-3C-4D-5E")), u"001A2B3C4D5E"},
        ListingCase{"SectionLineAtTheLimitEndingInABlank",
                    OneAdapter(LineOf(32767, "   Physical Address: 00-1A-2B-3C-4D-5E")), u"001A2B3C4D5E"},
        ListingCase{"AcceptedCandidateStopsBeforeALongLine", OneAdapter(kAddress + LineOf(32768, "x")),
                    u"001A2B3C4D5E"},
        // The lines before the sections are not scanned; only their length is
        // a 16-bit number.
        ListingCase{"TitleAtTheLimit", LineOf(32767, "Windows IP Configuration") + Section("A", kAddress),
                    u"001A2B3C4D5E"},
        ListingCase{"ComputersLineBeyondTheLimit", Listing(std::string(32768, 'x'), Section("A", kAddress)),
                    u"", 6}),
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

TEST(ListingLinesTest, SplitsAtCarriageReturnsAndLineFeeds) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(LinesOf(""), Lines{});
  EXPECT_EQ(LinesOf("\r\n"), Lines{""});
  EXPECT_EQ(LinesOf("a\r\nb\r\n"), (Lines{"a", "b"}));
  EXPECT_EQ(LinesOf("a\r\rb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(LinesOf("a\nb\n"), (Lines{"a", "b"}));
  EXPECT_EQ(LinesOf("a\n\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(LinesOf("a\n\rb\n"), (Lines{"a", "", "b"}));
  EXPECT_EQ(LinesOf("a\r\n\nb"), (Lines{"a", "", "b"}));
  const std::string first(64 * 1024 - 1, 'a');  // the break straddles the first read
  EXPECT_EQ(LinesOf(first + "\r\nb"), (Lines{first, "b"}));
  EXPECT_EQ(LinesOf(first + "\n\rb"), (Lines{first, "", "b"}));
  EXPECT_EQ(LinesOf(first + "b\r\nc"), (Lines{first + "b", "c"}));
  EXPECT_EQ(LinesOf(first + "b\nc"), (Lines{first + "b", "c"}));
}

TEST(ScanLineTest, SixteenBitLimits) {
  EXPECT_EQ(ScanLine(std::u16string(32766, u'x')), std::nullopt);
  EXPECT_THROW(ScanLine(std::u16string(32767, u'x')), Error);
  EXPECT_THROW(ScanLine(std::u16string(32768, u'0')), Error);  // before the scan
}

}  // namespace
}  // namespace adreca
