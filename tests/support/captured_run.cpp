#include "tests/support/captured_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <stdexcept>

extern char** environ;

namespace adreca::testing {

namespace {

struct Pipe {
  Pipe() {
    if (::pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  }
  ~Pipe() {
    for (int& end : ends) Close(end);
  }
  static void Close(int& end) {
    if (end >= 0) ::close(end);
    end = -1;
  }
  int ends[2] = {-1, -1};
};

// The program's name and its arguments, as the argv of a process.
class Argv {
 public:
  Argv(const std::string& program, const std::vector<std::string>& arguments) : words_{program} {
    words_.insert(words_.end(), arguments.begin(), arguments.end());
    for (std::string& word : words_) pointers_.push_back(word.data());
    pointers_.push_back(nullptr);
  }
  char** get() { return pointers_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<char*> pointers_;
};

int WaitForExit(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int RunToFile(const std::string& program, const std::vector<std::string>& arguments,
              const std::string& file) {
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  if (!file.empty()) {
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, file.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                       0600);
  }
  Argv argv(program, arguments);
  pid_t pid = 0;
  const int failure = ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.get(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (failure != 0) throw std::runtime_error("cannot start " + program);
  return WaitForExit(pid);
}

CapturedRun RunCaptured(const std::string& program, const std::vector<std::string>& arguments,
                        const std::string& input) {
  Pipe in;
  Pipe out;
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_adddup2(&actions, in.ends[0], STDIN_FILENO);
  ::posix_spawn_file_actions_adddup2(&actions, out.ends[1], STDOUT_FILENO);
  Argv argv(program, arguments);
  pid_t pid = 0;
  const int failure = ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.get(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (failure != 0) throw std::runtime_error("cannot start " + program);
  Pipe::Close(in.ends[0]);
  Pipe::Close(out.ends[1]);
  // Small inputs only: written whole before the output is read.
  if (!input.empty() &&
      ::write(in.ends[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
    throw std::runtime_error("cannot feed " + program);
  }
  Pipe::Close(in.ends[1]);
  CapturedRun run;
  char buffer[4096];
  for (ssize_t count; (count = ::read(out.ends[0], buffer, sizeof buffer)) != 0;) {
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) break;
    run.output.append(buffer, static_cast<std::size_t>(count));
  }
  run.status = WaitForExit(pid);
  return run;
}

std::string BesideThisProgram(const std::string& name) {
  return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / name).string();
}

std::vector<std::vector<std::string>> CsvRecords(const std::string& csv) {
  const CapturedRun run = RunCaptured("python3",
                                      {"-c",
                                       "import csv, io, json, sys\n"
                                       "text = sys.stdin.buffer.read().decode('utf-8')\n"
                                       "reader = csv.reader(io.StringIO(text, newline=''), strict=True)\n"
                                       "print(json.dumps(list(reader)))\n"},
                                      csv);
  if (run.status != 0) throw std::runtime_error("python3's csv reader refused the text");
  return nlohmann::json::parse(run.output).get<std::vector<std::vector<std::string>>>();
}

}  // namespace adreca::testing
