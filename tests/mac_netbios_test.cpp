#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/error.h"
#include "platform/netbios.h"
#include "platform/seam.h"
#include "probes/probes.h"
#include "tests/support/netns.h"

namespace adreca {
namespace {

using platform::NCB;
using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;
constexpr std::uint8_t kNameTable = 0xA5;

struct FakeLana {
  std::uint8_t number = 0;
  std::optional<std::array<std::uint8_t, 6>> address;  // none: the status request writes nothing
  std::uint8_t reset_code = 0;
  std::uint8_t status_code = 0;
};

// A scripted NetBIOS: answers from its LANA table and records every control
// block, and the contents of its buffer, as it was handed over.
struct FakeNetbios {
  std::uint8_t enum_code = 0;
  std::vector<FakeLana> lanas;
  std::vector<NCB> requests;
  std::vector<Bytes> buffers;

  std::uint8_t Answer(NCB& ncb) {
    requests.push_back(ncb);
    buffers.emplace_back(ncb.ncb_buffer, ncb.ncb_buffer + (ncb.ncb_buffer ? ncb.ncb_length : 0));
    const std::uint8_t code = Carry(ncb);
    ncb.ncb_retcode = code;
    ncb.ncb_cmd_cplt = code;
    return code;
  }

  std::uint8_t Carry(NCB& ncb) {
    if (ncb.ncb_command == platform::NCBENUM) {
      if (enum_code != 0) return enum_code;
      ncb.ncb_buffer[0] = static_cast<std::uint8_t>(lanas.size());
      for (std::size_t i = 0; i < lanas.size(); ++i) ncb.ncb_buffer[1 + i] = lanas[i].number;
      return 0;
    }
    const auto lana = std::find_if(lanas.begin(), lanas.end(),
                                   [&](const FakeLana& l) { return l.number == ncb.ncb_lana_num; });
    if (lana == lanas.end()) return platform::NRC_BRIDGE;
    if (ncb.ncb_command == platform::NCBRESET) return lana->reset_code;
    if (lana->address) {
      std::copy(lana->address->begin(), lana->address->end(), ncb.ncb_buffer);
      std::fill(ncb.ncb_buffer + 6, ncb.ncb_buffer + ncb.ncb_length, kNameTable);
    }
    return lana->status_code;
  }
};

std::string Hex(const std::uint8_t* bytes, std::size_t size) {
  std::string text;
  char digits[3];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
    text += digits;
  }
  return text;
}

constexpr char kZeroName[] = "00000000000000000000000000000000";
constexpr char kAsterisk[] = "2A202020202020202020202020202000";

// Every field of a recorded control block; buffers are named by their role.
std::string Describe(const NCB& ncb, const FakeNetbios& netbios) {
  const std::uint8_t* list = netbios.requests.front().ncb_buffer;
  const auto first_status = std::find_if(netbios.requests.begin(), netbios.requests.end(),
                                         [](const NCB& r) { return r.ncb_command == platform::NCBASTAT; });
  const std::uint8_t* status = first_status == netbios.requests.end() ? nullptr : first_status->ncb_buffer;
  const std::string buffer = ncb.ncb_buffer == nullptr  ? "null"
                             : ncb.ncb_buffer == list   ? "list"
                             : ncb.ncb_buffer == status ? "status"
                                                        : "other";
  const bool zero_reserve = std::all_of(std::begin(ncb.ncb_reserve), std::end(ncb.ncb_reserve),
                                        [](std::uint8_t b) { return b == 0; });
  char text[256];
  std::snprintf(text, sizeof text, "cmd=%d ret=%d lsn=%d num=%d lana=%d cplt=%d len=%d rto=%d sto=%d",
                ncb.ncb_command, ncb.ncb_retcode, ncb.ncb_lsn, ncb.ncb_num, ncb.ncb_lana_num,
                ncb.ncb_cmd_cplt, ncb.ncb_length, ncb.ncb_rto, ncb.ncb_sto);
  return std::string(text) + " buf=" + buffer + " call=" + Hex(ncb.ncb_callname, 16) +
         " name=" + Hex(ncb.ncb_name, 16) + (zero_reserve ? "" : " reserve!") +
         (ncb.ncb_post ? " post!" : "") + (ncb.ncb_event ? " event!" : "");
}

std::string Block(int command, int left_code, int lana, int length, const char* buffer,
                  const char* callname) {
  char text[256];
  std::snprintf(text, sizeof text, "cmd=%d ret=%d lsn=0 num=0 lana=%d cplt=%d len=%d rto=0 sto=0", command,
                left_code, lana, left_code, length);
  return std::string(text) + " buf=" + buffer + " call=" + callname + " name=" + kZeroName;
}

class MacNetBiosTest : public ::testing::Test {
 protected:
  void SetUp() override { ApiStatus = 12345; }

  Texts Blocks() const {
    Texts blocks;
    for (const NCB& ncb : netbios.requests) blocks.push_back(Describe(ncb, netbios));
    return blocks;
  }
  std::vector<int> Commands() const {
    std::vector<int> commands;
    for (const NCB& ncb : netbios.requests) commands.push_back(ncb.ncb_command * 1000 + ncb.ncb_lana_num);
    return commands;
  }

