#include "app/report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/error.h"
#include "probes/probes.h"

namespace adreca::app {
namespace {

// What the fake probes saw: the thread each ran on, and the lookups made
// (and the threads they were made on).
struct Seen {
  std::thread::id inside;
  std::thread::id interpreter;
  std::atomic<int> lookups{0};
  std::vector<std::thread::id> lookup_threads;
  std::vector<std::u16string> looked_up;
  std::vector<platform::AdapterSet> sets;
};
Seen* seen = nullptr;

std::u16string Inside() {
  seen->inside = std::this_thread::get_id();
  ApiStatus = 0;
  return u"021A2B3C4D5E";
}
std::u16string InsideNothing() {
  ApiStatus = 232;
  return u"";
}
std::u16string Interpreter() {
  seen->interpreter = std::this_thread::get_id();
  return u"021A2B3C4D5E";
}
std::u16string InterpreterFails() { RaiseFileNotFound(u"/tmp/ipconfig.tmp"); }

std::vector<platform::AdapterIdentity> Lookup(std::u16string_view address, platform::AdapterSet seen_by) {
  ++seen->lookups;
  seen->lookup_threads.push_back(std::this_thread::get_id());
  seen->looked_up.emplace_back(address);
  seen->sets.push_back(seen_by);
  return {{u"eth0", u"Ethernet adapter", {0x02, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, {}, {}}};
}

constexpr Way kInside{u"First", &Inside, StatusRule::kApiStatus, u""};
constexpr Way kInsideNothing{u"Third", &InsideNothing, StatusRule::kApiStatus, u""};
constexpr Way kInterpreter{u"Second", &Interpreter,       StatusRule::kNotApplicable,
                           u"",       StatusCodes::kNone, true};
constexpr Way kInterpreterFails{u"Second", &InterpreterFails,  StatusRule::kNotApplicable,
                                u"",       StatusCodes::kNone, true};

class RunReportTest : public ::testing::Test {
 protected:
  void SetUp() override { seen = &seen_; }
  void TearDown() override { seen = nullptr; }
  Seen seen_;
};

TEST_F(RunReportTest, RowsKeepTheOrderGivenWhileTheWaysInsideRunBesideTheInterpreterWay) {
  const Way* ways[] = {&kInside, &kInterpreter, &kInsideNothing};
  const std::vector<ReportRow> rows = RunReport(ways, &Lookup);

  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].way, u"First");
  EXPECT_EQ(rows[1].way, u"Second");
  EXPECT_EQ(rows[2].way, u"Third");
  // The interpreter way is started at once on a thread of its own; the ways
  // inside the process run beside it on the calling thread, whose one
  // reading of the adapters names every row, the interpreter's too.
  EXPECT_EQ(seen_.inside, std::this_thread::get_id());
  EXPECT_NE(seen_.interpreter, std::thread::id{});
  EXPECT_NE(seen_.interpreter, seen_.inside);
  ASSERT_FALSE(seen_.lookup_threads.empty());
  for (const std::thread::id thread : seen_.lookup_threads) EXPECT_EQ(thread, seen_.inside);

  // Each row's status is its own way's, though the ways inside ran while the
  // interpreter way did.
  EXPECT_EQ(rows[0].address, u"02-1A-2B-3C-4D-5E");
  EXPECT_EQ(rows[0].status, u"0");
  EXPECT_EQ(rows[1].address, u"02-1A-2B-3C-4D-5E");
  EXPECT_EQ(rows[1].status, u"n/a");
  EXPECT_EQ(rows[2].status, u"232");
  EXPECT_TRUE(rows[0].found);
  EXPECT_TRUE(rows[1].found);
  EXPECT_FALSE(rows[2].found);
  EXPECT_EQ(ReportExitStatus(rows), 1);
}

TEST_F(RunReportTest, AnAddressFoundByTwoWaysIsLookedUpOnceAndNamesBothRows) {
  const Way* ways[] = {&kInside, &kInterpreter};
  const std::vector<ReportRow> rows = RunReport(ways, &Lookup);

  EXPECT_EQ(seen_.lookups.load(), 1);
  for (const ReportRow& row : rows) {
    ASSERT_EQ(row.adapters.size(), 1u) << std::string(row.way.begin(), row.way.end());
    EXPECT_EQ(row.adapters[0].name, u"eth0");
  }
  EXPECT_EQ(ReportExitStatus(rows), 0);
}

// The adapter a row names depends on which adapters its way sees: the same
// address is looked up once for each set of adapters that the ways see, and
// the row keeps the set.
TEST_F(RunReportTest, EachRowIsNamedForTheAdaptersItsWaySees) {
  Way with_ipv4 = kInside;
  with_ipv4.sees = platform::AdapterSet::kWithIpv4;
  const Way* ways[] = {&kInside, &kInterpreter, &with_ipv4};
  const std::vector<ReportRow> rows = RunReport(ways, &Lookup);
  EXPECT_EQ(seen_.lookups.load(), 2);
  // Each row keeps what its way sees, for why the rows differ.
  EXPECT_EQ(rows[0].sees, platform::AdapterSet::kAllButLoopback);
  EXPECT_EQ(rows[2].sees, platform::AdapterSet::kWithIpv4);
  std::vector<platform::AdapterSet> sets = seen_.sets;
  std::sort(sets.begin(), sets.end());
  EXPECT_EQ(sets, (std::vector{platform::AdapterSet::kAllButLoopback, platform::AdapterSet::kWithIpv4}));
}

TEST_F(RunReportTest, AnInterpreterWayThatRaisesLeavesItsRowEmptyAndTheOthersWhole) {
  const Way* ways[] = {&kInside, &kInterpreterFails, &kInsideNothing};
  const std::vector<ReportRow> rows = RunReport(ways, &Lookup);

  ASSERT_TRUE(rows[1].error.has_value());
  EXPECT_EQ(rows[1].error->number, error_number::kFileNotFound);
  EXPECT_EQ(rows[1].address, u"");
  EXPECT_EQ(rows[1].status, u"");
  EXPECT_TRUE(rows[1].adapters.empty());
  EXPECT_FALSE(rows[0].error.has_value());
  EXPECT_EQ(rows[0].adapters.size(), 1u);
  EXPECT_FALSE(rows[2].error.has_value());
  EXPECT_EQ(ReportExitStatus(rows), 1);
}

}  // namespace
}  // namespace adreca::app
