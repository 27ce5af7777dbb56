#include "platform/process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/text.h"

extern char** environ;

namespace adreca::platform {

namespace {

constexpr std::int32_t kErrorTimeout = 1460;  // ERROR_TIMEOUT

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

ProcessHandle StartProcessStandIn(const std::u16string& command_line, int /*show_window: no windows here*/) {
  const SplitCommandLine split = Split(ToUtf8(command_line));
  if (split.program.empty()) RaiseFileNotFound(command_line);
  std::vector<char*> argv{const_cast<char*>(split.program.c_str())};
  if (!split.arguments.empty()) argv.push_back(const_cast<char*>(split.arguments.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int failure = ::posix_spawn(&pid, split.program.c_str(), nullptr, nullptr, argv.data(), environ);
  if (failure == ENOENT || failure == ENOTDIR) RaiseFileNotFound(FromUtf8(split.program));
  if (failure != 0) RaisePlatformError(failure, u"Cannot start " + FromUtf8(split.program));
  return pid;
}

void Reap(pid_t pid) {
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

void AbandonProcessStandIn(ProcessHandle process) {
  const auto pid = static_cast<pid_t>(process);
  ::kill(pid, SIGKILL);
  Reap(pid);
}

// Waits on a descriptor of the process itself, so that the wait ends the
// moment the process does and a time limit needs no polling loop.
bool EndsWithin(pid_t pid, std::int32_t timeout_milliseconds) {
  const int descriptor = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (descriptor < 0) RaisePlatformError(errno, u"Cannot wait for the command");
  pollfd ended{descriptor, POLLIN, 0};
  int ready = 0;
  while ((ready = ::poll(&ended, 1, timeout_milliseconds)) < 0 && errno == EINTR) {
  }
  ::close(descriptor);
  return ready > 0;
}

void WaitForProcessStandIn(ProcessHandle process, std::int32_t timeout_milliseconds) {
  const auto pid = static_cast<pid_t>(process);
  if (!EndsWithin(pid, timeout_milliseconds)) {
    AbandonProcessStandIn(process);
    RaisePlatformError(kErrorTimeout, u"The command did not finish within " +
                                          FromAscii(std::to_string(timeout_milliseconds / 1000)) +
                                          u" seconds");
  }
  Reap(pid);
}

const seam::Provided kStartProcess{"adreca.process", "StartProcess", seam::AddressOf(&StartProcessStandIn)};
const seam::Provided kWaitForProcess{"adreca.process", "WaitForProcess",
                                     seam::AddressOf(&WaitForProcessStandIn)};
const seam::Provided kAbandonProcess{"adreca.process", "AbandonProcess",
                                     seam::AddressOf(&AbandonProcessStandIn)};

}  // namespace

}  // namespace adreca::platform
