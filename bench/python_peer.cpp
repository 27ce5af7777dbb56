#include "bench/python_peer.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace adreca::bench {
namespace {

// Debian's own interpreter, which has python3-psutil; another python3 found
// first on PATH (pyenv, a virtual environment) may not.
constexpr char kPython[] = "/usr/bin/python3";

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

PythonPeer::PythonPeer(const std::string& script) {
  int down[2];
  int up[2];
  if (::pipe2(down, O_CLOEXEC) != 0 || ::pipe2(up, O_CLOEXEC) != 0) Fail("pipe2");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, down[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, up[1], STDOUT_FILENO);
  char* argv[] = {const_cast<char*>(kPython), const_cast<char*>("-u"), const_cast<char*>(script.c_str()),
                  nullptr};
  const int failure = ::posix_spawn(&pid_, kPython, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(down[0]);
  ::close(up[1]);
  to_peer_ = down[1];
  from_peer_ = up[0];
  if (failure != 0) {
    errno = failure;
    Fail(std::string("cannot start ") + kPython);
  }
}

PythonPeer::~PythonPeer() {
  ::close(to_peer_);  // end of input ends the peer
  ::close(from_peer_);
  if (pid_ > 0) {
    while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
}

PythonPeer::Call PythonPeer::Run() {
  if (::write(to_peer_, "\n", 1) != 1) Fail("cannot ask the Python peer");
  std::size_t end;
  while ((end = pending_.find('\n')) == std::string::npos) {
    char chunk[256];
    const ssize_t count = ::read(from_peer_, chunk, sizeof chunk);
    if (count <= 0) Fail("the Python peer stopped answering");
    pending_.append(chunk, static_cast<std::size_t>(count));
  }
  const std::string line = pending_.substr(0, end);
  pending_.erase(0, end + 1);
  Call call;
  std::size_t used = 0;
  call.elapsed = std::chrono::nanoseconds(std::stoll(line, &used));
  call.interfaces = std::stoi(line.substr(used));
  return call;
}

}  // namespace adreca::bench
