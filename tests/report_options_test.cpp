#include "app/report_options.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "core/text.h"

namespace adreca::app {
namespace {

std::vector<std::string> Captions(const ReportOptions& options) {
  std::vector<std::string> captions;
  for (const Way* way : options.ways) captions.push_back(ToUtf8(way->caption));
  return captions;
}

ReportOptions Parsed(const std::vector<std::string>& arguments) {
  const auto parsed = ParseReportOptions(arguments);
  if (const auto* error = std::get_if<UsageError>(&parsed)) ADD_FAILURE() << error->message;
  return std::holds_alternative<ReportOptions>(parsed) ? std::get<ReportOptions>(parsed) : ReportOptions{};
}

TEST(ReportOptionsTest, ChoosesTheFormatAndTheWaysInWindowOrder) {
  const std::vector<std::string> all{"WinMgmt", "IpConfig", "NetWksta", "NetBios", "AdaptInfo"};
  struct Case {
    std::vector<std::string> arguments;
    ReportFormat format;
    std::vector<std::string> ways;
  } cases[] = {
      {{}, ReportFormat::kText, all},
      {{"--format=json"}, ReportFormat::kJson, all},
      {{"--format", "csv"}, ReportFormat::kCsv, all},
      {{"--form=json"}, ReportFormat::kJson, all},  // a unique abbreviation, as GNU programs take
      {{"--way=adaptinfo", "--way", "WINMGMT"}, ReportFormat::kText, {"WinMgmt", "AdaptInfo"}},
      {{"--way=NetBios", "--way=netbios"}, ReportFormat::kText, {"NetBios"}},
      {{
           "--format=text",
           "--",
       },
       ReportFormat::kText,
       all},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    const ReportOptions options = Parsed(c.arguments);
    EXPECT_EQ(options.format, c.format);
    EXPECT_EQ(Captions(options), c.ways);
    EXPECT_FALSE(options.help || options.version);
  }
  EXPECT_TRUE(Parsed({"--help"}).help);
  EXPECT_TRUE(Parsed({"--version", "--format=csv"}).version);
}

TEST(ReportOptionsTest, ABadCommandLineGetsOneLineSayingWhatIsWrong) {
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {{"--verbose"}, "adreca-report: unrecognized option '--verbose'"},
      {{"-x"}, "adreca-report: invalid option -- 'x'"},
      {{"-ab"}, "adreca-report: invalid option -- 'a'"},  // named by its character, not the program's name
      {{"--format=json", "-qv"}, "adreca-report: invalid option -- 'q'"},
      {{"--\x1b]2;PWN\a\x1b[8m"}, "adreca-report: unrecognized option '--\\x1B]2;PWN\\x07\\x1B[8m'"},
      {{"--way=\x1b[12G"},
       "adreca-report: unknown way '\\x1B[12G': use WinMgmt, IpConfig, NetWksta, NetBios or AdaptInfo"},
      {{"--way=Ping"},
       "adreca-report: unknown way 'Ping': use WinMgmt, IpConfig, NetWksta, NetBios or AdaptInfo"},
      {{"--format=xml"}, "adreca-report: invalid format 'xml': use text, json or csv"},
      {{"--format=json", "--format=json"}, "adreca-report: --format may be given once only"},
      {{"--format"}, "adreca-report: option '--format' requires an argument"},
      {{"now"}, "adreca-report: extra operand 'now'"},
      {{"--help=yes"}, "adreca-report: option '--help' doesn't allow an argument"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    const auto parsed = ParseReportOptions(c.arguments);
    ASSERT_TRUE(std::holds_alternative<UsageError>(parsed));
    EXPECT_EQ(std::get<UsageError>(parsed).message, c.message);
  }
}

TEST(ReportOptionsTest, TheUsageAndHelpNameEveryOptionAndTheExitStatus) {
  EXPECT_EQ(ReportUsage().find("Try 'adreca-report --help'") != std::string::npos, true);
  const std::string help = ReportHelp();
  for (const char* expected : {"--format=FORMAT", "--way=NAME", "--help", "--version", "AdaptInfo", " 2  "}) {
    EXPECT_NE(help.find(expected), std::string::npos) << expected;
  }
}

}  // namespace
}  // namespace adreca::app