  FakeNetbios netbios;
  seam::ScopedFake<decltype(platform::Netbios)> seam{&platform::Netbios,
                                                     [this](NCB* ncb) { return netbios.Answer(*ncb); }};
};

TEST_F(MacNetBiosTest, AFailedOrEmptyEnumerationEndsTheRunAfterOneRequest) {
  for (std::uint8_t code : {0, 1, 0x23, 0xFF}) {
    SCOPED_TRACE(int{code});
    netbios = FakeNetbios();
    netbios.enum_code = code;
    EXPECT_EQ(MacNetBios(), u"");
    EXPECT_EQ(ApiStatus, code);
    EXPECT_EQ(Blocks(), Texts{Block(55, 0, 0, 258, "list", kZeroName)});
    EXPECT_EQ(netbios.buffers[0], Bytes(258, 0));
  }
}

TEST_F(MacNetBiosTest, TheFirstAcceptedAdapterEndsTheRun) {
  netbios.lanas = {{3, std::array<std::uint8_t, 6>{0, 0, 0, 0, 0, 1}}, {4, std::array<std::uint8_t, 6>{2}}};
  EXPECT_EQ(MacNetBios(), u"000000000001");
  EXPECT_EQ(Commands(), (std::vector<int>{55000, 50003, 51003}));
}

// Requests see each other's leftovers: the reset after a status request passes
// its call name, status buffer and length, and every code the platform wrote.
TEST_F(MacNetBiosTest, TheOneControlBlockCarriesWhatEarlierRequestsLeft) {
  netbios.lanas = {{5, std::array<std::uint8_t, 6>{}, 0, 0x01},
                   {2, std::array<std::uint8_t, 6>{}, 0x34, 0},
                   {9, std::array<std::uint8_t, 6>{0x00, 0x0A, 0xFF, 0x10, 0x01, 0xB2}, 0, 0x06}};
  EXPECT_EQ(MacNetBios(), u"000AFF1001B2");
  EXPECT_EQ(ApiStatus, 6);
  EXPECT_EQ(Blocks(),
            (Texts{Block(55, 0, 0, 258, "list", kZeroName), Block(50, 0, 5, 258, "list", kZeroName),
                   Block(51, 0, 5, 620, "status", kAsterisk), Block(50, 1, 2, 620, "status", kAsterisk),
                   Block(51, 0x34, 2, 620, "status", kAsterisk), Block(50, 0, 9, 620, "status", kAsterisk),
                   Block(51, 0, 9, 620, "status", kAsterisk)}));
  EXPECT_EQ(netbios.buffers[2], Bytes(620, 0));  // the status buffer starts zero-filled
}

TEST_F(MacNetBiosTest, TheStatusBufferKeepsAnEarlierAnswerThroughAFailedRequest) {
  netbios.lanas = {{0, std::array<std::uint8_t, 6>{}}, {1, std::nullopt, 0, platform::NRC_CMDTMO}};
  for (int run = 0; run < 2; ++run) {  // each run starts from fresh, zeroed buffers
    netbios.requests.clear();
    netbios.buffers.clear();
    EXPECT_EQ(MacNetBios(), u"000000000000");
    EXPECT_EQ(ApiStatus, platform::NRC_CMDTMO);
    EXPECT_EQ(netbios.buffers[0], Bytes(258, 0));
    EXPECT_EQ(netbios.buffers[2], Bytes(620, 0));
    Bytes kept(620, kNameTable);
    std::fill_n(kept.begin(), 6, 0);
    EXPECT_EQ(netbios.buffers[4], kept);
  }
}

TEST_F(MacNetBiosTest, TwoHundredFiftyFiveSilentAdaptersGiveZerosAfter511Requests) {
  for (int n = 0; n < 255; ++n) netbios.lanas.push_back({static_cast<std::uint8_t>(n), std::nullopt});
  EXPECT_EQ(MacNetBios(), u"000000000000");
  EXPECT_EQ(ApiStatus, 0);
  ASSERT_EQ(netbios.requests.size(), 511u);
  EXPECT_EQ(Commands().back(), 51254);
}

// ---- Through the Linux stand-in, on the adapters of a test namespace ----

TEST(MacNetBiosRealAdaptersTest, SkipsAnAdapterWithoutHardwareAddressAndTakesTheLowerIndex) {
  ADRECA_SKIP_WITHOUT_NETNS();
  testing::TestNamespace netns;
  netns.AddTun("tun0");  // listed first, without a hardware address
  netns.Run({"address", "add", "198.51.100.1/32", "dev", "tun0"});
  netns.AddVeth("veth0", "00:1a:2b:3c:4d:5e", {"192.0.2.10/24"});
  netns.AddVeth("veth1", "02:00:00:00:00:02", {"192.0.2.11/24"});
  const auto inside = netns.Enter();
  ApiStatus = -1;
  EXPECT_EQ(MacNetBios(), u"001A2B3C4D5E");
  EXPECT_EQ(ApiStatus, 0);
}

TEST(MacNetBiosRealAdaptersTest, ReportsTheOnlyAdapter) {
  ADRECA_SKIP_WITHOUT_NETNS();
  testing::TestNamespace netns;
  netns.AddVeth("veth0", "00:1a:2b:3c:4d:5e", {"192.0.2.10/24"});
  const auto inside = netns.Enter();
  ApiStatus = -1;
  EXPECT_EQ(MacNetBios(), u"001A2B3C4D5E");
  EXPECT_EQ(ApiStatus, 0);
}

}  // namespace
}  // namespace adreca
