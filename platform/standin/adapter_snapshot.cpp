#include "platform/standin/adapter_snapshot.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>

#include <string>

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

bool IsAddressOf(int family, std::string_view text) {
  in6_addr address{};  // room for either family's address
  return inet_pton(family, std::string(text).c_str(), &address) == 1;
}

// The zone of a link-local server, as the resolver takes it: an interface's
// name or index, which holds neither '/' nor ':' and fits IF_NAMESIZE.
bool IsZone(std::string_view zone) {
  return !zone.empty() && zone.size() < IF_NAMESIZE && zone.find_first_of("/:%") == std::string_view::npos;
}

// An IPv4 or IPv6 address in the forms inet_pton reads, an IPv6 one perhaps
// with its zone (fe80::1%eth0).
bool IsServerAddress(std::string_view word) {
  if (IsAddressOf(AF_INET, word)) return true;
  const std::size_t percent = word.find('%');
  if (percent != std::string_view::npos && !IsZone(word.substr(percent + 1))) return false;
  return IsAddressOf(AF_INET6, word.substr(0, percent));
}

}  // namespace

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
    if (IsServerAddress(address)) servers.emplace_back(address);
  }
  return servers;
}

}  // namespace adreca::platform::standin
