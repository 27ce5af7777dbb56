// The in-process measurements, each beside its floor or peer: the adapter
// snapshot against one raw RTM_GETLINK dump, the four in-process probes
// against the snapshot and against psutil, and the ipconfig probe (which
// starts the interpreter) against a shell that lists the links into a file.
// They read the network namespace that the program runs in; bench/run starts
// it with `ip netns exec`.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/link_dump_floor.h"
#include "bench/python_peer.h"
#include "core/text.h"
#include "platform/standin/adapter_snapshot.h"
#include "probes/probes.h"

extern char** environ;

namespace adreca::bench {
namespace {

// A private folder for the listing file and the floor's output, removed at
// the end.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "adreca-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

ScratchFolder* scratch = nullptr;

// ---- Snapshot and its floor ----

void LinkDumpFloor(benchmark::State& state) {
  int links = 0;
  for (auto _ : state) benchmark::DoNotOptimize(links = RawLinkDump());
  state.counters["interfaces"] = links;
}

void SnapshotDumpsFloor(benchmark::State& state) {
  int links = 0;
  for (auto _ : state) benchmark::DoNotOptimize(links = RawSnapshotDumps());
  state.counters["interfaces"] = links;
}

void Snapshot(benchmark::State& state) {
  std::size_t adapters = 0;
  for (auto _ : state) {
    const platform::standin::AdapterSnapshot snapshot = platform::standin::ReadAdapterSnapshot();
    benchmark::DoNotOptimize(adapters = snapshot.adapters.size());
  }
  state.counters["interfaces"] = static_cast<double>(adapters);
}

// The snapshot of another network namespace, entered by this thread for the
// benchmark's duration: sizes measured in one process can be interleaved, so
// that their times per interface are comparable on a noisy machine.
class NamespaceVisit {
 public:
  explicit NamespaceVisit(const std::string& path)
      : home_(::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC)) {
    const int target = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool entered = home_ >= 0 && target >= 0 && ::setns(target, CLONE_NEWNET) == 0;
    if (target >= 0) ::close(target);
    if (!entered) {
      if (home_ >= 0) ::close(home_);
      throw std::runtime_error("cannot enter the network namespace " + path);
    }
  }
  ~NamespaceVisit() {
    ::setns(home_, CLONE_NEWNET);
    ::close(home_);
  }
  NamespaceVisit(const NamespaceVisit&) = delete;
  NamespaceVisit& operator=(const NamespaceVisit&) = delete;

 private:
  int home_;
};

template <void (*kBenchmark)(benchmark::State&)>
void In(benchmark::State& state, const std::string& path) {
  const NamespaceVisit visit(path);
  kBenchmark(state);
}

// ---- Probes ----

// The label shows the address found, so that the run can check which adapter
// each probe stopped at.
template <std::u16string (*kProbe)()>
void Probe(benchmark::State& state) {
  std::u16string found;
  for (auto _ : state) {
    found = kProbe();
    benchmark::DoNotOptimize(found.data());
  }
  state.SetLabel(ToUtf8(found.empty() ? u"(empty)" : found));
  state.counters["api_status"] = ApiStatus;
}

// ---- The ipconfig probe's floor: one shell that lists the links into a file ----

void RunAndWait(const char* program, char* const argv[]) {
  pid_t pid = 0;
  const int failure = ::posix_spawn(&pid, program, nullptr, nullptr, argv, environ);
  if (failure != 0) throw std::runtime_error(std::string("cannot start ") + program);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error(std::string(program) + " failed");
}

// A whole process with its standard output into a file of the scratch folder.
void RunToFile(const std::string& program, std::vector<std::string> arguments, const std::string& file) {
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, file.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
  arguments.insert(arguments.begin(), program);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int failure = ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (failure != 0) throw std::runtime_error("cannot start " + program);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  // The report's status 1 (a way found nothing) is an answer, not a failure.
  if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) throw std::runtime_error(program + " failed");
}

std::string BesideThisProgram(const std::string& name) {
  return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / name).string();
}

// The console report as a user runs it: every way, as JSON, into a file.
void ReportProcess(benchmark::State& state) {
  const std::string report = BesideThisProgram("adreca-report");
  const std::string file = (scratch->path() / "report.json").string();
  for (auto _ : state) RunToFile(report, {"--format=json"}, file);
}

