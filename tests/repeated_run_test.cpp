// Each way run 10,000 times in one process through the Linux stand-ins: no
// descriptor and no heap may accumulate, and no listing file may be left.
// LeakSanitizer checks the rest at exit. The ipconfig way runs 10,000 times
// on a fake interpreter that writes a realistic listing (the file is still
// created, read and deleted each time) and 200 times with the real
// interpreter process, whose start dominates the time under the sanitizers.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "core/error.h"
#include "core/text.h"
#include "platform/process.h"
#include "platform/seam.h"
#include "probes/probes.h"
#include "tests/support/process_figures.h"
#include "tests/support/temp_folder.h"

namespace adreca {
namespace {

namespace fs = std::filesystem;
using testing::ProcessFigures;

constexpr int kRuns = 10000;
constexpr int kRealInterpreterRuns = 200;

// Heap that may stay behind after the runs, whatever their number: what
// the first runs set up once (bound entry points, locale data, caches of the
// C library) is made before the first figures are taken.
constexpr std::size_t kHeapSlack = 64 * 1024;

constexpr std::string_view kListing =
    "\r\nWindows IP Configuration\r\n\r\n   Host Name . . . . . . . . . . . . : pc\r\n\r\n"
    "Tunnel adapter isatap:\r\n\r\n   Physical Address. . . . . . . . . : 00-00-00-00-00-00-00-E0\r\n\r\n"
    "Ethernet adapter Ethernet:\r\n\r\n   Physical Address. . . . . . . . . : 00-1A-2B-3C-4D-5E\r\n"
    "   DHCPv6 Client DUID. . . . . . . . : 00-01-00-01-2C-4B-1E-77-00-1A-2B-3C-4D-5E\r\n";

platform::ProcessHandle WriteListing(const std::u16string& command_line, int) {
  testing::WriteFileBytes(ToUtf8(command_line.substr(command_line.rfind(u'>') + 1)), kListing);
  return 1;
}
platform::ExitStatus Finished(platform::ProcessHandle, std::int32_t) { return {}; }
void Abandoned(platform::ProcessHandle) {}

class RepeatedRunTest : public ::testing::Test {
 protected:
  using Probe = std::u16string (*)();

  void SetUp() override {
    ::unsetenv("COMSPEC");
    TempDir = folder.WithSeparator();
  }

  // Runs the probe `runs` times after one warm-up run; the result must not
  // change from run to run on an unchanging machine.
  void RunAndCompare(const char* name, Probe probe, int runs) {
    const std::u16string first = probe();
    const ProcessFigures before;
    int differing = 0;
    for (int i = 0; i < runs; ++i) differing += probe() != first;
    const ProcessFigures after;
    std::cout << "[ figures  ] " << name << " x" << runs << ": " << testing::Compare(before, after) << "\n";
    EXPECT_EQ(differing, 0) << name;
    EXPECT_EQ(after.descriptors, before.descriptors) << name;
    EXPECT_LE(after.heap, before.heap + kHeapSlack) << name;
    EXPECT_FALSE(fs::exists(folder.path() / "ipconfig.tmp")) << name;
  }

  testing::TempFolder folder{"adreca-repeated"};
};

TEST_F(RepeatedRunTest, ManagementQuery) { RunAndCompare("MacWinMgmt", &MacWinMgmt, kRuns); }
TEST_F(RepeatedRunTest, WorkstationTransports) { RunAndCompare("MacNetWksta", &MacNetWksta, kRuns); }
TEST_F(RepeatedRunTest, NetBios) { RunAndCompare("MacNetBios", &MacNetBios, kRuns); }
TEST_F(RepeatedRunTest, AdapterTable) { RunAndCompare("MacAdaptInfo", &MacAdaptInfo, kRuns); }

TEST_F(RepeatedRunTest, IpConfigOnAFakeInterpreter) {
  seam::ScopedFake start{&platform::StartProcess, &WriteListing};
  seam::ScopedFake wait{&platform::WaitForProcess, &Finished};
  seam::ScopedFake abandon{&platform::AbandonProcess, &Abandoned};
  ASSERT_EQ(MacIpConfig(), u"001A2B3C4D5E");
  RunAndCompare("MacIpConfig (fake interpreter)", &MacIpConfig, kRuns);
}

TEST_F(RepeatedRunTest, IpConfigWithTheRealInterpreter) {
  RunAndCompare("MacIpConfig (real interpreter)", &MacIpConfig, kRealInterpreterRuns);
}

}  // namespace
}  // namespace adreca
