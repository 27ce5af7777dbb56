#include "platform/process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/error.h"
#include "core/text.h"
#include "platform/environment.h"
#include "platform/linux/orphans.h"
#include "platform/linux/path_walk.h"
#include "platform/win32_errors.h"

extern char** environ;

namespace adreca::platform {

namespace {

// A command line as Windows hands it over: the program is the first token,
// quoted or up to the first blank; the rest, after one blank, goes to the
// program whole as its single argument.
struct SplitCommandLine {
  std::string program;
  std::string arguments;
};

SplitCommandLine Split(const std::string& line) {
  SplitCommandLine split;
  std::size_t end = 0;
  if (!line.empty() && line.front() == '"') {
    end = line.find('"', 1);
    split.program = line.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    end = end == std::string::npos ? line.size() : end + 1;
  } else {
    end = std::min(line.find(' '), line.size());
    split.program = line.substr(0, end);
  }
  if (end < line.size()) split.arguments = line.substr(line[end] == ' ' ? end + 1 : end);
  return split;
}

bool Exists(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0;
}

// Where a program named by a relative path is: in the running program's own
// folder, else in the first folder of PATH that has it. Folders of PATH that
// are empty or relative stand for the current folder, which is never searched:
// anyone who can write there would choose the program.
std::optional<std::string> Find(const std::string& program) {
  if (program.starts_with('/')) return program;
  if (std::string own = ToUtf8(ProgramFolder()) + program; Exists(own)) return own;
  const char* search = std::getenv("PATH");
  for (std::string_view rest = search == nullptr ? "" : search; !rest.empty();) {
    const std::size_t colon = std::min(rest.find(':'), rest.size());
    const std::string_view folder = rest.substr(0, colon);
    rest.remove_prefix(std::min(colon + 1, rest.size()));
    if (!folder.starts_with('/')) continue;
    if (std::string path = std::string(folder) + "/" + program; Exists(path)) return path;
  }
  return std::nullopt;
}

// ---- Who could have put the program there ----

// A folder on the way to the program: root's or this user's, and not one that
// others may write into, unless it is sticky like /tmp, where only an entry's
// owner can replace it (the entry below is checked in turn).
void CheckFolderToProgram(const std::string& folder, const struct stat& status,
                          const std::u16string& program) {
  const std::u16string name = FromUtf8(folder);
  if (!IsOwnerOrRoot(status.st_uid)) {
    RaiseRefused(name, u", a folder on the way to " + program + u", belongs to " + OwnerText(status.st_uid));
  }
  if ((status.st_mode & S_ISVTX) == 0 && OthersMayWrite(status)) {
    RaiseRefused(name, u", a folder on the way to " + program +
                           u", may be written by others; it belongs to " + OwnerText(status.st_uid));
  }
}

void CheckProgramItself(const struct stat& status, const std::u16string& program) {
  if (!IsOwnerOrRoot(status.st_uid)) {
    RaiseRefused(program,
                 u" belongs to " + OwnerText(status.st_uid) + u", not to root or you: it is not run");
  }
  if (OthersMayWrite(status)) {
    RaiseRefused(program, u" may be written by others; it belongs to " + OwnerText(status.st_uid) +
                              u": it is not run");
  }
}

// The program and every folder and link on its way must be root's or this
// user's and closed to others' writes, as OpenSSH asks of its files: else
// another user could have placed the program that this user (root, say)
// runs. Raises 75 naming the file or folder and its owner.
void CheckWhoCouldHavePlaced(const std::string& program) {
  const std::u16string shown = FromUtf8(program);
  WalkPath(
      program, shown,
      [&](const std::string& folder, const struct stat& status) {
        CheckFolderToProgram(folder, status, shown);
      },
      [&](const std::string&, const struct stat& status) { CheckProgramItself(status, shown); });
}

[[noreturn]] void RaiseCannotStart(int code, const std::string& program) {
  if (code == ENOENT || code == ENOTDIR) RaiseFileNotFound(FromUtf8(program));
  if (code == ENOMEM) throw Error(error_number::kOutOfMemory, u"Out of memory");
  throw Error(error_number::kPathFileAccess, u"Path/File access error: cannot start " + FromUtf8(program) +
                                                 u": " + FromUtf8(std::strerror(code)));
}

class SpawnAttributes {
 public:
  SpawnAttributes() {
    ::posix_spawnattr_init(&attributes_);
    // A process group of its own (its id is the process's), so that the
    // process and whatever it starts can be ended together.
    ::posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETPGROUP);
    ::posix_spawnattr_setpgroup(&attributes_, 0);
  }
  ~SpawnAttributes() { ::posix_spawnattr_destroy(&attributes_); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;

  const posix_spawnattr_t* get() const { return &attributes_; }

 private:
  posix_spawnattr_t attributes_{};
};

ProcessHandle Start(const std::u16string& command_line) {
  const SplitCommandLine split = Split(ToUtf8(command_line));
  if (split.program.empty()) RaiseFileNotFound(command_line);
  const std::optional<std::string> program = Find(split.program);
  if (!program) RaiseFileNotFound(FromUtf8(split.program));
  CheckWhoCouldHavePlaced(*program);
  std::vector<char*> argv{const_cast<char*>(program->c_str())};
  if (!split.arguments.empty()) argv.push_back(const_cast<char*>(split.arguments.c_str()));
  argv.push_back(nullptr);
  const SpawnAttributes attributes;
  return StartWatched([&] {
    pid_t pid = 0;
    const int failure =
        ::posix_spawn(&pid, program->c_str(), nullptr, attributes.get(), argv.data(), environ);
    if (failure != 0) RaiseCannotStart(failure, *program);
    return pid;
  });
}

ExitStatus Reap(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  StopWatching(pid);
  if (WIFSIGNALED(status)) return {.code = 0, .signal = WTERMSIG(status)};
  return {.code = static_cast<std::uint32_t>(WEXITSTATUS(status)), .signal = 0};
}

// Ends every process left in the group. While its first process is not
// reaped, the group's id cannot pass to another group.
void EndGroup(pid_t pid) {
  ::kill(-pid, SIGKILL);
  ::kill(pid, SIGKILL);
}

// Ends the process, everything left in its group, and what left the group
// (a new session of its own, say) but not the program's care.
ExitStatus EndEverything(pid_t pid) {
  EndGroup(pid);
  const ExitStatus status = Reap(pid);
  EndLeftBehind();
  return status;
}

void Abandon(ProcessHandle process) { EndEverything(static_cast<pid_t>(process)); }

using Clock = std::chrono::steady_clock;

// Without process descriptors (kernels before 5.3): asks without waiting,
// every few milliseconds, whether the process has ended, leaving it unreaped.
bool EndsWithinByPolling(pid_t pid, Clock::time_point deadline) {
  for (;;) {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        info.si_pid != 0) {
      return true;
    }
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// Waits on a descriptor of the process itself, so that the wait ends the
// moment the process does and a time limit needs no polling loop. The process
// is left unreaped.
bool EndsWithin(pid_t pid, std::int32_t timeout_milliseconds) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_milliseconds);
  const int descriptor = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (descriptor < 0) return EndsWithinByPolling(pid, deadline);
  pollfd ended{descriptor, POLLIN, 0};
  int ready = 0;
  do {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    ready = ::poll(&ended, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
  } while (ready < 0 && errno == EINTR);
  ::close(descriptor);
  return ready > 0;
}

ExitStatus Wait(ProcessHandle process, std::int32_t timeout_milliseconds) {
  const auto pid = static_cast<pid_t>(process);
  const bool ended = EndsWithin(pid, timeout_milliseconds);
  // Whatever the process started and left running must not write into its
  // output any more, whether it ended in time or not.
  const ExitStatus status = EndEverything(pid);
  if (!ended) {
    RaisePlatformError(kErrorTimeout, u"The command did not finish within " +
                                          FromAscii(std::to_string(timeout_milliseconds / 1000)) +
                                          u" seconds");
  }
  return status;
}

}  // namespace

// Linux has no libraries of the Windows kind to load.
void LoadLibrariesFromTheSystemFolderOnly() {}

// There are no windows here to show minimised.
ProcessHandle StartProcess(const std::u16string& command_line, int /*show_window*/) { return Start(command_line); }

ExitStatus WaitForProcess(ProcessHandle process, std::int32_t timeout_milliseconds) {
  return Wait(process, timeout_milliseconds);
}

void AbandonProcess(ProcessHandle process) { Abandon(process); }

}  // namespace adreca::platform