// The report of the adapter table alone, which starts no interpreter, and its
// peer: ip's own JSON list of the links.
void ReportAdaptInfoProcess(benchmark::State& state) {
  const std::string report = BesideThisProgram("adreca-report");
  const std::string file = (scratch->path() / "adaptinfo.json").string();
  for (auto _ : state) RunToFile(report, {"--way=AdaptInfo", "--format=json"}, file);
}

void IpJsonLinkProcess(benchmark::State& state) {
  const std::string file = (scratch->path() / "links.json").string();
  for (auto _ : state) RunToFile("ip", {"-j", "link"}, file);
}

void ProcessFloor(benchmark::State& state) {
  const std::string command = "ip -o link > '" + (scratch->path() / "links.txt").string() + "'";
  char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), const_cast<char*>(command.c_str()),
                  nullptr};
  for (auto _ : state) RunAndWait("/bin/sh", argv);
}

// ---- Peer: psutil.net_if_addrs() inside one Python process ----

void PsutilNetIfAddrs(benchmark::State& state) {
  PythonPeer peer(std::string(ADRECA_BENCH_SOURCE_DIR) + "/psutil_peer.py");
  int interfaces = 0;
  for (auto _ : state) {
    const PythonPeer::Call call = peer.Run();
    interfaces = call.interfaces;
    state.SetIterationTime(std::chrono::duration<double>(call.elapsed).count());
  }
  state.counters["interfaces"] = interfaces;
}

// ADRECA_BENCH_NETNS="label=/run/netns/name ..." adds snapshot@label and
// floor/rtm_getlink_dump@label for each.
void RegisterNamespaceSnapshots() {
  const char* list = std::getenv("ADRECA_BENCH_NETNS");
  std::istringstream entries(list == nullptr ? "" : list);
  for (std::string entry; entries >> entry;) {
    const std::size_t equals = entry.find('=');
    if (equals == std::string::npos) throw std::runtime_error("ADRECA_BENCH_NETNS: no '=' in " + entry);
    const std::string label = entry.substr(0, equals);
    const std::string path = entry.substr(equals + 1);
    benchmark::RegisterBenchmark(("snapshot@" + label).c_str(), In<Snapshot>, path);
    benchmark::RegisterBenchmark(("floor/rtm_getlink_dump@" + label).c_str(), In<LinkDumpFloor>, path);
  }
}

void Register() {
  benchmark::RegisterBenchmark("floor/rtm_getlink_dump", LinkDumpFloor);
  benchmark::RegisterBenchmark("floor/rtm_three_dumps", SnapshotDumpsFloor);
  benchmark::RegisterBenchmark("snapshot", Snapshot);
  benchmark::RegisterBenchmark("probe/WinMgmt", Probe<&MacWinMgmt>);
  benchmark::RegisterBenchmark("probe/NetWksta", Probe<&MacNetWksta>);
  benchmark::RegisterBenchmark("probe/NetBios", Probe<&MacNetBios>);
  benchmark::RegisterBenchmark("probe/AdaptInfo", Probe<&MacAdaptInfo>);
  benchmark::RegisterBenchmark("probe/IpConfig", Probe<&MacIpConfig>);
  benchmark::RegisterBenchmark("floor/sh_ip_link_to_file", ProcessFloor);
  benchmark::RegisterBenchmark("process/report_json", ReportProcess);
  benchmark::RegisterBenchmark("process/report_adaptinfo_json", ReportAdaptInfoProcess);
  benchmark::RegisterBenchmark("peer/ip_j_link", IpJsonLinkProcess);
  benchmark::RegisterBenchmark("peer/psutil_net_if_addrs", PsutilNetIfAddrs)->UseManualTime();
  RegisterNamespaceSnapshots();
}

}  // namespace
}  // namespace adreca::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  adreca::bench::ScratchFolder folder;
  adreca::bench::scratch = &folder;
  // The listing goes to the scratch folder; the interpreter is the project's
  // own, beside this program.
  adreca::TempDir = adreca::FromUtf8(folder.path().string() + "/");
  ::unsetenv("COMSPEC");
  adreca::bench::Register();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
