// The NetBIOS probe against a fake Netbios that answers each request with an
// arbitrary return code and fills the buffer it is given (within the length
// it is told) with arbitrary bytes: any LANA count and numbers, any adapter
// status. The probe must raise nothing, make exactly the requests the walk
// rules give (enumerate, then reset and status per LANA in list order, with
// the asterisk call name and the right buffers and lengths), leave the last
// return code in ApiStatus and return the first accepted address, else the
// last one formed.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "address/address.h"
#include "core/error.h"
#include "fuzz/fuzz_support.h"
#include "platform/netbios.h"
#include "platform/seam.h"
#include "probes/probes.h"

namespace adreca::fuzz {
namespace {

using platform::NCB;

struct Request {
  std::uint8_t command = 0;
  std::uint8_t lana = 0;
};

struct Script {
  FuzzedDataProvider* input = nullptr;
  std::vector<Request> requests;
  std::vector<std::uint8_t> lanas;       // as the enumeration filled them
  std::vector<std::u16string> statuses;  // the address bytes after each status request
  std::uint8_t last_code = 0;
  std::uint8_t* status_buffer = nullptr;  // the probe's, as first handed over
};
Script* script = nullptr;

// The six address bytes at the start of the status record, as hex digits.
std::u16string Hex(const std::uint8_t* bytes) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string text;
  for (int i = 0; i < 6; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

void CheckStatusRequest(const NCB& ncb) {
  Require(ncb.ncb_length == 620, "adapter status with a length other than 620");
  Require(ncb.ncb_callname[0] == '*' && ncb.ncb_callname[15] == 0,
          "adapter status without the asterisk name");
  for (int i = 1; i < 15; ++i) Require(ncb.ncb_callname[i] == ' ', "call name not padded with blanks");
  if (script->status_buffer == nullptr) script->status_buffer = ncb.ncb_buffer;
  Require(ncb.ncb_buffer == script->status_buffer, "the status buffer moved between requests");
}

std::uint8_t FakeNetbios(NCB* ncb) {
  FuzzedDataProvider& input = *script->input;
  script->requests.push_back({ncb->ncb_command, ncb->ncb_lana_num});
  Require(ncb->ncb_post == nullptr && ncb->ncb_event == nullptr, "an asynchronous request");
  std::uint8_t* buffer = ncb->ncb_buffer;
  switch (ncb->ncb_command) {
    case platform::NCBENUM: {
      Require(ncb->ncb_length == 258 && buffer != nullptr, "enumeration with a bad buffer");
      const auto count = input.ConsumeIntegral<std::uint8_t>();
      buffer[0] = count;
      for (int i = 1; i <= count; ++i) buffer[i] = input.ConsumeIntegral<std::uint8_t>();
      script->lanas.assign(buffer + 1, buffer + 1 + count);
      break;
    }
    case platform::NCBRESET:
      break;
    case platform::NCBASTAT: {
      CheckStatusRequest(*ncb);
      const std::size_t written = input.ConsumeIntegralInRange<std::size_t>(0, ncb->ncb_length);
      for (std::size_t i = 0; i < written; ++i) {
        buffer[i] = input.ConsumeBool() ? 0 : input.ConsumeIntegral<std::uint8_t>();
      }
      script->statuses.push_back(Hex(buffer));
      break;
    }
    default:
      Fail("unknown command " + std::to_string(ncb->ncb_command));
  }
  script->last_code = input.ConsumeBool() ? 0 : input.ConsumeIntegral<std::uint8_t>();
  if (ncb->ncb_command == platform::NCBENUM && script->last_code != 0) script->lanas.clear();
  return script->last_code;
}

}  // namespace
}  // namespace adreca::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace adreca;
  using namespace adreca::fuzz;
  static seam::ScopedFake fake{platform::Netbios, &FakeNetbios};
  FuzzedDataProvider input(data, size);
  Script s;
  s.input = &input;
  script = &s;
  std::u16string result;
  try {
    result = MacNetBios();
  } catch (const Error& error) {
    Fail("the NetBIOS probe raised error " + std::to_string(error.number()));
  }
  Require(ApiStatus == s.last_code, "ApiStatus is not the last return code");
  Require(!s.requests.empty() && s.requests[0].command == platform::NCBENUM,
          "the first request is no enumeration");

  // Replays the walk: reset and status per listed LANA, in list order, until
  // an address is accepted; every earlier one was rejected.
  const std::size_t examined = s.statuses.size();
  Require(s.requests.size() == 1 + 2 * examined, "a reset without its status request");
  Require(examined <= s.lanas.size(), "more LANAs asked than listed");
  for (std::size_t k = 0; k < examined; ++k) {
    const Request& reset = s.requests[1 + 2 * k];
    const Request& status = s.requests[2 + 2 * k];
    Require(reset.command == platform::NCBRESET && status.command == platform::NCBASTAT,
            "requests out of order");
    Require(reset.lana == s.lanas[k] && status.lana == s.lanas[k], "a LANA other than the listed one");
    if (k + 1 < examined) Require(!IsAccepted(s.statuses[k]), "went on past an accepted address");
  }
  if (examined == 0) {
    Require(result.empty(), "a result without any adapter status");
  } else {
    Require(result == s.statuses.back(), "result " + Show(result) + " is not the last status read");
    Require(IsAccepted(result) || examined == s.lanas.size(), "stopped before an accepted address");
  }
  script = nullptr;
  return 0;
}
