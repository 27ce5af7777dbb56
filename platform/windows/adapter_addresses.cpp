#include "platform/windows/adapter_addresses.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <string>

#include "core/error.h"
#include "platform/windows/entry_point.h"
#include "platform/windows/windows_text.h"

namespace adreca::platform::windows {
namespace {

// What the first call asks for: enough for a few adapters, as the IP helper's
// documentation advises, so that one call is usually enough.
constexpr ULONG kFirstBufferSize = 15 * 1024;
constexpr int kAttempts = 4;

// The adapters with their own addresses, which say which ways see them; the
// other addresses and the servers are not needed.
constexpr ULONG kFlags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;

std::u16string TextOf(const wchar_t* text) {
  return text == nullptr ? std::u16string() : FromWide(text, std::wcslen(text));
}

bool HasAddress(const IP_ADAPTER_ADDRESSES_LH& adapter, const HardwareAddress& address) {
  return adapter.PhysicalAddressLength == address.size() &&
         std::equal(address.begin(), address.end(), adapter.PhysicalAddress);
}

bool HoldsIpv4(const IP_ADAPTER_ADDRESSES_LH& adapter) {
  for (const IP_ADAPTER_UNICAST_ADDRESS_LH* unicast = adapter.FirstUnicastAddress; unicast != nullptr;
       unicast = unicast->Next) {
    if (unicast->Address.lpSockaddr != nullptr && unicast->Address.lpSockaddr->sa_family == AF_INET)
      return true;
  }
  return false;
}

bool Sees(AdapterSet set, const IP_ADAPTER_ADDRESSES_LH& adapter) {
  if (adapter.IfType == IF_TYPE_SOFTWARE_LOOPBACK) return false;
  switch (set) {
    case AdapterSet::kAllButLoopback:
      return true;
    case AdapterSet::kWithIpAddress:
      return adapter.FirstUnicastAddress != nullptr;
    case AdapterSet::kWithIpv4:
      return HoldsIpv4(adapter);
  }
  return false;
}

bool IsAllZero(const HardwareAddress& address) {
  return std::all_of(address.begin(), address.end(), [](std::uint8_t byte) { return byte == 0; });
}

[[noreturn]] void RaiseListFailure(ULONG code) {
  std::u16string description = u"GetAdaptersAddresses";
  const std::u16string message = SystemMessage(code);
  if (!message.empty()) description += u": " + message;
  RaisePlatformError(static_cast<std::int32_t>(code), description);
}

// Bound at its first call from the system folder only: IPHLPAPI.DLL is no
// KnownDLL, so a static import would be looked for beside the program first.
const windows::EntryPoint<ULONG(ULONG, ULONG, void*, IP_ADAPTER_ADDRESSES*, ULONG*)> GetAdaptersAddresses{
    "iphlpapi.dll", "GetAdaptersAddresses"};

}  // namespace

std::vector<std::uint64_t> ReadAdapterList() {
  ULONG size = kFirstBufferSize;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::vector<std::uint64_t> buffer((size + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));
    size = static_cast<ULONG>(buffer.size() * sizeof(std::uint64_t));
    const ULONG result = GetAdaptersAddresses(AF_UNSPEC, kFlags, nullptr,
                                              reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    if (result == ERROR_SUCCESS) return buffer;
    if (result == ERROR_NO_DATA) return {};
    // The list grew between the calls: ask again with the size just given.
    if (result != ERROR_BUFFER_OVERFLOW) RaiseListFailure(result);
  }
  RaiseListFailure(ERROR_BUFFER_OVERFLOW);
}

std::vector<AdapterIdentity> IdentifyAdapters(const IP_ADAPTER_ADDRESSES_LH* first,
                                              const HardwareAddress& address, AdapterSet seen_by) {
  std::vector<const IP_ADAPTER_ADDRESSES_LH*> matches;
  if (IsAllZero(address)) return {};
  for (const IP_ADAPTER_ADDRESSES_LH* adapter = first; adapter != nullptr; adapter = adapter->Next) {
    if (HasAddress(*adapter, address)) matches.push_back(adapter);
  }
  const auto seen = std::find_if(matches.begin(), matches.end(),
                                 [&](const auto* adapter) { return Sees(seen_by, *adapter); });
  if (seen != matches.end()) std::rotate(matches.begin(), seen, seen + 1);
  std::vector<AdapterIdentity> found;
  found.reserve(matches.size());
  for (const IP_ADAPTER_ADDRESSES_LH* adapter : matches) {
    AdapterIdentity& identity = found.emplace_back();
    identity.name = TextOf(adapter->FriendlyName);
    identity.description = TextOf(adapter->Description);
    identity.hardware_address.assign(adapter->PhysicalAddress,
                                     adapter->PhysicalAddress + adapter->PhysicalAddressLength);
  }
  return found;
}

}  // namespace adreca::platform::windows
