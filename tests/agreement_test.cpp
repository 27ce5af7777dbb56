#include "app/agreement.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/text.h"

namespace adreca::app {
namespace {

// A row of the program's table of ways that shows `address`, naming
// `adapter` unless it is empty.
ReportRow Shows(int row, std::u16string address, std::u16string adapter = {}) {
  ReportRow shown;
  shown.way = WayOfRow(row).caption;
  shown.sees = WayOfRow(row).sees;
  shown.found = address != u"-----" && address != u"00-00-00-00-00-00";
  shown.address = std::move(address);
  shown.status = u"0";
  if (!adapter.empty()) shown.adapters = {{std::move(adapter), u"", {}, {}, {}}};
  return shown;
}

ReportRow Raised(int row, int number, std::u16string description) {
  ReportRow raised;
  raised.way = WayOfRow(row).caption;
  raised.sees = WayOfRow(row).sees;
  raised.error = RaisedError{number, std::move(description)};
  return raised;
}

// A group as one line, to compare a whole agreement at once.
std::string Line(const AgreementGroup& group) {
  std::string line = group.address ? ToUtf8(*group.address) : "null";
  line += " | " + (group.adapter ? ToUtf8(*group.adapter) : "null") + " |";
  for (const std::u16string_view way : group.ways) line += " " + ToUtf8(way);
  return line + " | " + ToUtf8(group.reason);
}

struct Case {
  const char* name;
  std::vector<ReportRow> rows;
  std::vector<std::string> groups;
};

const std::u16string kEth0Address = u"02-FC-00-00-00-01";

TEST(AgreementTest, GroupsTheWaysThatShowTheSameAndSaysWhy) {
  const Case cases[] = {
      {"every way agrees, though they see different sets",
       {Shows(1, kEth0Address, u"eth0"), Shows(2, kEth0Address, u"eth0"), Shows(3, kEth0Address, u"eth0"),
        Shows(4, kEth0Address, u"eth0"), Shows(5, kEth0Address, u"eth0")},
       {"02-FC-00-00-00-01 | eth0 | WinMgmt IpConfig NetWksta NetBios AdaptInfo | every adapter but loopback "
        "(IpConfig, AdaptInfo), only those with an IP address (WinMgmt) or with IPv4 (NetWksta, NetBios)"}},
      {"the first adapter holds no IP address",
       {Shows(1, kEth0Address, u"eth0"), Shows(2, u"4E-DD-35-69-54-BF", u"ifb0"),
        Shows(3, kEth0Address, u"eth0"), Shows(4, kEth0Address, u"eth0"),
        Shows(5, u"4E-DD-35-69-54-BF", u"ifb0")},
       {"02-FC-00-00-00-01 | eth0 | WinMgmt NetWksta NetBios | only adapters with an IP address (WinMgmt) or "
        "with IPv4 (NetWksta, NetBios)",
        "4E-DD-35-69-54-BF | ifb0 | IpConfig AdaptInfo | every adapter but loopback"}},
      {"a tunnel first: the management query raises",
       {Raised(1, 94, u"Invalid use of Null"), Shows(2, kEth0Address, u"eth0"),
        Shows(3, kEth0Address, u"eth0"), Shows(4, kEth0Address, u"eth0"), Shows(5, kEth0Address, u"eth0")},
       {"null | null | WinMgmt | error 94: Invalid use of Null",
        "02-FC-00-00-00-01 | eth0 | IpConfig NetWksta NetBios AdaptInfo | every adapter but loopback "
        "(IpConfig, "
        "AdaptInfo) or only those with IPv4 (NetWksta, NetBios)"}},
      {"the platform gives lower case",
       {Shows(1, u"02-fc-00-00-00-01", u"eth0"), Shows(2, u"02-fc-00-00-00-01", u"eth0"),
        Shows(3, u"02-fc-00-00-00-01", u"eth0"), Shows(4, kEth0Address, u"eth0"),
        Shows(5, kEth0Address, u"eth0")},
       {"02-fc-00-00-00-01 | eth0 | WinMgmt IpConfig NetWksta | every adapter but loopback (IpConfig), only "
        "those with an IP address (WinMgmt) or with IPv4 (NetWksta); same adapter as NetBios, AdaptInfo: the "
        "platform's letter case vs upper case",
        "02-FC-00-00-00-01 | eth0 | NetBios AdaptInfo | every adapter but loopback (AdaptInfo) or only those "
        "with IPv4 (NetBios); same adapter as WinMgmt, IpConfig, NetWksta: upper case vs the platform's "
        "letter "
        "case"}},
      {"only a tunnel: no way finds an address",
       {Raised(1, 94, u"Invalid use of Null"), Shows(2, u"-----"), Shows(3, u"00-00-00-00-00-00"),
        Shows(4, u"00-00-00-00-00-00"), Shows(5, u"-----")},
       {"null | null | WinMgmt | error 94: Invalid use of Null",
        "----- | null | IpConfig AdaptInfo | found no address: every adapter but loopback",
        "00-00-00-00-00-00 | null | NetWksta NetBios | found no address: only adapters with IPv4"}},
      {"two ways of a bridge's address, as --way picks them",
       {Shows(1, kEth0Address, u"br0"), Shows(5, kEth0Address, u"eth0")},
       {"02-FC-00-00-00-01 | br0 | WinMgmt AdaptInfo | every adapter but loopback (AdaptInfo) or only those "
        "with an IP address (WinMgmt); AdaptInfo names another adapter that has it"}},
      {"two ways that agree, as --way picks them",
       {Shows(3, kEth0Address, u"eth0"), Shows(4, kEth0Address, u"eth0")},
       {"02-FC-00-00-00-01 | eth0 | NetWksta NetBios | only adapters with IPv4"}},
      {"one group for each distinct error",
       {Raised(1, 94, u"Invalid use of Null"), Raised(2, 53, u"File not found: /tmp/ipconfig.tmp"),
        Raised(3, 94, u"Invalid use of Null"), Raised(4, 94, u"Invalid use of Null: other")},
       {"null | null | WinMgmt NetWksta | error 94: Invalid use of Null",
        "null | null | IpConfig | error 53: File not found: /tmp/ipconfig.tmp",
        "null | null | NetBios | error 94: Invalid use of Null: other"}},
      {"an address that one way names no adapter for",
       {Shows(2, kEth0Address), Shows(5, kEth0Address, u"eth0")},
       {"02-FC-00-00-00-01 | eth0 | IpConfig AdaptInfo | every adapter but loopback; IpConfig names no "
        "adapter"}},
      {"no way ran", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> groups;
    for (const AgreementGroup& group : Agreement(c.rows)) groups.push_back(Line(group));
    EXPECT_EQ(groups, c.groups);
  }
}

// A window's row whose button was never pressed did not run: it is in no
// group, and an agreement of the rest stays one.
TEST(AgreementTest, OnlyTheWaysThatRanAreGrouped) {
  std::vector<ReportRow> rows{Shows(1, kEth0Address, u"eth0"), Shows(2, u""),
                              Shows(3, kEth0Address, u"eth0")};
  rows[1].ran = false;
  const std::vector<AgreementGroup> groups = Agreement(rows);
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(groups[0].ways, (std::vector<std::u16string_view>{u"WinMgmt", u"NetWksta"}));
  EXPECT_EQ(AgreementParagraph(groups), u"");
}

// The paragraph: which ways show what, and why; nothing when they agree.
TEST(AgreementTest, TheParagraphSaysWhatEachGroupShowsAndWhy) {
  const std::vector<ReportRow> rows{Raised(1, 94, u"Invalid use of Null"),
                                    Shows(2, u"4E-DD-35-69-54-BF", u"ifb0"), Shows(3, kEth0Address, u"eth0"),
                                    Shows(4, kEth0Address, u"eth0"), Shows(5, u"-----")};
  EXPECT_EQ(
      ToUtf8(AgreementParagraph(Agreement(rows))),
      "The rows differ. WinMgmt: error 94: Invalid use of Null. IpConfig shows 4E-DD-35-69-54-BF (ifb0): "
      "every adapter but loopback. NetWksta, NetBios show 02-FC-00-00-00-01 (eth0): only adapters with "
      "IPv4. AdaptInfo shows -----: found no address: every adapter but loopback.");
  const std::vector<ReportRow> agreeing{Shows(1, kEth0Address, u"eth0"), Shows(5, kEth0Address, u"eth0")};
  EXPECT_EQ(AgreementParagraph(Agreement(agreeing)), u"");
  EXPECT_EQ(AgreementParagraph({}), u"");
}

}  // namespace
}  // namespace adreca::app
