// The console report against the window, on real adapters: in a network
// namespace of each scenario, the window's five buttons are pressed and the
// report program is run in all three forms; every row of the report must be
// what the window shows (address box, status box, error report, the adapter
// its tooltip names), and its exit status must follow the rules.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "address/address.h"
#include "app/actions.h"
#include "app/qt/form1.h"
#include "app/report.h"
#include "app/report_format.h"
#include "core/text.h"
#include "tests/support/captured_run.h"
#include "tests/support/netns.h"
#include "tests/support/temp_folder.h"
#include "tests/window/shown_tooltip.h"

namespace adreca::app {
namespace {

using testing::CapturedRun;
using testing::TestNamespace;

// What the window shows in one row after its button was pressed.
struct WindowRow {
  std::string address;
  std::string status;
  std::optional<RaisedError> error;
  std::string tooltip;
};

// Presses the button; an error report that opens is read and closed.
std::optional<RaisedError> Press(QPushButton* button) {
  std::optional<RaisedError> error;
  QTimer closer;
  closer.setSingleShot(true);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      // "Run-time error 'N':\n\nDescription"
      const QString text = box->text();
      const qsizetype quote = text.indexOf('\'');
      error = RaisedError{text.mid(quote + 1, text.indexOf('\'', quote + 1) - quote - 1).toInt(),
                          text.mid(text.indexOf("\n\n") + 2).toStdU16String()};
      box->accept();
    }
  });
  closer.start(0);
  QTest::mouseClick(button, Qt::LeftButton);
  return error;
}

std::vector<WindowRow> WhatTheWindowShows() {
  Form1 form;
  form.show();
  std::vector<WindowRow> rows;
  for (int row = 1; row <= static_cast<int>(kWays.size()); ++row) {
    WindowRow shown;
    shown.error = Press(form.Command(row));
    shown.address = form.Mac(row)->text().toStdString();
    shown.status = form.Stat(row)->text().toStdString();
    shown.tooltip = testing::ShownToolTip(form.Mac(row)).toStdString();
    rows.push_back(std::move(shown));
  }
  return rows;
}

std::string Text(const nlohmann::json& value) {
  return value.is_null() ? std::string() : value.get<std::string>();
}

struct Scenario {
  const char* name;
  std::function<void(TestNamespace&)> build;
  int exit_status;
};

class ReportMatchesWindowTest : public ::testing::TestWithParam<Scenario> {
 protected:
  void SetUp() override {
    ADRECA_SKIP_WITHOUT_NETNS();
    ::unsetenv("COMSPEC");  // the project's interpreter, beside the programs
    ::setenv("TEMP", ToUtf8(folder.WithSeparator()).c_str(), 1);
  }
  void TearDown() override { ::unsetenv("TEMP"); }

  CapturedRun Report(const std::string& format) {
    return testing::RunCaptured(testing::BesideThisProgram("adreca-report"), {"--format=" + format});
  }

  testing::TempFolder folder{"adreca-report"};
};

