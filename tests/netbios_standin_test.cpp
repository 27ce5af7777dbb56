#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/error.h"
#include "platform/standin/netbios_standin.h"
#include "tests/support/adapters.h"

namespace adreca::platform::standin {
namespace {

using testing::AddressedAdapter;
using testing::MakeAdapter;
using platform::standin::LinkType;
using testing::kLoopbackUp;

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kUntouched = 0xCC;

// Four listed adapters among ones that NetBIOS does not number.
AdapterSnapshot Machine() {
  AdapterSnapshot snapshot;
  snapshot.host_name = "myhost.example.org";
  snapshot.adapters = {
      AddressedAdapter(1, "lo", Bytes(6, 0), LinkType::kLoopback, kLoopbackUp),
      AddressedAdapter(2, "eth0", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}),
      MakeAdapter(3, "v6only", {2, 0, 0, 0, 0, 3}),
      AddressedAdapter(4, "tun0", {}),
      AddressedAdapter(5, "ib0",
                       Bytes{0x80, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}),
      AddressedAdapter(6, "short", {0xAA, 0xBB, 0xCC, 0xDD}),
  };
  snapshot.adapters[2].ipv6.push_back({});
  return snapshot;
}

// A buffer that ends exactly where the heap allocation ends, so that AddressSanitizer
// reports any write past ncb_length.
struct ExactBuffer {
  explicit ExactBuffer(std::size_t size) : size(size), bytes(new std::uint8_t[size]) {
    std::fill_n(bytes.get(), size, kUntouched);
  }
  Bytes Contents() const { return Bytes(bytes.get(), bytes.get() + size); }
  std::size_t size;
  std::unique_ptr<std::uint8_t[]> bytes;
};

NCB Request(std::uint8_t command, std::uint8_t lana, std::uint8_t* buffer = nullptr,
            std::uint16_t length = 0) {
  NCB ncb{};
  ncb.ncb_command = command;
  ncb.ncb_lana_num = lana;
  ncb.ncb_buffer = buffer;
  ncb.ncb_length = length;
  ncb.ncb_callname[0] = '*';
  return ncb;
}

class NetbiosStandInTest : public ::testing::Test {
 protected:
  std::uint8_t Submit(NCB ncb) {
    const std::uint8_t code = netbios.Submit(ncb);
    EXPECT_EQ(ncb.ncb_retcode, code);
    EXPECT_EQ(ncb.ncb_cmd_cplt, code);
    return code;
  }
  std::uint8_t Enumerate() {
    ExactBuffer lanas(sizeof(LANA_ENUM));
    return Submit(Request(NCBENUM, 0, lanas.bytes.get(), sizeof(LANA_ENUM)));
  }
  std::uint8_t Status(std::uint8_t lana, ExactBuffer& buffer) {
    return Submit(Request(NCBASTAT, lana, buffer.bytes.get(), static_cast<std::uint16_t>(buffer.size)));
  }
  Bytes StatusOf(std::uint8_t lana) {
    ExactBuffer buffer(100);
    EXPECT_EQ(Status(lana, buffer), NRC_GOODRET);
    return buffer.Contents();
  }

