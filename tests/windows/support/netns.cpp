// Network namespaces are Linux's: on Windows every test that needs one skips
// with this reason. The real operations are tested under Wine instead, in
// tests/windows/real_probes_test.cpp.

#include "tests/support/netns.h"

#include <stdexcept>

namespace adreca::testing {

namespace {

[[noreturn]] void Unavailable() { throw std::logic_error("network namespaces exist only on Linux"); }

}  // namespace

bool NetnsAvailable(std::string* why) {
  if (why != nullptr) *why = "Windows has no network namespaces; the real operations are tested under Wine";
  return false;
}

void RunIp(const std::vector<std::string>&) { Unavailable(); }

TestNamespace::Guard::Guard(const std::string&) { Unavailable(); }
TestNamespace::Guard::~Guard() = default;
TestNamespace::TestNamespace() { Unavailable(); }
TestNamespace::~TestNamespace() = default;
void TestNamespace::AddVeth(const std::string&, const std::string&, const std::vector<std::string>&, bool) {
  Unavailable();
}
void TestNamespace::AddVeths(const std::vector<Veth>&) { Unavailable(); }
void TestNamespace::AddIpv6(const std::string&, const std::string&) { Unavailable(); }
void TestNamespace::AddDefaultRoute(const std::string&, const std::string&) { Unavailable(); }
void TestNamespace::AddTun(const std::string&) { Unavailable(); }
void TestNamespace::SetMac(const std::string&, const std::string&) { Unavailable(); }
void TestNamespace::SetDown(const std::string&) { Unavailable(); }
void TestNamespace::Run(const std::vector<std::string>&) { Unavailable(); }

}  // namespace adreca::testing
