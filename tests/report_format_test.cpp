#include "app/report_format.h"

#include <gtest/gtest.h>

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
            "AdaptInfo  -----              232\n");
  std::string with_crlf = ReportText(Rows());
  for (std::size_t at = 0; (at = with_crlf.find('\n', at)) != std::string::npos; at += 2)
    with_crlf.insert(at, "\r");
  EXPECT_EQ(ReportText(Rows(), "\r\n"), with_crlf);
}

TEST(ReportFormatTest, JsonHasExactlyTheDocumentedFields) {
  const auto json = nlohmann::json::parse(ReportJson(Rows()));
  ASSERT_EQ(json.size(), 1u);
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
  EXPECT_EQ(ReportJson({}), "{\"rows\":[]}\n");
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
  EXPECT_EQ(
      text,
      "Way        Address            Status  Adapter\n"
      "WinMgmt    00-1A-2B-3C-4D-5E  0       \\x1B[12G11-22-33-4\n"
      "IpConfig   00-1A-2B-3C-4D-5E  0       \\x1B]2;PWN\\x07\\x1B[8m\n"
      "NetWksta   00-1A-2B-3C-4D-5E  0       c1\\u009B31m\\x7F\n"
      "AdaptInfo  error 75: Path/File access error: /tmp/a\\x0AAdaptInfo  00-00-5E-00-53-01  0  eth9\n");
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
