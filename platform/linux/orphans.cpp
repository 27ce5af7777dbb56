#include "platform/linux/orphans.h"

#include <dirent.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/small_file.h"

namespace adreca::platform {

namespace {

struct Watched {
  std::mutex mutex;
  std::set<pid_t> started;  // started by the program and not yet reaped
};

Watched& TheWatched() {
  static Watched watched;
  return watched;
}

std::vector<pid_t> Numbers(std::string_view text) {
  std::vector<pid_t> numbers;
  while (!text.empty()) {
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) break;
    text.remove_prefix(start);
    pid_t value = 0;
    const auto [end, failed] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failed != std::errc()) break;
    numbers.push_back(value);
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  }
  return numbers;
}

// The process's children, as each of its threads has them (an orphan passes
// to one of the subreaper's threads).
std::vector<pid_t> Children() {
  std::vector<pid_t> children;
  DIR* tasks = ::opendir("/proc/self/task");
  if (tasks == nullptr) return children;
  while (const dirent* task = ::readdir(tasks)) {
    if (task->d_name[0] == '.') continue;
    const auto listed = ReadSmallFile(std::string("/proc/self/task/") + task->d_name + "/children");
    if (!listed) continue;
    const std::vector<pid_t> some = Numbers(*listed);
    children.insert(children.end(), some.begin(), some.end());
  }
  ::closedir(tasks);
  return children;
}

// The process group of `pid`, from the fifth field of /proc/PID/stat (after
// the name in parentheses, which may hold anything).
std::optional<pid_t> ProcessGroup(pid_t pid) {
  const auto stat = ReadSmallFile("/proc/" + std::to_string(pid) + "/stat");
  if (!stat) return std::nullopt;
  const std::size_t name_end = stat->rfind(')');
  if (name_end == std::string::npos) return std::nullopt;
  const std::vector<pid_t> fields = Numbers(std::string_view(*stat).substr(name_end + 3));  // after ") S "
  if (fields.size() < 2) return std::nullopt;
  return fields[1];  // ppid, pgrp, ...
}

bool WasStartedByUs(pid_t pid) {
  Watched& watched = TheWatched();
  std::lock_guard lock(watched.mutex);
  return watched.started.contains(pid);
}

}  // namespace

pid_t StartWatched(const std::function<pid_t()>& spawn) {
  static const bool subreaper = ::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;
  (void)subreaper;
  Watched& watched = TheWatched();
  // Held while the process comes into being, so that no sweep of another
  // thread meets it before it counts as started.
  std::lock_guard lock(watched.mutex);
  const pid_t pid = spawn();
  watched.started.insert(pid);
  return pid;
}

void StopWatching(pid_t pid) {
  Watched& watched = TheWatched();
  std::lock_guard lock(watched.mutex);
  watched.started.erase(pid);
}

void EndLeftBehind() {
  const pid_t own_group = ::getpgrp();
  for (;;) {
    std::vector<pid_t> left;
    for (const pid_t child : Children()) {
      const auto group = ProcessGroup(child);
      if (!group || *group == own_group || WasStartedByUs(child)) continue;
      ::kill(child, SIGKILL);
      left.push_back(child);
    }
    if (left.empty()) return;
    for (const pid_t child : left) {
      while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
      }
    }
  }
}

}  // namespace adreca::platform
