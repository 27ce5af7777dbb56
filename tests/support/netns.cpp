#include "tests/support/netns.h"

#include <fcntl.h>
#include <linux/if_tun.h>
#include <net/if.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <utility>

extern char** environ;

namespace adreca::testing {
namespace {

constexpr std::string_view kNamePrefix = "adreca-";
constexpr char kNetnsDirectory[] = "/run/netns/";

std::string ErrnoText(int code) { return std::error_code(code, std::generic_category()).message(); }

// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() { Close(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

// Frees posix_spawn file actions when it goes out of scope.
class SpawnActions {
 public:
  SpawnActions() { posix_spawn_file_actions_init(&actions_); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;

  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

// A file of `ip -batch` commands, removed when it goes out of scope.
class BatchFile {
 public:
  explicit BatchFile(const std::string& text) {
    std::string pattern = "/tmp/adreca-ip-batch-XXXXXX";
    FileDescriptor fd(mkstemp(pattern.data()));
    if (fd.get() < 0) throw std::runtime_error("cannot create an ip batch file: " + ErrnoText(errno));
    path_ = pattern;
    WriteAll(fd.get(), text);
  }
  ~BatchFile() { unlink(path_.c_str()); }
  BatchFile(const BatchFile&) = delete;
  BatchFile& operator=(const BatchFile&) = delete;

  const std::string& path() const { return path_; }

 private:
  void WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
      const ssize_t written = write(fd, text.data(), text.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {
        const int code = errno;
        unlink(path_.c_str());
        throw std::runtime_error("cannot write the ip batch file: " + ErrnoText(code));
      }
      text.remove_prefix(static_cast<std::size_t>(written));
    }
  }

  std::string path_;
};

std::string Join(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) {
    if (!text.empty()) text += ' ';
    text += word;
  }
  return text;
}

const std::string& IpProgram() {
  static const std::string program = [] {
    for (const char* candidate : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"}) {
      if (access(candidate, X_OK) == 0) return std::string(candidate);
    }
    return std::string("ip");  // left to a PATH search
  }();
  return program;
}

std::string ReadAll(int fd) {
  std::string text;
  char chunk[4096];
  for (;;) {
    const ssize_t length = read(fd, chunk, sizeof chunk);
    if (length < 0 && errno == EINTR) continue;
    if (length <= 0) return text;
    text.append(chunk, static_cast<std::size_t>(length));
  }
}

int WaitFor(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("cannot wait for ip: " + ErrnoText(errno));
  }
  return status;
}

std::string DescribeStatus(int status) {
  if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
  return "status " + std::to_string(status);
}

// Starts `ip` with stdin and stdout on /dev/null and stderr on a pipe, and
// returns its wait status together with what it wrote to stderr.
std::pair<int, std::string> SpawnIp(const std::vector<std::string>& arguments) {
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe: " + ErrnoText(errno));
  FileDescriptor read_end(pipe_ends[0]);
  FileDescriptor write_end(pipe_ends[1]);

  SpawnActions actions;
  posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(actions.get(), write_end.get(), STDERR_FILENO);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(IpProgram().c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  pid_t child = 0;
  const int spawned = posix_spawnp(&child, IpProgram().c_str(), actions.get(), nullptr, argv.data(), environ);
  if (spawned != 0) throw std::runtime_error("cannot start " + IpProgram() + ": " + ErrnoText(spawned));
  write_end.Close();  // so that the read below ends when ip exits
  std::string errors = ReadAll(read_end.get());
  return {WaitFor(child), std::move(errors)};
}

// Namespaces named by this harness for a process that no longer exists, left
// behind when a test run was killed before its destructors ran.
void RemoveAbandonedNamespaces() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(kNetnsDirectory, error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(kNamePrefix, 0) != 0) continue;
    char* end = nullptr;
    const long owner = std::strtol(name.c_str() + kNamePrefix.size(), &end, 10);
    if (owner <= 0 || *end != '-' || owner == getpid()) continue;
    if (kill(static_cast<pid_t>(owner), 0) == 0 || errno != ESRCH) continue;
    try {
      RunIp({"netns", "del", name});
    } catch (const std::runtime_error&) {
      // Another run may have removed it first.
    }
  }
}

