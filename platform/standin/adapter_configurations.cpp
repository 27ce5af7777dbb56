#include "platform/standin/adapter_configurations.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "address/hex_text.h"
#include "core/error.h"
#include "core/text.h"
#include "platform/standin/ip_text.h"

namespace adreca::platform::standin {

namespace {

// ---- Text helpers: names in monikers and queries are ASCII ----

char16_t FoldCase(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
           return FoldCase(x) == FoldCase(y);
         });
}

bool StartsWithName(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && SameName(text.substr(0, prefix.size()), prefix);
}

// ---- Monikers ----

constexpr std::u16string_view kMonikerPrefix = u"winmgmts:";
constexpr std::u16string_view kNamespace = u"root\\cimv2";

[[noreturn]] void RaiseMonikerSyntax() { RaisePlatformError(wbem_error::kMonikerSyntax, u"Invalid syntax"); }

// Drops "{security settings}" and the "!" that separates them from the path.
std::u16string_view SkipSecuritySettings(std::u16string_view rest) {
  if (rest.starts_with(u'{')) {
    const std::size_t close = rest.find(u'}');
    if (close == std::u16string_view::npos) RaiseMonikerSyntax();
    rest.remove_prefix(close + 1);
    if (!rest.empty() && !rest.starts_with(u'!')) RaiseMonikerSyntax();
  }
  if (rest.starts_with(u'!')) rest.remove_prefix(1);
  return rest;
}

// The host name is asked for only when the server is neither "." nor
// "localhost": a moniker that names this computer so needs no reading.
bool IsLocalServer(std::u16string_view server, const HostName& host_name) {
  return server == u"." || SameName(server, u"localhost") ||
         (!server.empty() && SameName(server, host_name()));
}

// The namespace part of an object path, after checking its server.
std::u16string_view NamespaceOf(std::u16string_view path, const HostName& host_name) {
  if (path.starts_with(u"\\\\")) {
    path.remove_prefix(2);
    const std::size_t end = std::min(path.find(u'\\'), path.size());
    const std::u16string_view server = path.substr(0, end);
    if (server.empty()) RaisePlatformError(wbem_error::kInvalidObjectPath, u"Invalid object path");
    if (!IsLocalServer(server, host_name)) {
      RaisePlatformError(wbem_error::kRpcServerUnavailable, u"The RPC server is unavailable");
    }
    path.remove_prefix(end);
  }
  if (path.starts_with(u'\\')) path.remove_prefix(1);
  return path;
}

// ---- Queries ----

bool IsWqlBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

bool IsWqlSymbol(char16_t c) { return c == u'*' || c == u'='; }

// Words and the symbols "*" and "=", which need no blanks around them.
std::vector<std::u16string_view> WqlTokens(std::u16string_view query) {
  std::vector<std::u16string_view> tokens;
  std::size_t i = 0;
  while (i < query.size()) {
    if (IsWqlBlank(query[i])) {
      ++i;
    } else if (IsWqlSymbol(query[i])) {
      tokens.push_back(query.substr(i++, 1));
    } else {
      const std::size_t start = i;
      while (i < query.size() && !IsWqlBlank(query[i]) && !IsWqlSymbol(query[i])) ++i;
      tokens.push_back(query.substr(start, i - start));
    }
  }
  return tokens;
}

// ---- Items ----

// "00:1A:2B:3C:4D:5E"; Null for an interface without a hardware address.
wmi::Value MacAddressValue(const std::vector<std::uint8_t>& hardware_address) {
  if (hardware_address.empty()) return wmi::Null{};
  return HexText(hardware_address, u':');
}

std::u16string FirstIpAddress(const Adapter& adapter) {
  if (!adapter.ipv4.empty()) return FromAscii(DottedIpv4(adapter.ipv4.front().address));
  if (!adapter.ipv6.empty()) return FromAscii(Ipv6Text(adapter.ipv6.front().address));
  return {};
}

struct AdapterConfiguration {
  int index = 0;
  std::u16string description;
  wmi::Value mac_address;
  std::u16string ip_address;
};

AdapterConfiguration ConfigurationOf(const Adapter& adapter) {
  return {adapter.index, FromUtf8(adapter.name), MacAddressValue(adapter.hardware_address),
          FirstIpAddress(adapter)};
}

class ConfigurationObject final : public wmi::Object {
 public:
  explicit ConfigurationObject(AdapterConfiguration configuration)
      : configuration_(std::move(configuration)) {}

