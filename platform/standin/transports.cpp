#include "platform/standin/transports.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "address/hex_text.h"
#include "core/fnv1a.h"
#include "core/text.h"
#include "platform/netapi32.h"

namespace adreca::platform::standin {

namespace {

constexpr std::size_t kHardwareAddressLength = 6;
constexpr std::int32_t kTrue = 1;

// Every transport's name and address have these lengths, so their strings are
// written straight into the answer's buffer, with no text of their own.
constexpr std::u16string_view kNamePrefix = u"\\Device\\NetBT_Tcpip_";
constexpr std::size_t kGuidTextLength = 38;  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
constexpr std::size_t kNameLength = kNamePrefix.size() + kGuidTextLength;
constexpr std::size_t kAddressLength = 2 * kHardwareAddressLength;

// ---- Names and addresses ----

// Sixteen bytes from two salted hashes of the name and address (fixed, so
// that the GUID never changes), marked as a version 8 (vendor
// defined) GUID of the RFC 4122 variant.
std::array<std::uint8_t, 16> AdapterGuid(const Adapter& adapter) {
  std::array<std::uint8_t, 16> guid{};
  for (std::uint8_t half = 0; half < 2; ++half) {
    const std::uint64_t hash =
        Fnv1a().Add(half).Add(adapter.name).Add(std::uint8_t{0}).Add(adapter.hardware_address).value();
    for (std::size_t i = 0; i < 8; ++i) guid[half * 8 + i] = static_cast<std::uint8_t>(hash >> (56 - 8 * i));
  }
  guid[6] = static_cast<std::uint8_t>((guid[6] & 0x0F) | 0x80);
  guid[8] = static_cast<std::uint8_t>((guid[8] & 0x3F) | 0x80);
  return guid;
}

// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, upper case, as the registry shows it,
// at `out`; returns the end.
char16_t* PutGuid(char16_t* out, const std::array<std::uint8_t, 16>& guid) {
  const std::span<const std::uint8_t> bytes(guid);
  *out++ = u'{';
  out = WriteHex(bytes.subspan(0, 4), out, char16_t{0});
  *out++ = u'-';
  out = WriteHex(bytes.subspan(4, 2), out, char16_t{0});
  *out++ = u'-';
  out = WriteHex(bytes.subspan(6, 2), out, char16_t{0});
  *out++ = u'-';
  out = WriteHex(bytes.subspan(8, 2), out, char16_t{0});
  *out++ = u'-';
  out = WriteHex(bytes.subspan(10, 6), out, char16_t{0});
  *out++ = u'}';
  return out;
}

// TransportName's kNameLength characters at `out`; returns the end.
char16_t* PutTransportName(char16_t* out, const Adapter& adapter) {
  return PutGuid(std::copy(kNamePrefix.begin(), kNamePrefix.end(), out), AdapterGuid(adapter));
}

// TransportAddress's kAddressLength characters at `out`; returns the end.
char16_t* PutTransportAddress(char16_t* out, const Adapter& adapter) {
  std::array<std::uint8_t, kHardwareAddressLength> bytes{};
  const std::size_t length = std::min(adapter.hardware_address.size(), bytes.size());
  std::copy_n(adapter.hardware_address.begin(), length, bytes.begin());
  return WriteHex(bytes, out, char16_t{0});
}

// ---- The server name ----

char16_t AsciiLower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  return std::ranges::equal(a, b, [](char16_t x, char16_t y) { return AsciiLower(x) == AsciiLower(y); });
}

// Null, empty, and this computer's own name (with or without the leading
// backslashes) all name the local computer.
bool NamesLocalComputer(const char16_t* server_name, const std::string& host_name) {
  if (server_name == nullptr || *server_name == u'\0') return true;
  std::u16string_view name(server_name);
  if (name.starts_with(u"\\\\")) name.remove_prefix(2);
  return !name.empty() && EqualIgnoringAsciiCase(name, FromUtf8(host_name));
}

// ---- The buffer ----

constexpr std::size_t kRecordSize = sizeof(WKSTA_TRANSPORT_INFO_0);

// A transport's two strings with their terminating NULs.
constexpr std::size_t kStringBytes = (kNameLength + 1 + kAddressLength + 1) * sizeof(char16_t);

// How many of `available` transports, from the first on, fit in
// `preferred_length` bytes, each with its record and its strings.
std::size_t CountThatFit(std::size_t available, std::uint32_t preferred_length) {
  if (preferred_length == kMaxPreferredLength) return available;
  return std::min<std::size_t>(available, preferred_length / (kRecordSize + kStringBytes));
}

// One allocation: the records back to back from its start, then the strings
// they point to, written in place. Null when memory runs out.
std::uint8_t* Pack(std::span<const Adapter* const> transports) {
  auto* buffer = static_cast<std::uint8_t*>(std::malloc(transports.size() * (kRecordSize + kStringBytes)));
  if (buffer == nullptr) return nullptr;

  // The strings start a whole number of records into the buffer, which
  // keeps them aligned for their 16-bit characters.
  auto* strings = reinterpret_cast<char16_t*>(buffer + transports.size() * kRecordSize);
  for (std::size_t i = 0; i < transports.size(); ++i) {
    WKSTA_TRANSPORT_INFO_0 record{};
    record.wkti0_quality_of_service = 0;
    record.wkti0_number_of_vcs = 0;
    record.wkti0_transport_name = strings;
    strings = PutTransportName(strings, *transports[i]);
    *strings++ = u'\0';
    record.wkti0_transport_address = strings;
    strings = PutTransportAddress(strings, *transports[i]);
    *strings++ = u'\0';
    record.wkti0_wan_ish = kTrue;  // TCP/IP is routable
    std::memcpy(buffer + i * kRecordSize, &record, kRecordSize);
  }
  return buffer;
}

std::uint32_t Fail(std::uint32_t code, std::uint8_t** buffer, std::uint32_t* entries_read,
                   std::uint32_t* total_entries) {
  if (buffer != nullptr) *buffer = nullptr;
  if (entries_read != nullptr) *entries_read = 0;
  if (total_entries != nullptr) *total_entries = 0;
  return code;
}

}  // namespace

