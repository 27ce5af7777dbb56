#include "app/report_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/report.h"
#include "core/text.h"

namespace adreca::app {
namespace {

using platform::AdapterIdentity;
using platform::AddressOrigin;

AdapterIdentity Eth0() {
  return {u"eth0",
          u"Ethernet adapter, virtual (veth)",
          {0x02, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E},
          {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E},
          AddressOrigin::kSet};
}

// A found address with two adapters, an error, and a row that found none,
// whose adapter description holds a comma and a quote.
std::vector<ReportRow> Rows() {
  std::vector<ReportRow> rows(3);
  rows[0].way = u"WinMgmt";
  rows[0].address = u"02-1A-2B-3C-4D-5E";
  rows[0].status = u"n/a";
  rows[0].adapters = {Eth0(),
                      {u"br0", u"Ethernet adapter, virtual (bridge)", {}, {}, AddressOrigin::kUnknown}};
  rows[0].found = true;
  rows[1].way = u"IpConfig";
  rows[1].error = RaisedError{53, u"File not found: /tmp/x \"y\", z"};
  rows[2].way = u"AdaptInfo";
  rows[2].address = u"-----";
  rows[2].status = u"232";
  return rows;
}

TEST(ReportFormatTest, TextIsAnAlignedTableWithErrorsInPlaceOfTheirBoxes) {
  EXPECT_EQ(ReportText(Rows()),
            "Way        Address            Status  Adapter\n"
            "WinMgmt    02-1A-2B-3C-4D-5E  n/a     eth0\n"
            "IpConfig   error 53: File not found: /tmp/x \"y\", z\n"
            "AdaptInfo  -----              232\n"
            "\n"
            "The rows differ. WinMgmt shows 02-1A-2B-3C-4D-5E (eth0): every adapter but\n"
            "loopback. IpConfig: error 53: File not found: /tmp/x \"y\", z. AdaptInfo shows\n"
            "-----: found no address: every adapter but loopback.\n");
  std::string with_crlf = ReportText(Rows());
  for (std::size_t at = 0; (at = with_crlf.find('\n', at)) != std::string::npos; at += 2)
    with_crlf.insert(at, "\r");
  EXPECT_EQ(ReportText(Rows(), "\r\n"), with_crlf);
}

TEST(ReportFormatTest, JsonHasExactlyTheDocumentedFields) {
  const auto json = nlohmann::json::parse(ReportJson(Rows()));
  ASSERT_EQ(json.size(), 2u);
  const auto& rows = json.at("rows");
  ASSERT_EQ(rows.size(), 3u);
  for (const auto& row : rows) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : row.items()) keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"adapter", "address", "error", "status", "way"}));
  }
  EXPECT_EQ(rows[0], nlohmann::json::parse(R"json({"way": "WinMgmt", "address": "02-1A-2B-3C-4D-5E",
      "status": "n/a", "error": null,
      "adapter": {"name": "eth0", "description": "Ethernet adapter, virtual (veth)",
                  "administered": "locally", "origin": "set",
                  "permanent_address": "00-1A-2B-3C-4D-5E", "also": ["br0"]}})json"));
  EXPECT_EQ(rows[1], nlohmann::json::parse(R"json({"way": "IpConfig", "address": "", "status": "",
      "error": {"number": 53, "description": "File not found: /tmp/x \"y\", z"}, "adapter": null})json"));
  EXPECT_EQ(rows[2].at("adapter"), nullptr);
  EXPECT_EQ(ReportJson(Rows()).back(), '\n');
  EXPECT_EQ(ReportJson(Rows()).find('\n'), ReportJson(Rows()).size() - 1) << "one line, as ip -j writes";
}

TEST(ReportFormatTest, CsvQuotesOnlyWhatRfc4180Requires) {
  EXPECT_EQ(ReportCsv(Rows()),
            "way,address,status,error_number,error_description,adapter,adapter_description,administered,"
            "permanent_address\r\n"
            "WinMgmt,02-1A-2B-3C-4D-5E,n/a,,,eth0,\"Ethernet adapter, virtual "
            "(veth)\",locally,00-1A-2B-3C-4D-5E\r\n"
            "IpConfig,,,53,\"File not found: /tmp/x \"\"y\"\", z\",,,,\r\n"
            "AdaptInfo,-----,232,,,,,,\r\n");
}

TEST(ReportFormatTest, AnEmptyReportIsTheHeaderAlone) {
  EXPECT_EQ(ReportText({}), "Way  Address  Status  Adapter\n");
  EXPECT_EQ(ReportJson({}), "{\"rows\":[],\"agreement\":[]}\n");
}

}  // namespace
}  // namespace adreca::app