TEST_P(ReportMatchesWindowTest, EveryRowIsWhatTheWindowShowsInEveryForm) {
  TestNamespace netns;
  GetParam().build(netns);
  const auto inside = netns.Enter();
  LoadStep();
  const std::vector<WindowRow> window = WhatTheWindowShows();

  // JSON: the boxes, the error, and the adapter that the tooltip names.
  const CapturedRun json_run = Report("json");
  EXPECT_EQ(json_run.status, GetParam().exit_status);
  const nlohmann::json json = nlohmann::json::parse(json_run.output);
  ASSERT_EQ(json.at("rows").size(), kWays.size());
  std::vector<ReportRow> expected;
  for (std::size_t i = 0; i < kWays.size(); ++i) {
    SCOPED_TRACE(ToUtf8(kWays[i].caption));
    const nlohmann::json& row = json.at("rows")[i];
    EXPECT_EQ(row.at("way"), ToUtf8(kWays[i].caption));
    EXPECT_EQ(row.at("address"), window[i].address);
    EXPECT_EQ(row.at("status"), window[i].status);
    EXPECT_EQ(row.at("error").is_null(), !window[i].error);
    if (window[i].error) {
      EXPECT_EQ(row.at("error").at("number"), window[i].error->number);
      EXPECT_EQ(row.at("error").at("description"), ToUtf8(window[i].error->description));
    }
    const nlohmann::json& adapter = row.at("adapter");
    if (adapter.is_null()) {
      EXPECT_EQ(window[i].tooltip.find("Adapter: "), std::string::npos) << window[i].tooltip;
    } else {
      EXPECT_EQ(window[i].tooltip.rfind("Adapter: " + Text(adapter.at("name")) + "\n", 0), 0u)
          << window[i].tooltip;
      EXPECT_NE(window[i].tooltip.find(Text(adapter.at("administered")) + " administered"),
                std::string::npos);
      EXPECT_NE(window[i].tooltip.find(Text(adapter.at("description"))), std::string::npos);
    }
    ReportRow& line = expected.emplace_back();
    line.way = kWays[i].caption;
    line.address = FromUtf8(window[i].address);
    line.status = FromUtf8(window[i].status);
    line.error = window[i].error;
    if (!adapter.is_null()) line.adapters.push_back({FromUtf8(Text(adapter.at("name"))), {}, {}, {}, {}});
    line.sees = kWays[i].sees;
    std::u16string compact = line.address;
    std::erase(compact, u'-');
    line.found = !line.error && IsAccepted(compact);
  }
  // The groups of ways that show the same, as the window's rows show them.
  EXPECT_EQ(json.at("agreement"), nlohmann::json::parse(ReportJson(expected)).at("agreement"));

  // Text: exactly the table of what the window shows.
  const CapturedRun text_run = Report("text");
  EXPECT_EQ(text_run.status, GetParam().exit_status);
  EXPECT_EQ(text_run.output, ReportText(expected));

  // CSV, read by a real CSV reader.
  const CapturedRun csv_run = Report("csv");
  EXPECT_EQ(csv_run.status, GetParam().exit_status);
  const auto records = testing::CsvRecords(csv_run.output);
  ASSERT_EQ(records.size(), kWays.size() + 1);
  for (std::size_t i = 0; i < kWays.size(); ++i) {
    const std::vector<std::string>& record = records[i + 1];
    ASSERT_EQ(record.size(), records[0].size());
    EXPECT_EQ(record[0], ToUtf8(kWays[i].caption));
    EXPECT_EQ(record[1], window[i].address);
    EXPECT_EQ(record[2], window[i].status);
    EXPECT_EQ(record[3], window[i].error ? std::to_string(window[i].error->number) : "");
    EXPECT_EQ(record[5], expected[i].adapters.empty() ? "" : ToUtf8(expected[i].adapters.front().name));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, ReportMatchesWindowTest,
    ::testing::Values(Scenario{"TheOnlyAdapter",
                               [](TestNamespace& netns) {
                                 netns.AddVeth("eth0", "00:1a:2b:3c:4d:5e", {"192.0.2.10/24"});
                                 netns.AddDefaultRoute("eth0", "192.0.2.1");
                               },
                               0},
                      Scenario{"ADownFirstAdapter",
                               [](TestNamespace& netns) {
                                 netns.AddVeth("eth0", "02:00:5e:10:00:01", {"192.0.2.10/24"}, /*up=*/false);
                                 netns.AddVeth("eth1", "00:1a:2b:3c:4d:5e", {"198.51.100.7/24"});
                               },
                               0},
                      Scenario{"LoopbackOnly", [](TestNamespace&) {}, 1},
                      Scenario{"AVpnInterfaceFirst",
                               [](TestNamespace& netns) {
                                 netns.AddTun("tun0");
                                 netns.Run({"addr", "add", "192.0.2.20/24", "dev", "tun0"});
                                 netns.Run({"link", "set", "dev", "tun0", "up"});
                                 netns.AddVeth("eth0", "00:1a:2b:3c:4d:5e", {"198.51.100.7/24"});
                               },
                               1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReportMatchesWindowScenarioTest, AVpnInterfaceFirstIsErrorNinetyFourInTheFirstRow) {
  ADRECA_SKIP_WITHOUT_NETNS();
  TestNamespace netns;
  netns.AddTun("tun0");
  netns.Run({"addr", "add", "192.0.2.20/24", "dev", "tun0"});
  netns.Run({"link", "set", "dev", "tun0", "up"});
  const auto inside = netns.Enter();
  const CapturedRun run =
      testing::RunCaptured(testing::BesideThisProgram("adreca-report"), {"--format=json", "--way=WinMgmt"});
  EXPECT_EQ(run.status, 1);
  const nlohmann::json rows = nlohmann::json::parse(run.output).at("rows");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].at("error").at("number"), 94);
  EXPECT_EQ(rows[0].at("error").at("description"), "Invalid use of Null");
  EXPECT_EQ(rows[0].at("address"), "");
}

// The report's groups on real adapters: the first adapter holds no IP
// address, so the ways that see only adapters with one show the second; a
// tunnel first makes the management query raise, and the others agree.
TEST(ReportMatchesWindowScenarioTest, TheAgreementGroupsTheWaysByWhatTheySee) {
  ADRECA_SKIP_WITHOUT_NETNS();
  ::unsetenv("COMSPEC");
  const testing::TempFolder folder{"adreca-report"};
  ::setenv("TEMP", ToUtf8(folder.WithSeparator()).c_str(), 1);
  const struct {
    const char* name;
    std::function<void(TestNamespace&)> build;
    const char* agreement;
  } cases[] = {
      {"a first adapter without an IP address",
       [](TestNamespace& netns) {
         netns.AddVeth("eth0", "4e:dd:35:69:54:bf", {});
         netns.AddVeth("eth1", "02:fc:00:00:00:01", {"192.0.2.10/24"});
       },
       R"j([{"address":"02-FC-00-00-00-01","adapter":"eth1","ways":["WinMgmt","NetWksta","NetBios"],)j"
       R"j("reason":"only adapters with an IP address (WinMgmt) or with IPv4 (NetWksta, NetBios)"},)j"
       R"j({"address":"4E-DD-35-69-54-BF","adapter":"eth0","ways":["IpConfig","AdaptInfo"],)j"
       R"j("reason":"every adapter but loopback"}])j"},
      {"a tunnel first",
       [](TestNamespace& netns) {
         netns.AddTun("tun0");
         netns.Run({"addr", "add", "192.0.2.20/24", "dev", "tun0"});
         netns.Run({"link", "set", "dev", "tun0", "up"});
         netns.AddVeth("eth0", "00:1a:2b:3c:4d:5e", {"198.51.100.7/24"});
       },
       R"j([{"address":null,"adapter":null,"ways":["WinMgmt"],"reason":"error 94: Invalid use of Null"},)j"
       R"j({"address":"00-1A-2B-3C-4D-5E","adapter":"eth0","ways":["IpConfig","NetWksta","NetBios","AdaptInfo"],)j"
       R"j("reason":"every adapter but loopback (IpConfig, AdaptInfo) or only those with IPv4 (NetWksta, )j"
       R"j(NetBios)"}])j"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestNamespace netns;
    c.build(netns);
    const auto inside = netns.Enter();
    const CapturedRun run =
        testing::RunCaptured(testing::BesideThisProgram("adreca-report"), {"--format=json"});
    EXPECT_EQ(nlohmann::ordered_json::parse(run.output).at("agreement").dump(), c.agreement);
  }
  ::unsetenv("TEMP");
}