  wmi::Value Get(std::u16string_view name) override {
    if (SameName(name, u"MACAddress")) return configuration_.mac_address;
    if (SameName(name, u"Description")) return configuration_.description;
    if (SameName(name, u"Index")) return FromAscii(std::to_string(configuration_.index));
    if (SameName(name, u"IPAddress")) return configuration_.ip_address;
    if (SameName(name, u"IPEnabled")) return std::u16string(u"True");
    RaisePlatformError(wbem_error::kNotFound, u"Not found");
  }

 private:
  AdapterConfiguration configuration_;
};

// The items are made as they are enumerated: a query's reader stops at the
// first adapter it takes, and on a machine of thousands of adapters the
// others would only be made to be thrown away.
class ConfigurationSet final : public wmi::ObjectSet {
 public:
  ConfigurationSet(SharedSnapshot snapshot, std::vector<const Adapter*> adapters)
      : snapshot_(std::move(snapshot)), adapters_(std::move(adapters)) {}

  std::unique_ptr<wmi::Object> Next() override {
    if (next_ == adapters_.size()) return nullptr;
    return std::make_unique<ConfigurationObject>(ConfigurationOf(*adapters_[next_++]));
  }

 private:
  SharedSnapshot snapshot_;  // holds the adapters
  std::vector<const Adapter*> adapters_;
  std::size_t next_ = 0;
};

class Cimv2Services final : public wmi::Services {
 public:
  explicit Cimv2Services(SnapshotReader read_snapshot) : read_snapshot_(std::move(read_snapshot)) {}

  std::unique_ptr<wmi::ObjectSet> ExecQuery(std::u16string_view query) override {
    if (!IsAdapterConfigurationQuery(query)) RaisePlatformError(wbem_error::kInvalidQuery, u"Invalid query");
    return AdapterConfigurations(read_snapshot_());
  }

 private:
  SnapshotReader read_snapshot_;
};

}  // namespace

void CheckMoniker(std::u16string_view moniker, const HostName& host_name) {
  if (!StartsWithName(moniker, kMonikerPrefix)) RaiseMonikerSyntax();
  std::u16string path(SkipSecuritySettings(moniker.substr(kMonikerPrefix.size())));
  std::replace(path.begin(), path.end(), u'/', u'\\');
  const std::u16string_view name = NamespaceOf(path, host_name);
  // A class or instance path names an object, not a namespace's service.
  if (name.find(u':') != std::u16string_view::npos) {
    RaisePlatformError(wbem_error::kInvalidObjectPath, u"Invalid object path");
  }
  if (!name.empty() && !SameName(name, kNamespace)) {
    RaisePlatformError(wbem_error::kInvalidNamespace, u"Invalid namespace");
  }
}

bool IsAdapterConfigurationQuery(std::u16string_view query) {
  static constexpr std::u16string_view kExpected[] = {
      u"select", u"*", u"from", u"Win32_NetworkAdapterConfiguration", u"where", u"IPEnabled", u"=", u"true"};
  const std::vector<std::u16string_view> tokens = WqlTokens(query);
  return std::equal(tokens.begin(), tokens.end(), std::begin(kExpected), std::end(kExpected), SameName);
}

std::unique_ptr<wmi::ObjectSet> AdapterConfigurations(SharedSnapshot snapshot) {
  std::vector<const Adapter*> adapters;
  adapters.reserve(snapshot->adapters.size());
  for (const Adapter& adapter : snapshot->adapters) {
    if (Sees(AdapterSet::kWithIpAddress, adapter)) adapters.push_back(&adapter);
  }
  // A snapshot lists its adapters by index already; a stable sort would move
  // every one even then.
  const auto by_index = [](const Adapter* a, const Adapter* b) { return a->index < b->index; };
  if (!std::is_sorted(adapters.begin(), adapters.end(), by_index))
    std::stable_sort(adapters.begin(), adapters.end(), by_index);
  return std::make_unique<ConfigurationSet>(std::move(snapshot), std::move(adapters));
}

std::unique_ptr<wmi::Services> ConnectServices(std::u16string_view moniker, SnapshotReader read_snapshot) {
  CheckMoniker(moniker, [&] { return FromUtf8(read_snapshot()->host_name); });
  return std::make_unique<Cimv2Services>(std::move(read_snapshot));
}

}  // namespace adreca::platform::standin