namespace adreca::app {
namespace {

// A row whose adapter and error texts came from a hostile machine.
ReportRow RowNamed(std::u16string_view way, std::u16string name, std::u16string description = {}) {
  ReportRow row;
  row.way = way;
  row.address = u"00-1A-2B-3C-4D-5E";
  row.status = u"0";
  row.adapters = {{std::move(name), std::move(description), {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, {}, {}}};
  row.found = true;
  return row;
}

// Terminal controls in names, descriptions and paths are written out: they
// cannot move the cursor over the table, set the title or hide the rest, and
// a line feed in TEMP does not start a forged row.
TEST(ReportFormatTest, TextWritesOutEveryControlCharacterOfFreeText) {
  std::vector<ReportRow> rows{RowNamed(u"WinMgmt", u"\x1b[12G11-22-33-4"),
                              RowNamed(u"IpConfig", u"\x1b]2;PWN\a\x1b[8m"),
                              RowNamed(u"NetWksta", u"c1\u009b31m\u007f")};
  rows.push_back({});
  rows.back().way = u"AdaptInfo";
  rows.back().error =
      RaisedError{75, u"Path/File access error: /tmp/a\nAdaptInfo  00-00-5E-00-53-01  0  eth9"};
  const std::string text = ReportText(rows);
  EXPECT_EQ(text,
            "Way        Address            Status  Adapter\n"
            "WinMgmt    00-1A-2B-3C-4D-5E  0       \\x1B[12G11-22-33-4\n"
            "IpConfig   00-1A-2B-3C-4D-5E  0       \\x1B]2;PWN\\x07\\x1B[8m\n"
            "NetWksta   00-1A-2B-3C-4D-5E  0       c1\\u009B31m\\x7F\n"
            "AdaptInfo  error 75: Path/File access error: /tmp/a\\x0AAdaptInfo  00-00-5E-00-53-01  0  eth9\n"
            "\n"
            "The rows differ. WinMgmt, IpConfig, NetWksta show 00-1A-2B-3C-4D-5E\n"
            "(\\x1B[12G11-22-33-4): every adapter but loopback; IpConfig, NetWksta name\n"
            "another adapter that has it. AdaptInfo: error 75: Path/File access error:\n"
            "/tmp/a\\x0AAdaptInfo  00-00-5E-00-53-01  0  eth9.\n");
  const std::u16string wide = FromUtf8(text);
  EXPECT_EQ(std::count_if(wide.begin(), wide.end(),
                          [](char16_t c) { return c != u'\n' && (c < 0x20 || (c >= 0x7F && c <= 0x9F)); }),
            0);
  EXPECT_EQ(ReportJson(rows).find("\\\\x1B"), std::string::npos)
      << "JSON keeps the text, escaped its own way";
}

// Free text that a spreadsheet would run as a formula gets a leading
// apostrophe; the program's own texts never change.
TEST(ReportFormatTest, CsvNeutralisesFreeTextThatStartsAFormula) {
  struct Case {
    std::u16string name;
    std::string cell;
  } cases[] = {
      {u"=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\""},
      {u"+1+2", "\"'+1+2\""},
      {u"-2+3", "\"'-2+3\""},
      {u"@SUM(A1)", "\"'@SUM(A1)\""},
      {u"\tcmd", "\"'\tcmd\""},
      {u"\rcmd", "\"'\rcmd\""},
      {u"eth0", "eth0"},
      {u"a=b", "a=b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.name));
    const std::vector<ReportRow> rows{RowNamed(u"AdaptInfo", c.name, c.name)};
    const std::string csv = ReportCsv(rows);
    const std::string line = csv.substr(csv.find("\r\n") + 2);
    EXPECT_EQ(line, "AdaptInfo,00-1A-2B-3C-4D-5E,0,,," + c.cell + "," + c.cell + ",universally,\r\n");
  }
  std::vector<ReportRow> rows(2);
  rows[0].way = u"AdaptInfo";
  rows[0].address = u"-----";
  rows[0].status = u"-1";
  rows[1].way = u"IpConfig";
  rows[1].error = RaisedError{53, u"-File not found"};
  const std::string csv = ReportCsv(rows);
  EXPECT_NE(csv.find("\r\nAdaptInfo,-----,-1,,,,,,\r\n"), std::string::npos) << csv;
  EXPECT_NE(csv.find("\r\nIpConfig,,,53,\"'-File not found\",,,,\r\n"), std::string::npos) << csv;
}

}  // namespace
}  // namespace adreca::app

namespace adreca::app {
namespace {

// Every way of a machine whose first adapter, ifb0, holds no IP address: the
// ways that see every adapter but loopback name it, the others eth0.
std::vector<ReportRow> IfbFirst() {
  std::vector<ReportRow> rows;
  for (const Way& way : kWays) {
    const bool sees_all = way.sees == platform::AdapterSet::kAllButLoopback;
    ReportRow& row = rows.emplace_back();
    row.way = way.caption;
    row.sees = way.sees;
    row.address = sees_all ? u"4E-DD-35-69-54-BF" : u"02-FC-00-00-00-01";
    row.status = u"0";
    row.found = true;
    row.adapters = {{sees_all ? u"ifb0" : u"eth0", u"", {}, {}, {}}};
  }
  return rows;
}

std::vector<ReportRow> Agreeing() {
  std::vector<ReportRow> rows = IfbFirst();
  for (ReportRow& row : rows) row = rows[0];
  return rows;
}

TEST(ReportFormatTest, JsonEndsWithTheGroupsOfWaysThatShowTheSame) {
  const auto json = nlohmann::ordered_json::parse(ReportJson(IfbFirst()));
  std::vector<std::string> keys;
  for (const auto& [key, value] : json.items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"rows", "agreement"}));
  EXPECT_EQ(json.at("agreement").dump(),
            R"j([{"address":"02-FC-00-00-00-01","adapter":"eth0","ways":["WinMgmt","NetWksta","NetBios"],)j"
            R"j("reason":"only adapters with an IP address (WinMgmt) or with IPv4 (NetWksta, NetBios)"},)j"
            R"j({"address":"4E-DD-35-69-54-BF","adapter":"ifb0","ways":["IpConfig","AdaptInfo"],)j"
            R"j("reason":"every adapter but loopback"}])j");