  AdapterSnapshot machine = Machine();
  int reads = 0;
  bool unreadable = false;
  NetbiosStandIn netbios{[this] {
    ++reads;
    if (unreadable) RaisePlatformError(105, u"Cannot read the adapters");
    return std::make_shared<const AdapterSnapshot>(machine);
  }};
};

TEST_F(NetbiosStandInTest, EnumerateNumbersTheNonLoopbackIpv4AdaptersFromZero) {
  ExactBuffer lanas(sizeof(LANA_ENUM));
  ASSERT_EQ(Submit(Request(NCBENUM, 0, lanas.bytes.get(), sizeof(LANA_ENUM))), NRC_GOODRET);
  Bytes expected(sizeof(LANA_ENUM), 0);
  expected[0] = 4;
  for (std::uint8_t n = 0; n < 4; ++n) expected[1 + n] = n;
  EXPECT_EQ(lanas.Contents(), expected);
}

TEST_F(NetbiosStandInTest, EnumerateRefusesAMissingOrShortBufferWithoutWriting) {
  ExactBuffer short_buffer(sizeof(LANA_ENUM) - 1);
  EXPECT_EQ(Submit(Request(NCBENUM, 0, short_buffer.bytes.get(), sizeof(LANA_ENUM) - 1)), NRC_BUFLEN);
  EXPECT_EQ(short_buffer.Contents(), Bytes(short_buffer.size, kUntouched));
  EXPECT_EQ(Submit(Request(NCBENUM, 0, nullptr, sizeof(LANA_ENUM))), NRC_BUFLEN);
}

TEST_F(NetbiosStandInTest, StatusReportsTheFirstSixHardwareAddressBytesZeroPadded) {
  for (std::uint8_t lana = 0; lana < 4; ++lana) ASSERT_EQ(Submit(Request(NCBRESET, lana)), NRC_GOODRET);
  const Bytes addresses[] = {{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E},
                             {0, 0, 0, 0, 0, 0},
                             {0x80, 1, 2, 3, 4, 5},
                             {0xAA, 0xBB, 0xCC, 0xDD, 0, 0}};
  for (std::uint8_t lana = 0; lana < 4; ++lana) {
    const Bytes status = StatusOf(lana);
    EXPECT_EQ(Bytes(status.begin(), status.begin() + 6), addresses[lana]) << "LANA " << int{lana};
  }
}

// The whole record: ADAPTER_STATUS, then the host's name entry.
Bytes ExpectedStatusOfEth0() {
  Bytes record = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 3, 0, 0xFE, 0};
  record.resize(58, 0);
  record.insert(record.end(), {1, 0});
  for (char c : std::string("MYHOST         ")) record.push_back(static_cast<std::uint8_t>(c));
  record.insert(record.end(), {0x00, 1, REGISTERED});
  return record;
}

TEST_F(NetbiosStandInTest, StatusCopiesWhatFitsAndNeverWritesPastTheLength) {
  const Bytes whole = ExpectedStatusOfEth0();
  ASSERT_EQ(whole.size(), 78u);
  ASSERT_EQ(Submit(Request(NCBRESET, 0)), NRC_GOODRET);
  struct Case {
    std::size_t length;
    std::uint8_t code;
    std::size_t written;
  };
  for (const Case& c : {Case{100, NRC_GOODRET, 78}, Case{78, NRC_GOODRET, 78}, Case{77, NRC_INCOMP, 77},
                        Case{61, NRC_INCOMP, 61}, Case{60, NRC_INCOMP, 60}, Case{59, NRC_BUFLEN, 0},
                        Case{1, NRC_BUFLEN, 0}}) {
    SCOPED_TRACE(c.length);
    ExactBuffer buffer(c.length);
    EXPECT_EQ(Status(0, buffer), c.code);
    Bytes expected(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(c.written));
    expected.resize(c.length, kUntouched);
    EXPECT_EQ(buffer.Contents(), expected);
  }
  EXPECT_EQ(Submit(Request(NCBASTAT, 0, nullptr, 100)), NRC_BUFLEN);
}

TEST_F(NetbiosStandInTest, RefusedRequestsWriteNothing) {
  ASSERT_EQ(Submit(Request(NCBRESET, 0)), NRC_GOODRET);
  NCB remote = Request(NCBASTAT, 0);
  std::copy_n("OTHERHOST      ", 15, remote.ncb_callname);
  struct Case {
    const char* label;
    NCB ncb;
    std::uint8_t code;
  };
  for (Case c : {Case{"unknown command", Request(0x7F, 0), NRC_ILLCMD},
                 Case{"asynchronous status", Request(NCBASTAT | ASYNCH, 0), NRC_ILLCMD},
                 Case{"reset of an unlisted number", Request(NCBRESET, 4), NRC_BRIDGE},
                 Case{"status of an unlisted number", Request(NCBASTAT, 255), NRC_BRIDGE},
                 Case{"status before reset", Request(NCBASTAT, 1), NRC_ENVNOTDEF},
                 Case{"status of a remote name", remote, NRC_CMDTMO}}) {
    SCOPED_TRACE(c.label);
    ExactBuffer buffer(100);
    c.ncb.ncb_buffer = buffer.bytes.get();
    c.ncb.ncb_length = 100;
    EXPECT_EQ(Submit(c.ncb), c.code);
    EXPECT_EQ(buffer.Contents(), Bytes(100, kUntouched));
  }
}

