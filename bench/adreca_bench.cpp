// The in-process measurements, each beside its floor or peer: the adapter
// snapshot against one raw RTM_GETLINK dump, the four in-process probes
// against the snapshot and against psutil, the ipconfig probe (which
// starts the interpreter) against a shell that lists the links into a file,
// and the report with the agreement of its ways against the report without.
// They read the network namespace that the program runs in; bench/run starts
// it with `ip netns exec`.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sched.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/report.h"
#include "app/report_format.h"
#include "bench/link_dump_floor.h"
#include "bench/python_peer.h"
#include "core/text.h"
#include "platform/linux/rtnetlink_snapshot.h"
#include "probes/probes.h"
#include "tests/support/captured_run.h"
#include "tests/support/temp_folder.h"

namespace adreca::bench {
namespace {

// The folder for the listing file and the floors' output.
const testing::TempFolder* scratch = nullptr;

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
    const platform::standin::AdapterSnapshot snapshot = platform::ReadAdapterSnapshot();
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

// A whole process, its standard output into a file of the scratch folder.
void RunToFile(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& file) {
  // The report's status 1 (a way found nothing) is an answer, not a failure.
  const int status = testing::RunToFile(program, arguments, file);
  if (status < 0 || status > 1) throw std::runtime_error(program + " failed");
}

// The console report as a user runs it: every way, as JSON, into a file.
void ReportProcess(benchmark::State& state) {
  const std::string report = testing::BesideThisProgram("adreca-report");
  const std::string file = (scratch->path() / "report.json").string();
  for (auto _ : state) RunToFile(report, {"--format=json"}, file);
}

// The report of the adapter table alone, which starts no interpreter, and its
// peer: ip's own JSON list of the links.
void ReportAdaptInfoProcess(benchmark::State& state) {
  const std::string report = testing::BesideThisProgram("adreca-report");
  const std::string file = (scratch->path() / "adaptinfo.json").string();
  for (auto _ : state) RunToFile(report, {"--way=AdaptInfo", "--format=json"}, file);
}

void IpJsonLinkProcess(benchmark::State& state) {
  const std::string file = (scratch->path() / "links.json").string();
  for (auto _ : state) RunToFile("ip", {"-j", "link"}, file);
}

void ProcessFloor(benchmark::State& state) {
  const std::string command = "ip -o link > '" + (scratch->path() / "links.txt").string() + "'";
  for (auto _ : state) {
    if (testing::RunToFile("/bin/sh", {"-c", command}, {}) != 0) throw std::runtime_error("the floor failed");
  }
}

// ---- The report with and without the agreement of its ways ----

using Form = std::string (*)(std::span<const app::ReportRow>, app::WithAgreement);

std::string Json(std::span<const app::ReportRow> rows, app::WithAgreement agreement) {
  return app::ReportJson(rows, agreement);
}
std::string Text(std::span<const app::ReportRow> rows, app::WithAgreement agreement) {
  return app::ReportText(rows, "\n", agreement);
}

// What adreca-report does between its options and its output, with the
// agreement of its ways and without it: every way through the actions
// (IpConfig starts the interpreter), then the form. The ways run once for
// both, so that their noise (the interpreter's start above all) falls on
// both sides of the ratio; the two forms take turns at going first. The
// counters are the times per report of each, ways included.
template <Form kForm>
void ReportWithAndWithoutAgreement(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  std::vector<const app::Way*> ways;
  for (const app::Way& way : app::kWays) ways.push_back(&way);
  const auto timed = [](const std::vector<app::ReportRow>& rows, app::WithAgreement agreement) {
    const Clock::time_point start = Clock::now();
    benchmark::DoNotOptimize(kForm(rows, agreement).size());
    return Clock::now() - start;
  };
  Clock::duration with{};
  Clock::duration without{};
  bool with_first = true;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    const std::vector<app::ReportRow> rows = app::RunReport(ways);
    const Clock::duration ways_time = Clock::now() - start;
    if (with_first) {
      with += ways_time + timed(rows, app::WithAgreement::kYes);
      without += ways_time + timed(rows, app::WithAgreement::kNo);
    } else {
      without += ways_time + timed(rows, app::WithAgreement::kNo);
      with += ways_time + timed(rows, app::WithAgreement::kYes);
    }
    with_first = !with_first;
  }
  const auto per_report = [](Clock::duration total) {
    return benchmark::Counter(std::chrono::duration<double, std::nano>(total).count(),
                              benchmark::Counter::kAvgIterations);
  };
  state.counters["with_agreement_ns"] = per_report(with);
  state.counters["without_agreement_ns"] = per_report(without);
}

app::ReportRow DisagreeingRow(std::size_t i, std::u16string address, std::u16string adapter) {
  app::ReportRow row{.way = app::kWays[i].caption,
                     .address = std::move(address),
                     .status = std::u16string(u"0"),
                     .error = std::nullopt,
                     .adapters = {},
                     .found = true,
                     .sees = app::kWays[i].sees};
  if (!adapter.empty()) row.adapters.push_back({std::move(adapter), u"virtual", {}, {}, {}});
  return row;
}

// Rows whose ways disagree as much as five can: an error, two addresses (one
// of them in two letter cases) and an address that names no adapter.
std::vector<app::ReportRow> DisagreeingRows() {
  std::vector<app::ReportRow> rows{
      DisagreeingRow(0, {}, {}), DisagreeingRow(1, u"4E-DD-35-69-54-BF", u"ifb0"),
      DisagreeingRow(2, u"02-fc-00-00-00-01", u"eth0"), DisagreeingRow(3, u"02-FC-00-00-00-01", u"eth0"),
      DisagreeingRow(4, u"02-FC-00-00-00-01", {})};
  rows[0].error = app::RaisedError{94, u"Invalid use of Null"};
  return rows;
}

// The forms alone, on rows whose ways disagree: what the agreement costs
// the formatting that it is part of.
template <Form kForm, app::WithAgreement kAgreement>
void FormOfDisagreeingRows(benchmark::State& state) {
  const std::vector<app::ReportRow> rows = DisagreeingRows();
  std::size_t bytes = 0;
  for (auto _ : state) benchmark::DoNotOptimize(bytes = kForm(rows, kAgreement).size());
  state.counters["bytes"] = static_cast<double>(bytes);
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
  using app::WithAgreement;
  benchmark::RegisterBenchmark("report/json_agreement", ReportWithAndWithoutAgreement<&Json>);
  benchmark::RegisterBenchmark("report/text_agreement", ReportWithAndWithoutAgreement<&Text>);
  benchmark::RegisterBenchmark("form/json_disagreeing", FormOfDisagreeingRows<&Json, WithAgreement::kYes>);
  benchmark::RegisterBenchmark("form/json_disagreeing_without_agreement",
                               FormOfDisagreeingRows<&Json, WithAgreement::kNo>);
  benchmark::RegisterBenchmark("form/text_disagreeing", FormOfDisagreeingRows<&Text, WithAgreement::kYes>);
  benchmark::RegisterBenchmark("form/text_disagreeing_without_agreement",
                               FormOfDisagreeingRows<&Text, WithAgreement::kNo>);
  benchmark::RegisterBenchmark("peer/psutil_net_if_addrs", PsutilNetIfAddrs)->UseManualTime();
  RegisterNamespaceSnapshots();
}

}  // namespace
}  // namespace adreca::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const adreca::testing::TempFolder folder("adreca-bench");
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