// A usage error ends with status 2 before any way runs: nothing on the
// standard output, one line saying what is wrong and the usage on the
// standard error. Help and version go to the standard output.
TEST(ReportProgramTest, AUsageErrorSaysWhatIsWrongOnTheErrorStreamAndEndsWithTwo) {
  const std::string report = testing::BesideThisProgram("adreca-report");
  const struct {
    std::vector<std::string> arguments;
    std::string first_line;
  } cases[] = {
      {{"--format=xml"}, "adreca-report: invalid format 'xml': use text, json or csv"},
      {{"--way=Nothing"}, "adreca-report: unknown way 'Nothing'"},
      {{"--no-such-option"}, "adreca-report: unrecognized option '--no-such-option'"},
      {{"--format=json", "extra"}, "adreca-report: extra operand 'extra'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.front());
    std::vector<std::string> only_stdout{"-c", "exec \"$0\" \"$@\" 2>/dev/null", report};
    std::vector<std::string> only_stderr{"-c", "exec \"$0\" \"$@\" 2>&1 >/dev/null", report};
    only_stdout.insert(only_stdout.end(), c.arguments.begin(), c.arguments.end());
    only_stderr.insert(only_stderr.end(), c.arguments.begin(), c.arguments.end());
    const CapturedRun out = testing::RunCaptured("sh", only_stdout);
    const CapturedRun err = testing::RunCaptured("sh", only_stderr);
    EXPECT_EQ(out.status, 2);
    EXPECT_EQ(out.output, "");
    EXPECT_EQ(err.status, 2);
    EXPECT_EQ(err.output.rfind(c.first_line, 0), 0u) << err.output;
    EXPECT_NE(err.output.find("\nUsage: adreca-report "), std::string::npos) << err.output;
  }
  for (const std::string option : {"--help", "--version"}) {
    SCOPED_TRACE(option);
    const CapturedRun out =
        testing::RunCaptured("sh", {"-c", "exec \"$0\" \"$1\" 2>/dev/null", report, option});
    const CapturedRun err =
        testing::RunCaptured("sh", {"-c", "exec \"$0\" \"$1\" 2>&1 >/dev/null", report, option});
    EXPECT_EQ(out.status, 0);
    EXPECT_NE(out.output.find("adreca-report"), std::string::npos);
    EXPECT_EQ(err.output, "");
  }
}

}  // namespace
}  // namespace adreca::app