TEST_F(NetbiosStandInTest, AResetStopsCountingWhenItsNumberNamesAnotherAdapter) {
  ASSERT_EQ(Submit(Request(NCBRESET, 0)), NRC_GOODRET);
  ASSERT_EQ(Enumerate(), NRC_GOODRET);
  EXPECT_EQ(StatusOf(0)[1], 0x1A);  // the same adapters: still reset

  machine.adapters[1].ipv4.clear();  // eth0 leaves; number 0 is now tun0
  ASSERT_EQ(Enumerate(), NRC_GOODRET);
  ExactBuffer buffer(100);
  EXPECT_EQ(Status(0, buffer), NRC_ENVNOTDEF);
  ASSERT_EQ(Submit(Request(NCBRESET, 0)), NRC_GOODRET);
  const Bytes status = StatusOf(0);
  EXPECT_EQ(Bytes(status.begin(), status.begin() + 6), Bytes(6, 0));
}

TEST_F(NetbiosStandInTest, AdaptersAreReadAtEnumerationAndOnlyThen) {
  ASSERT_EQ(Submit(Request(NCBRESET, 0)), NRC_GOODRET);  // no numbering yet: reads one
  ASSERT_EQ(Submit(Request(NCBRESET, 1)), NRC_GOODRET);
  StatusOf(0);
  EXPECT_EQ(reads, 1);
  ASSERT_EQ(Enumerate(), NRC_GOODRET);
  StatusOf(1);
  EXPECT_EQ(reads, 2);

  unreadable = true;
  EXPECT_EQ(Enumerate(), NRC_SYSTEM);
  EXPECT_EQ(StatusOf(0)[1], 0x1A);  // the previous numbering stays
}

TEST_F(NetbiosStandInTest, AtMost254AdaptersAreNumberedAsOnThePlatform) {
  machine.adapters.clear();
  for (int i = 0; i < 300; ++i)
    machine.adapters.push_back(
        AddressedAdapter(10 + i, "veth", {2, 0, 0, 0, 1, static_cast<std::uint8_t>(i)}));
  ExactBuffer lanas(sizeof(LANA_ENUM));
  ASSERT_EQ(Submit(Request(NCBENUM, 0, lanas.bytes.get(), sizeof(LANA_ENUM))), NRC_GOODRET);
  EXPECT_EQ(lanas.bytes[0], 254);
  EXPECT_EQ(lanas.bytes[254], 253);
  ASSERT_EQ(Submit(Request(NCBRESET, 253)), NRC_GOODRET);
  EXPECT_EQ(StatusOf(253)[5], 253);
  EXPECT_EQ(Submit(Request(NCBRESET, 254)), NRC_BRIDGE);
}

TEST(NetbiosNameTest, UpperCasesTheFirstLabelIntoFifteenCharactersAndTheSuffix) {
  const auto text = [](const std::string& host) {
    const auto name = NetbiosName(host);
    return name ? std::string(name->begin(), name->end()) : std::string("none");
  };
  EXPECT_EQ(text("myhost.example.org"), std::string("MYHOST         \0", 16));
  EXPECT_EQ(text("Build-Server-Number-7"), std::string("BUILD-SERVER-NU\0", 16));
  EXPECT_EQ(text(""), "none");
  EXPECT_EQ(text(".local"), "none");
}

TEST(NetbiosEntryPointTest, TheStandInAnswersThroughTheSeam) {
  EXPECT_EQ(Netbios(nullptr), NRC_INVADDRESS);
  NCB ncb = Request(0x7F, 0);
  EXPECT_EQ(Netbios(&ncb), NRC_ILLCMD);
  EXPECT_EQ(ncb.ncb_retcode, NRC_ILLCMD);
}

}  // namespace
}  // namespace adreca::platform::standin