  // An error has neither address nor adapter; a way that found nothing
  // shows its box's text and names no adapter.
  std::vector<ReportRow> rows = IfbFirst();
  rows[0] = {};
  rows[0].way = u"WinMgmt";
  rows[0].error = RaisedError{94, u"Invalid use of Null"};
  rows[1].address = u"-----";
  rows[1].found = false;
  rows[1].adapters.clear();
  const auto agreement = nlohmann::ordered_json::parse(ReportJson(rows)).at("agreement");
  ASSERT_EQ(agreement.size(), 4u);
  EXPECT_EQ(
      agreement[0].dump(),
      R"j({"address":null,"adapter":null,"ways":["WinMgmt"],"reason":"error 94: Invalid use of Null"})j");
  EXPECT_EQ(agreement[1].dump(), R"j({"address":"-----","adapter":null,"ways":["IpConfig"],)j"
                                 R"j("reason":"found no address: every adapter but loopback"})j");
  EXPECT_EQ(nlohmann::json::parse(ReportJson(Agreeing())).at("agreement").size(), 1u);
  EXPECT_EQ(ReportJson(rows, WithAgreement::kNo).find("agreement"), std::string::npos);
}

// The table is followed by an empty line and the paragraph only when the
// ways disagree; its lines end as the table's do.
TEST(ReportFormatTest, TextEndsWithAParagraphOnlyWhenTheWaysDisagree) {
  const std::string table =
      "Way        Address            Status  Adapter\n"
      "WinMgmt    02-FC-00-00-00-01  0       eth0\n"
      "IpConfig   4E-DD-35-69-54-BF  0       ifb0\n"
      "NetWksta   02-FC-00-00-00-01  0       eth0\n"
      "NetBios    02-FC-00-00-00-01  0       eth0\n"
      "AdaptInfo  4E-DD-35-69-54-BF  0       ifb0\n";
  const std::string paragraph =
      "The rows differ. WinMgmt, NetWksta, NetBios show 02-FC-00-00-00-01 (eth0): only\n"
      "adapters with an IP address (WinMgmt) or with IPv4 (NetWksta, NetBios).\n"
      "IpConfig, AdaptInfo show 4E-DD-35-69-54-BF (ifb0): every adapter but loopback.\n";
  EXPECT_EQ(ReportText(IfbFirst()), table + "\n" + paragraph);
  std::string with_crlf = table + "\n" + paragraph;
  for (std::size_t at = 0; (at = with_crlf.find('\n', at)) != std::string::npos; at += 2)
    with_crlf.insert(at, "\r");
  EXPECT_EQ(ReportText(IfbFirst(), "\r\n"), with_crlf);
  EXPECT_EQ(ReportText(IfbFirst(), "\n", WithAgreement::kNo), table);

  const std::string agreeing = ReportText(Agreeing());
  EXPECT_EQ(agreeing.find("\n\n"), std::string::npos) << agreeing;
  EXPECT_EQ(agreeing.find("differ"), std::string::npos) << agreeing;
}

}  // namespace
}  // namespace adreca::app