std::vector<const Adapter*> TransportAdapters(const AdapterSnapshot& snapshot) {
  std::vector<const Adapter*> adapters;
  for (const Adapter& adapter : snapshot.adapters) {
    if (Sees(AdapterSet::kWithIpv4, adapter)) adapters.push_back(&adapter);
  }
  return adapters;
}

std::u16string TransportName(const Adapter& adapter) {
  std::u16string name(kNameLength, u'\0');
  PutTransportName(name.data(), adapter);
  return name;
}

std::u16string TransportAddress(const Adapter& adapter) {
  std::u16string address(kAddressLength, u'\0');
  PutTransportAddress(address.data(), adapter);
  return address;
}

std::uint32_t EnumerateTransports(const AdapterSnapshot& snapshot, const char16_t* server_name,
                                  std::uint32_t level, std::uint8_t** buffer, std::uint32_t preferred_length,
                                  std::uint32_t* entries_read, std::uint32_t* total_entries,
                                  std::uint32_t* resume_handle) {
  if (buffer == nullptr || entries_read == nullptr || total_entries == nullptr) {
    return Fail(kErrorInvalidParameter, buffer, entries_read, total_entries);
  }
  if (!NamesLocalComputer(server_name, snapshot.host_name)) {
    return Fail(kErrorBadNetpath, buffer, entries_read, total_entries);
  }
  if (level != 0) return Fail(kErrorInvalidLevel, buffer, entries_read, total_entries);

  const std::vector<const Adapter*> all = TransportAdapters(snapshot);
  const std::size_t first = std::min<std::size_t>(resume_handle == nullptr ? 0 : *resume_handle, all.size());
  const std::span<const Adapter* const> remaining = std::span(all).subspan(first);
  const std::span<const Adapter* const> delivered =
      remaining.first(CountThatFit(remaining.size(), preferred_length));

  std::uint8_t* packed = nullptr;
  if (!delivered.empty()) {
    packed = Pack(delivered);
    if (packed == nullptr) return Fail(kErrorNotEnoughMemory, buffer, entries_read, total_entries);
  }
  *buffer = packed;
  *entries_read = static_cast<std::uint32_t>(delivered.size());
  *total_entries = static_cast<std::uint32_t>(remaining.size());
  const bool complete = delivered.size() == remaining.size();
  if (resume_handle != nullptr)
    *resume_handle = complete ? 0 : static_cast<std::uint32_t>(first + delivered.size());
  return complete ? kErrorSuccess : kErrorMoreData;
}

void ReleaseTransports(void* buffer) { std::free(buffer); }

}  // namespace adreca::platform::standin
