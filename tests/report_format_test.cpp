#include "app/report_format.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/report.h"

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
