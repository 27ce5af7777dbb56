// The workstation transport probe: the first transport address, in the order
// the workstation service lists its transports, that passes the acceptance
// test.

#include <cstddef>
#include <cstdint>
#include <string>

#include "address/address.h"
#include "platform/kernel32.h"
#include "platform/netapi32.h"
#include "platform/seam.h"
#include "probes/probes.h"
#include "probes/wide_to_string.h"

namespace adreca {

namespace {

using platform::WKSTA_TRANSPORT_INFO_0;

// The buffer that the transport enumeration allocates. It goes back to the
// platform exactly once: through Release() when the probe ends normally, or
// from the destructor when an error leaves the probe early. The pointer may
// be null (a failed enumeration); the platform accepts that too.
class TransportBuffer {
 public:
  TransportBuffer() = default;
  TransportBuffer(const TransportBuffer&) = delete;
  TransportBuffer& operator=(const TransportBuffer&) = delete;
  ~TransportBuffer() {
    if (released_) return;
    try {
      seam::Call(platform::NetApiBufferFree, start_);
    } catch (...) {
      // An error is already leaving the probe; that is the one to report.
    }
  }

  std::uint8_t** Receiver() { return &start_; }
  bool IsNull() const { return start_ == nullptr; }

  // Record `index` starts that many records into the buffer: the platform's
  // own record size is the stride.
  const std::uint8_t* Record(std::uint32_t index) const {
    return start_ + static_cast<std::size_t>(index) * sizeof(WKSTA_TRANSPORT_INFO_0);
  }

  void Release() {
    released_ = true;
    seam::Call(platform::NetApiBufferFree, start_);
  }

 private:
  std::uint8_t* start_ = nullptr;
  bool released_ = false;
};

// Walks the records the enumeration delivered and stops at the first accepted
// address. Returns the accepted text, else the last one examined, else empty.
std::u16string FirstAcceptedAddress(const TransportBuffer& buffer, std::uint32_t entries_read) {
  std::u16string candidate;
  // A platform that reports records without a buffer delivered none.
  const std::uint32_t count = buffer.IsNull() ? 0 : entries_read;
  for (std::uint32_t i = 0; i < count; ++i) {
    WKSTA_TRANSPORT_INFO_0 record{};
    seam::Call(platform::RtlMoveMemory, &record, buffer.Record(i), sizeof record);
    candidate = WideToString(record.wkti0_transport_address);
    if (IsAccepted(candidate)) break;
  }
  return candidate;
}

}  // namespace

std::u16string MacNetWksta() {
  // The server name is the address of 32 zero bits: an empty name, which
  // stands for the local computer.
  char16_t server_name[2] = {};
  std::uint32_t entries_read = 0;
  std::uint32_t total_entries = 0;
  std::uint32_t resume_handle = 0;
  TransportBuffer buffer;

  ApiStatus = static_cast<std::int32_t>(seam::Call(platform::NetWkstaTransportEnum, server_name, 0,
                                                   buffer.Receiver(), platform::kMaxPreferredLength,
                                                   &entries_read, &total_entries, &resume_handle));

  std::u16string candidate = FirstAcceptedAddress(buffer, entries_read);
  buffer.Release();
  return candidate;
}

}  // namespace adreca
