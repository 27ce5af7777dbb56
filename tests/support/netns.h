#pragma once

// Real-adapter tests: each test builds its own network namespace with `ip`,
// fills it with veth and tun interfaces, and reads it from a thread moved into
// it. Nothing leaves the machine: the veth peers live in a second namespace of
// the test's own, and all addresses come from the documentation ranges
// (192.0.2.0/24, 198.51.100.0/24, 203.0.113.0/24, 2001:db8::/32).

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace adreca::testing {

// True when network namespaces can be made here (root, and `ip netns add`
// works). The probe runs once per process; `why` receives the reason when
// they cannot.
bool NetnsAvailable(std::string* why);

// Skips the current test, printing why, when namespaces cannot be made.
#define ADRECA_SKIP_WITHOUT_NETNS()                                           \
  do {                                                                        \
    std::string adreca_netns_why;                                             \
    if (!::adreca::testing::NetnsAvailable(&adreca_netns_why)) {              \
      GTEST_SKIP() << "network namespaces unavailable: " << adreca_netns_why; \
    }                                                                         \
  } while (false)

// Runs `ip` with `arguments` (no shell). Throws std::runtime_error naming the
// command and carrying its error output when it cannot start or fails.
void RunIp(const std::vector<std::string>& arguments);

// One veth interface to create in a TestNamespace.
struct Veth {
  std::string name;
  std::string mac;                      // "aa:bb:cc:dd:ee:ff"; empty keeps the kernel's choice
  std::vector<std::string> ipv4_cidrs;  // e.g. {"192.0.2.10/24"}, added in this order
  bool up = true;
  bool carrier = true;  // with `up`: the far end is up too, as a cable plugged in
};

// A pair of fresh network namespaces, deleted with everything in them when the
// object goes away (also when the test failed or threw). The "host" namespace
// is the one tests read; the peer namespace only holds the far ends of the
// veth pairs, up (so that the veth has a carrier) when the veth is, with no
// address. Methods throw std::runtime_error when `ip` fails.
class TestNamespace {
 public:
  // Moves the calling thread into a namespace for the guard's lifetime and back
  // into the thread's previous namespace afterwards.
  class Guard {
   public:
    explicit Guard(const std::string& netns_name);
    ~Guard();
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

   private:
    int original_ = -1;
  };

  // Creates both namespaces and brings `lo` up in the host namespace.
  TestNamespace();
  ~TestNamespace();
  TestNamespace(const TestNamespace&) = delete;
  TestNamespace& operator=(const TestNamespace&) = delete;

  const std::string& name() const { return name_; }
  const std::string& peer_name() const { return peer_name_; }

  // A veth in the host namespace whose peer lives, down, in the peer namespace.
  void AddVeth(const std::string& name, const std::string& mac, const std::vector<std::string>& ipv4_cidrs,
               bool up = true);
  // Many veths with one `ip -batch` run: much faster than one AddVeth each.
  void AddVeths(const std::vector<Veth>& veths);
  // Adds an IPv6 address without duplicate address detection.
  void AddIpv6(const std::string& name, const std::string& cidr);
  // A default route of the main table via `gateway` (IPv4 or IPv6) on the
  // interface, which must be up. The gateway need not lie in one of its subnets.
  void AddDefaultRoute(const std::string& name, const std::string& gateway);
  // A tun interface, which has no hardware address.
  void AddTun(const std::string& name);
  // A link with a tunnel's hardware type and link address, made by hand: a
  // tap (a tun when `tun`) device whose type is set with TUNSETLINK to
  // `link_type` (768, ARPHRD_TUNNEL: 4 bytes; 769, ARPHRD_TUNNEL6: 16 zero
  // bytes), then `address` ("0a:00:00:01") if not empty. Down.
  void AddTunnelLike(const std::string& name, bool tun, unsigned short link_type, const std::string& address);
  void SetMac(const std::string& name, const std::string& mac);
  void SetDown(const std::string& name);
  // Runs `ip ARGUMENTS...` inside the host namespace.
  void Run(const std::vector<std::string>& arguments);

  // Moves the calling thread (only it) into the host namespace until the
  // returned guard is destroyed.
  [[nodiscard]] Guard Enter() const { return Guard(name_); }

 private:
  struct VethPlan {
    std::vector<std::vector<std::string>> host;
    std::vector<std::vector<std::string>> peer;
  };
  VethPlan PlanVeth(const Veth& veth);
  void RunBatch(const std::string& netns, const std::string& batch);
  void DeleteNamespaces() noexcept;

  std::string name_;
  std::string peer_name_;
  bool host_created_ = false;
  bool peer_created_ = false;
  unsigned next_peer_ = 0;
};

}  // namespace adreca::testing
