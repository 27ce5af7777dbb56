// Two runs of the ipconfig way at once, with one temporary folder: reports in
// two machines (network namespaces) that share the file system, or in one.
// Each run must read the listing that its own interpreter wrote.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/text.h"
#include "platform/files.h"
#include "tests/support/captured_run.h"
#include "tests/support/netns.h"
#include "tests/support/raised.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temp_folder.h"

namespace adreca {
namespace {

using testing::TestNamespace;

// How many rounds of two reports at once: enough to meet the race that made
// one report show the other machine's address; ADRECA_TWO_RUNS_ROUNDS asks for
// more.
int Rounds() {
  const char* asked = std::getenv("ADRECA_TWO_RUNS_ROUNDS");
  return asked != nullptr ? std::atoi(asked) : 25;
}

struct Machine {
  TestNamespace netns;
  std::string expected;  // how the report's CSV line for IpConfig starts
};

void Equip(Machine& machine, const std::string& mac, const std::string& shown) {
  machine.netns.AddVeth("eth0", mac, {"192.0.2.10/24"});
  machine.expected = "IpConfig," + shown + ",n/a,,,eth0,";
}

// The report's IpConfig line, from a report run in `machine`'s namespace.
std::string ReportIn(const Machine& machine, int& status) {
  const auto inside = machine.netns.Enter();
  const testing::CapturedRun run =
      testing::RunCaptured(testing::BesideThisProgram("adreca-report"), {"--way=IpConfig", "--format=csv"});
  status = run.status;
  const std::size_t start = run.output.find("\r\n") + 2;
  return run.output.substr(start, run.output.find("\r\n", start) - start);
}

void ExpectEachReadsItsOwn(const std::array<const Machine*, 2>& machines) {
  int wrong = 0;
  for (int round = 0; round < Rounds(); ++round) {
    std::array<std::string, 2> lines;
    std::array<int, 2> statuses{};
    std::thread other([&] { lines[1] = ReportIn(*machines[1], statuses[1]); });
    lines[0] = ReportIn(*machines[0], statuses[0]);
    other.join();
    for (std::size_t i = 0; i < machines.size(); ++i) {
      if (lines[i].starts_with(machines[i]->expected) && statuses[i] == 0) continue;
      ++wrong;
      ADD_FAILURE() << "round " << round << ", run " << i << ": status " << statuses[i] << ", " << lines[i]
                    << " instead of " << machines[i]->expected;
    }
  }
  EXPECT_EQ(wrong, 0) << "of " << 2 * Rounds() << " runs";
}

class TwoRunsTest : public ::testing::Test {
 protected:
  void SetUp() override { ADRECA_SKIP_WITHOUT_NETNS(); }

  testing::TempFolder shared{"adreca-two-runs"};
  testing::ScopedVariable temp{"TEMP", shared.path().string()};
  testing::ScopedVariable comspec{"COMSPEC", std::nullopt};
};

TEST_F(TwoRunsTest, ReportsInTwoMachinesSharingTheTemporaryFolderEachShowTheirOwnAddress) {
  Machine first;
  Machine second;
  Equip(first, "00:1a:2b:3c:4d:5e", "00-1A-2B-3C-4D-5E");
  Equip(second, "02:00:5e:10:00:02", "02-00-5E-10-00-02");
  ExpectEachReadsItsOwn({&first, &second});
}

TEST_F(TwoRunsTest, TwoReportsInOneMachineBothFindItsAddress) {
  Machine only;
  Equip(only, "00:1a:2b:3c:4d:5e", "00-1A-2B-3C-4D-5E");
  ExpectEachReadsItsOwn({&only, &only});
}

// ---- The lock alone ----

using Clock = std::chrono::steady_clock;

std::int32_t LockError(const std::u16string& folder, std::chrono::milliseconds wait) {
  return testing::ErrorNumberOf([&] { const platform::ListingLock lock(folder, Clock::now() + wait); });
}

constexpr std::int32_t kTimeout = 1460;

// A held folder keeps every other run out under every spelling of its name,
// until it is let go; another folder is not held; nothing stays behind.
TEST(ListingLockTest, HoldsTheFolderUnderEverySpellingUntilItIsLetGo) {
  testing::TempFolder folder("adreca-lock");
  testing::TempFolder other("adreca-lock-other");
  const std::string name = folder.path().filename().string();
  {
    const platform::ListingLock held(folder.WithSeparator(), Clock::now());
    for (const std::string& spelling :
         {folder.path().string(), folder.path().string() + "/", folder.path().string() + "/./",
          folder.path().string() + "/../" + name + "/"}) {
      SCOPED_TRACE(spelling);
      EXPECT_EQ(LockError(FromUtf8(spelling), std::chrono::milliseconds(30)), kTimeout);
    }
    EXPECT_EQ(LockError(other.WithSeparator(), std::chrono::milliseconds(30)), 0);
  }
  EXPECT_EQ(LockError(folder.WithSeparator(), std::chrono::milliseconds(30)), 0);
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

// A run waits for the one that holds the folder and goes on once it ends,
// within its own time.
TEST(ListingLockTest, ARunWaitsForTheHolderAndGoesOnWhenItEnds) {
  testing::TempFolder folder("adreca-lock");
  std::optional<platform::ListingLock> held(std::in_place, folder.WithSeparator(), Clock::now());
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    held.reset();
  });
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(LockError(folder.WithSeparator(), std::chrono::seconds(10)), 0);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(90));
  release.join();
}

// In a folder that every user may write into, the lock is kept elsewhere,
// where only this user can write: no other user can plant, take or remove it.
TEST(ListingLockTest, IsNotKeptInAFolderThatOthersMayWrite) {
  testing::TempFolder shared("adreca-lock-shared");
  ::chmod(shared.path().c_str(), 01777);
  const platform::ListingLock held(shared.WithSeparator(), Clock::now());
  EXPECT_TRUE(std::filesystem::is_empty(shared.path()));
  EXPECT_EQ(LockError(shared.WithSeparator(), std::chrono::milliseconds(30)), kTimeout);
}

}  // namespace
}  // namespace adreca