struct Availability {
  bool available = false;
  std::string why;
};

Availability Probe() {
  if (geteuid() != 0) return {false, "the tests are not running as root"};
  RemoveAbandonedNamespaces();
  const std::string probe = std::string(kNamePrefix) + std::to_string(getpid()) + "-probe";
  try {
    RunIp({"netns", "add", probe});
  } catch (const std::runtime_error& error) {
    return {false, error.what()};
  }
  try {
    RunIp({"netns", "del", probe});
  } catch (const std::runtime_error& error) {
    return {false, error.what()};
  }
  return {true, ""};
}

std::string NewNamespaceName() {
  static std::atomic<unsigned> counter{0};
  return std::string(kNamePrefix) + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

bool NetnsAvailable(std::string* why) {
  static const Availability availability = Probe();
  if (!availability.available && why != nullptr) *why = availability.why;
  return availability.available;
}

void RunIp(const std::vector<std::string>& arguments) {
  const auto [status, errors] = SpawnIp(arguments);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
  throw std::runtime_error("`ip " + Join(arguments) + "` failed (" + DescribeStatus(status) + "): " + errors);
}

// ---- TestNamespace::Guard ----

TestNamespace::Guard::Guard(const std::string& netns_name) {
  const std::string path = kNetnsDirectory + netns_name;
  const FileDescriptor target(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (target.get() < 0) throw std::runtime_error("cannot open " + path + ": " + ErrnoText(errno));
  FileDescriptor original(open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC));
  if (original.get() < 0) {
    throw std::runtime_error("cannot open this thread's network namespace: " + ErrnoText(errno));
  }
  if (setns(target.get(), CLONE_NEWNET) != 0) {
    throw std::runtime_error("cannot enter " + path + ": " + ErrnoText(errno));
  }
  original_ = original.Release();
}

TestNamespace::Guard::~Guard() {
  if (setns(original_, CLONE_NEWNET) != 0) {
    ADD_FAILURE() << "cannot return the thread to its network namespace: " << ErrnoText(errno);
  }
  close(original_);
}

// ---- TestNamespace ----

TestNamespace::TestNamespace() : name_(NewNamespaceName()), peer_name_(name_ + "-peer") {
  try {
    RunIp({"netns", "add", name_});
    host_created_ = true;
    RunIp({"netns", "add", peer_name_});
    peer_created_ = true;
    Run({"link", "set", "dev", "lo", "up"});
  } catch (...) {
    DeleteNamespaces();
    throw;
  }
}

TestNamespace::~TestNamespace() { DeleteNamespaces(); }

void TestNamespace::DeleteNamespaces() noexcept {
  // Deleting a namespace destroys its interfaces; each veth takes its peer
  // with it.
  for (auto [netns, created] : {std::pair{&name_, &host_created_}, std::pair{&peer_name_, &peer_created_}}) {
    if (!*created) continue;
    try {
      RunIp({"netns", "del", *netns});
      *created = false;
    } catch (const std::exception& error) {
      ADD_FAILURE() << "leaving network namespace " << *netns << " behind: " << error.what();
    }
  }
}

void TestNamespace::Run(const std::vector<std::string>& arguments) {
  std::vector<std::string> command = {"-n", name_};
  command.insert(command.end(), arguments.begin(), arguments.end());
  RunIp(command);
}

// The commands of one veth: in the host namespace, and for its peer in the
// peer namespace. A link without IPv6 address generation stays without the
// link-local address (and its traffic) that a carrier would bring.
TestNamespace::VethPlan TestNamespace::PlanVeth(const Veth& veth) {
  const std::string peer = "p" + std::to_string(next_peer_++);
  std::vector<std::string> add = {"link", "add", "name", veth.name};
  if (!veth.mac.empty()) add.insert(add.end(), {"address", veth.mac});
  add.insert(add.end(), {"type", "veth", "peer", "name", peer, "netns", peer_name_});

  VethPlan plan;
  plan.host = {add, {"link", "set", "dev", veth.name, "addrgenmode", "none"}};
  for (const std::string& cidr : veth.ipv4_cidrs)
    plan.host.push_back({"addr", "add", cidr, "dev", veth.name});
  if (veth.up) plan.host.push_back({"link", "set", "dev", veth.name, "up"});
  // The far end up is the cable plugged in: the veth has a carrier.
  if (veth.up && veth.carrier) plan.peer = {{"link", "set", "dev", peer, "addrgenmode", "none", "up"}};
  return plan;
}

void TestNamespace::AddVeth(const std::string& name, const std::string& mac,
                            const std::vector<std::string>& ipv4_cidrs, bool up) {
  AddVeths({{name, mac, ipv4_cidrs, up}});
}

void TestNamespace::AddVeths(const std::vector<Veth>& veths) {
  std::string host;
  std::string peer;
  for (const Veth& veth : veths) {
    const VethPlan plan = PlanVeth(veth);
    for (const auto& command : plan.host) host += Join(command) + '\n';
    for (const auto& command : plan.peer) peer += Join(command) + '\n';
  }
  RunBatch(name_, host);
  if (!peer.empty()) RunBatch(peer_name_, peer);
}

void TestNamespace::RunBatch(const std::string& netns, const std::string& batch) {
  const BatchFile file(batch);
  try {
    RunIp({"-n", netns, "-batch", file.path()});
  } catch (const std::runtime_error& error) {
    // ip names the failing line of a file that is gone by the time anyone reads this.
    throw std::runtime_error(std::string(error.what()) + "batch was:\n" + batch);
  }
}

void TestNamespace::AddIpv6(const std::string& name, const std::string& cidr) {
  Run({"-6", "addr", "add", cidr, "dev", name, "nodad"});
}

void TestNamespace::AddDefaultRoute(const std::string& name, const std::string& gateway) {
  const bool ipv6 = gateway.find(':') != std::string::npos;
  Run({ipv6 ? "-6" : "-4", "route", "add", "default", "via", gateway, "dev", name, "onlink"});
}

void TestNamespace::AddTun(const std::string& name) { Run({"tuntap", "add", "dev", name, "mode", "tun"}); }

void TestNamespace::AddTunnelLike(const std::string& name, bool tun, unsigned short link_type,
                                  const std::string& address) {
  Run({"tuntap", "add", "dev", name, "mode", tun ? "tun" : "tap"});
  {
    const Guard inside(name_);
    const int device = ::open("/dev/net/tun", O_RDWR | O_CLOEXEC);
    if (device < 0) throw std::runtime_error("cannot open /dev/net/tun");
    ifreq request{};
    std::strncpy(request.ifr_name, name.c_str(), IFNAMSIZ - 1);
    request.ifr_flags = static_cast<short>((tun ? IFF_TUN : IFF_TAP) | IFF_NO_PI);
    const bool changed =
        ::ioctl(device, TUNSETIFF, &request) == 0 && ::ioctl(device, TUNSETLINK, link_type) == 0;
    ::close(device);
    if (!changed) throw std::runtime_error("cannot change the link type of " + name);
  }
  if (!address.empty()) SetMac(name, address);
}

void TestNamespace::SetMac(const std::string& name, const std::string& mac) {
  Run({"link", "set", "dev", name, "address", mac});
}

void TestNamespace::SetDown(const std::string& name) { Run({"link", "set", "dev", name, "down"}); }

}  // namespace adreca::testing
