// Every way through the Linux stand-ins while the adapters change under it:
// one thread feeds `ip -batch` in the test's namespace with veth pairs to add
// (each with a known address, an IPv4 address, up) and delete, as fast as ip
// takes them, while this thread runs each probe over and over in the same
// namespace. A run must end with the address of a pair that existed, or a
// text that the probe gives when it finds none, or an error with a number
// and a description that says what failed; never a crash or a sanitizer
// report. The ipconfig way starts the real interpreter each time (about a
// quarter of a second with the sanitizers), so it runs 100 times rather than
// 1,000.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <thread>

#include "core/error.h"
#include "core/text.h"
#include "probes/probes.h"
#include "tests/support/netns.h"
#include "tests/support/temp_folder.h"

extern char** environ;

namespace adreca {
namespace {

using testing::TestNamespace;

constexpr int kSlots = 8;  // pairs that exist at once, at most
constexpr int kRuns = 1000;
constexpr int kInterpreterRuns = 100;

char Hex(int digit) { return "0123456789ABCDEF"[digit & 15]; }

// The two ends of slot s: 02:C0:00:00:00:ss and 02:C1:00:00:00:ss.
std::string Mac(int end, int slot) {
  return std::string("02:C") + Hex(end) + ":00:00:00:" + Hex(slot >> 4) + Hex(slot);
}

std::u16string Compact(int end, int slot) {
  std::u16string compact;
  for (char c : Mac(end, slot)) {
    if (c != ':') compact += static_cast<char16_t>(c);
  }
  return compact;
}

// Adds and deletes veth pairs in a namespace through one `ip -force -batch -`
// process until stopped.
class Churn {
 public:
  explicit Churn(const std::string& netns) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[0], 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::string n = "-n";
    std::string force = "-force";
    std::string batch = "-batch";
    std::string from_input = "-";
    std::string ip = "ip";
    std::string name = netns;
    char* argv[] = {ip.data(), n.data(), name.data(), force.data(), batch.data(), from_input.data(), nullptr};
    const int failed = ::posix_spawnp(&ip_, "ip", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[0]);
    if (failed != 0) {
      ::close(ends[1]);
      throw std::runtime_error("cannot start ip");
    }
    input_ = ends[1];
    thread_ = std::thread([this] { Feed(); });
  }

  ~Churn() {
    stop_ = true;
    thread_.join();
    ::close(input_);
    ::waitpid(ip_, nullptr, 0);
  }

  Churn(const Churn&) = delete;
  Churn& operator=(const Churn&) = delete;

  int commands() const { return commands_; }

 private:
  void Feed() {
    // Should ip end early, the write fails with EPIPE instead of a signal
    // ending the whole test program.
    sigset_t pipe_signal;
    sigemptyset(&pipe_signal);
    sigaddset(&pipe_signal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_signal, nullptr);
    for (int round = 0; !stop_; ++round) {
      const int slot = round % kSlots;
      const std::string c = "c" + std::to_string(slot);
      const std::string batch = "link del " + c + "\nlink add " + c + " address " + Mac(0, slot) +
                                " type veth peer name p" + std::to_string(slot) + " address " + Mac(1, slot) +
                                "\naddr add 198.51.100." + std::to_string(slot + 1) + "/24 dev " + c +
                                "\nlink set " + c + " up\n";
      if (::write(input_, batch.data(), batch.size()) != static_cast<ssize_t>(batch.size())) return;
      commands_ += 4;
    }
  }

  pid_t ip_ = -1;
  int input_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<int> commands_{0};
  std::thread thread_;
};

// One way, how often it runs, and what it gives when it finds no address:
// empty text, or for NetBIOS the zeros of an adapter gone before its status.
struct Way {
  const char* name;
  std::u16string (*probe)();
  int every;  // runs in every `every`-th round
  std::set<std::u16string> no_address;
  int addresses = 0;
  int none_found = 0;
  std::map<std::int32_t, int> errors{};
  std::set<std::u16string> unexpected{};
};

class ChurnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ADRECA_SKIP_WITHOUT_NETNS();
    ::unsetenv("COMSPEC");
    TempDir = folder.WithSeparator();
    for (int end = 0; end < 2; ++end) {
      for (int slot = 0; slot < kSlots; ++slot) known.insert(Compact(end, slot));
    }
  }

  void RunOnce(Way& way) {
    try {
      const std::u16string result = way.probe();
      if (known.contains(result)) {
        ++way.addresses;
      } else if (way.no_address.contains(result)) {
        ++way.none_found;
      } else {
        way.unexpected.insert(result);
      }
    } catch (const Error& error) {
      ++way.errors[error.number()];
      EXPECT_FALSE(error.description().empty())
          << way.name << " raised " << error.number() << " without words";
    }
  }

  static void Report(const Way& way) {
    std::cout << "[ churn    ] " << way.name << ": " << way.addresses << " addresses, " << way.none_found
              << " none found";
    for (const auto& [number, count] : way.errors) std::cout << ", error " << number << " x" << count;
    std::cout << "\n";
  }

  std::set<std::u16string> known;
  testing::TempFolder folder{"adreca-churn"};
};

// The ways take turns, so that each meets the churn over the whole run.
TEST_F(ChurnTest, EveryWayKeepsWorkingWhileAdaptersComeAndGo) {
  Way ways[] = {
      {"MacWinMgmt", &MacWinMgmt, 1, {u""}},
      {"MacIpConfig", &MacIpConfig, kRuns / kInterpreterRuns, {u""}},
      {"MacNetWksta", &MacNetWksta, 1, {u""}},
      {"MacNetBios", &MacNetBios, 1, {u"", u"000000000000"}},
      {"MacAdaptInfo", &MacAdaptInfo, 1, {u""}},
  };
  TestNamespace netns;
  const auto inside = netns.Enter();
  int commands = 0;
  const auto start = std::chrono::steady_clock::now();
  {
    Churn churn(netns.name());
    for (int round = 0; round < kRuns; ++round) {
      for (Way& way : ways) {
        if (round % way.every == 0) RunOnce(way);
      }
    }
    commands = churn.commands();
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  std::cout << "[ churn    ] " << commands << " ip commands in "
            << std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() << " ms\n";
  int addresses = 0;
  for (const Way& way : ways) {
    Report(way);
    addresses += way.addresses;
    for (const auto& text : way.unexpected) ADD_FAILURE() << way.name << " gave " << ToUtf8(text);
    // Only the adapter list changing while it is read (EAGAIN, from the
    // stand-ins' snapshot) may end a run: the probes' own errors cannot
    // arise from well-formed platform answers.
    for (const auto& [number, count] : way.errors)
      EXPECT_EQ(number, 11) << way.name << ", " << count << " times";
  }
  EXPECT_GT(addresses, 0) << "the churn left no adapter to find";
  EXPECT_GT(commands, 100);
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "ipconfig.tmp"));
}

}  // namespace
}  // namespace adreca
