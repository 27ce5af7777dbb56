// The window benchmark's driver: starts the program (adreca-mac, as built)
// and the bare window with the same controls (adreca_bench_bare_window) as
// separate processes, one at a time, and takes from each run the time from
// just before the process was started to its first paint, and its maximum
// resident memory. The first paint is reported by a library preloaded into
// both (first_paint.cpp).
//
// The Qt platforms to measure come from ADRECA_BENCH_QPA (blank-separated,
// default "offscreen"); "xcb" needs DISPLAY (bench/run starts Xvfb).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Run {
  double seconds_to_first_paint = 0;
  long max_rss_kib = 0;
};

long long MonotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
}

std::string ProgramFolder() {
  std::string path(4096, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0) throw std::runtime_error("cannot find this program's folder");
  path.resize(static_cast<std::size_t>(length));
  return path.substr(0, path.rfind('/') + 1);
}

// The environment of this process with the Qt platform set, the first-paint
// reporter preloaded and the session bus switched off (none runs here;
// looking for one only adds noise).
std::vector<std::string> ChildEnvironment(const std::string& platform) {
  std::vector<std::string> variables;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    const std::string text = *variable;
    if (text.starts_with("QT_QPA_PLATFORM=") || text.starts_with("DBUS_SESSION_BUS_ADDRESS=") ||
        text.starts_with("LD_PRELOAD=")) {
      continue;
    }
    variables.push_back(text);
  }
  variables.push_back("QT_QPA_PLATFORM=" + platform);
  variables.push_back("DBUS_SESSION_BUS_ADDRESS=disabled:");
  variables.push_back(std::string("LD_PRELOAD=") + ADRECA_FIRST_PAINT_LIBRARY);
  return variables;
}

Run RunOnce(const std::string& program, const std::vector<std::string>& environment) {
  int output[2];
  if (::pipe2(output, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
  std::vector<char*> envp;
  for (const std::string& variable : environment) envp.push_back(const_cast<char*>(variable.c_str()));
  envp.push_back(nullptr);
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);

  const long long started = MonotonicNanoseconds();
  pid_t pid = 0;
  const int failure = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(output[1]);
  if (failure != 0) {
    ::close(output[0]);
    throw std::runtime_error("cannot start " + program + ": " + std::strerror(failure));
  }

  std::string text;
  char chunk[256];
  ssize_t count = 0;
  while ((count = ::read(output[0], chunk, sizeof chunk)) != 0) {
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) break;
    text.append(chunk, static_cast<std::size_t>(count));
  }
  ::close(output[0]);

  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || text.empty()) {
    throw std::runtime_error(program + " did not report a first paint");
  }
  Run run;
  run.seconds_to_first_paint = static_cast<double>(std::stoll(text) - started) / 1e9;
  run.max_rss_kib = usage.ru_maxrss;
  return run;
}

void StartToFirstPaint(benchmark::State& state, const std::string& program, const std::string& platform) {
  const std::vector<std::string> environment = ChildEnvironment(platform);
  double rss_total = 0;
  for (auto _ : state) {
    try {
      const Run run = RunOnce(program, environment);
      state.SetIterationTime(run.seconds_to_first_paint);
      rss_total += static_cast<double>(run.max_rss_kib);
    } catch (const std::exception& error) {
      state.SkipWithError(error.what());
      break;
    }
  }
  state.counters["max_rss_kib"] = benchmark::Counter(rss_total, benchmark::Counter::kAvgIterations);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const char* requested = std::getenv("ADRECA_BENCH_QPA");
  std::istringstream platforms(requested != nullptr && *requested != '\0' ? requested : "offscreen");
  const std::string folder = ProgramFolder();
  for (std::string platform; platforms >> platform;) {
    benchmark::RegisterBenchmark(("window/Form1/" + platform).c_str(), StartToFirstPaint,
                                 folder + "adreca-mac", platform)
        ->UseManualTime();
    benchmark::RegisterBenchmark(("window/bare/" + platform).c_str(), StartToFirstPaint,
                                 folder + "adreca_bench_bare_window", platform)
        ->UseManualTime();
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
