#include "platform/standin/adapter_snapshot.h"

#include <net/if.h>
#include <net/if_arp.h>

namespace adreca::platform::standin {

namespace {

// ---- resolv.conf ----

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Splits the first whitespace-separated word off `text`.
std::string_view TakeWord(std::string_view& text) {
  std::size_t start = 0;
  while (start < text.size() && IsBlank(text[start])) ++start;
  std::size_t end = start;
  while (end < text.size() && !IsBlank(text[end])) ++end;
  const std::string_view word = text.substr(start, end - start);
  text.remove_prefix(end);
  return word;
}

std::string_view TakeLine(std::string_view& text) {
  const std::size_t end = text.find('\n');
  const std::string_view line = text.substr(0, end);
  text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  return line;
}

std::string_view WithoutComment(std::string_view line) { return line.substr(0, line.find_first_of("#;")); }

}  // namespace

bool Adapter::IsLoopback() const { return type == ARPHRD_LOOPBACK || (flags & IFF_LOOPBACK) != 0; }

bool Adapter::IsUp() const { return (flags & IFF_UP) != 0; }

// IFF_LOWER_UP of <linux/if.h>, which does not go with glibc's <net/if.h>.
constexpr unsigned kLowerUp = 1u << 16;

bool Adapter::IsConnected() const { return IsUp() && (flags & kLowerUp) != 0; }

bool Sees(AdapterSet set, const Adapter& adapter) {
  if (adapter.IsLoopback()) return false;
  switch (set) {
    case AdapterSet::kAllButLoopback:
      return true;
    case AdapterSet::kWithIpAddress:
      return adapter.HasIpAddress();
    case AdapterSet::kWithIpv4:
      return !adapter.ipv4.empty();
  }
  return false;
}

std::vector<std::string> ParseNameservers(std::string_view resolv_conf) {
  std::vector<std::string> servers;
  while (!resolv_conf.empty()) {
    std::string_view line = WithoutComment(TakeLine(resolv_conf));
    if (TakeWord(line) != "nameserver") continue;
    const std::string_view address = TakeWord(line);
    if (!address.empty()) servers.emplace_back(address);
  }
  return servers;
}

}  // namespace adreca::platform::standin
