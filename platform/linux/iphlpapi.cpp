// GetAdaptersInfo on Linux: the stand-in's answer from the machine's adapters.

#include "platform/iphlpapi.h"

#include <chrono>
#include <optional>
#include <utility>

#include "platform/linux/answer_snapshot.h"
#include "platform/standin/adapter_table.h"
#include "platform/win32_errors.h"

namespace adreca::platform {

namespace {

// A caller that is told its buffer is too small (111) asks again at once with
// a buffer of the size it was told. That follow-up is answered from the same
// snapshot, so that the size told is the size that fits and one query with its
// retry reads the adapters once. The next call on the same thread is taken as
// the follow-up when it comes within kFollowUpWindow with at least that much
// room; any other call reads the adapters afresh.
constexpr std::chrono::milliseconds kFollowUpWindow{1000};

struct PendingAnswer {
  SharedSnapshot snapshot;
  std::uint32_t size_told = 0;
  std::chrono::steady_clock::time_point told;
};

thread_local std::optional<PendingAnswer> pending_answer;

SharedSnapshot SnapshotToAnswer(const IP_ADAPTER_INFO* buffer, std::uint32_t size) {
  std::optional<PendingAnswer> pending = std::exchange(pending_answer, std::nullopt);
  if (pending && buffer != nullptr && size >= pending->size_told &&
      std::chrono::steady_clock::now() - pending->told <= kFollowUpWindow) {
    return std::move(pending->snapshot);
  }
  // The records report IPv4 gateways but no DNS servers.
  return SnapshotForAnswer({.gateways = true, .dns_servers = false});
}

}  // namespace

std::uint32_t GetAdaptersInfo(IP_ADAPTER_INFO* adapter_info, std::uint32_t* size) {
  if (size == nullptr) return kErrorInvalidParameter;
  SharedSnapshot snapshot = SnapshotToAnswer(adapter_info, *size);
  const std::uint32_t result = standin::AnswerGetAdaptersInfo(*snapshot, adapter_info, size);
  if (result == kErrorBufferOverflow) {
    pending_answer = PendingAnswer{std::move(snapshot), *size, std::chrono::steady_clock::now()};
  }
  return result;
}

}  // namespace adreca::platform
