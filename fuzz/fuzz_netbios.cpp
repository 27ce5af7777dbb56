// The NetBIOS probe against a fake Netbios that answers each request with an
// arbitrary return code and fills the buffer it is given (within the length
// it is told) with arbitrary bytes: any LANA count and numbers, any adapter
// status. The probe must raise nothing, make exactly the requests the walk
// rules give (enumerate, then reset and status per LANA in list order, with
// the asterisk call name and the right buffers and lengths), leave the last
// return code in ApiStatus and return the first accepted address, else the
// last one formed.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fixture.h"
#include "platform/netbios.h"
#include "platform/seam.h"
#include "probes/probes.h"

namespace adreca::fuzz {
namespace {

using platform::NCB;
using Address = std::array<std::uint8_t, 6>;

struct Request {
  std::uint8_t command = 0;
  std::uint8_t lana = 0;
};

// Six bytes as twelve upper-case hex digits, worked out here.
std::u16string Hex(const Address& bytes) {
  std::u16string text;
  for (std::uint8_t byte : bytes) {
    text += u"0123456789ABCDEF"[byte >> 4];
    text += u"0123456789ABCDEF"[byte & 15];
  }
  return text;
}

// Twelve hex digits compare above twelve zeros exactly when a byte is not 0.
bool AnyByteSet(const Address& bytes) {
  return std::any_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b != 0; });
}

// What the fake answered, kept from input to input so that no input pays for
// the lists' storage again.
struct Harness {
  FuzzedDataProvider* input = nullptr;
  std::vector<Request> requests;
  std::vector<std::uint8_t> lanas;  // as the enumeration filled them
  std::vector<Address> statuses;    // the address bytes after each status request
  std::uint8_t last_code = 0;
  std::uint8_t* status_buffer = nullptr;  // the probe's, as first handed over
  seam::ScopedFake<decltype(platform::Netbios)> fake{&platform::Netbios,
                                                               [this](NCB* ncb) { return Answer(*ncb); }};

  void Start(FuzzedDataProvider& data) {
    input = &data;
    requests.clear();
    lanas.clear();
    statuses.clear();
    last_code = 0;
    status_buffer = nullptr;
  }

  // Mostly a few LANAs, now and then any count up to 255: a long list costs
  // two requests for each LANA.
  void Enumerate(NCB& ncb) {
    Require(ncb.ncb_length == 258 && ncb.ncb_buffer != nullptr, "enumeration with a bad buffer");
    const auto count = input->ConsumeIntegralInRange(0, 3) == 0
                           ? input->ConsumeIntegral<std::uint8_t>()
                           : input->ConsumeIntegralInRange<std::uint8_t>(0, 8);
    ncb.ncb_buffer[0] = count;
    for (int i = 1; i <= count; ++i) ncb.ncb_buffer[i] = input->ConsumeIntegral<std::uint8_t>();
    lanas.assign(ncb.ncb_buffer + 1, ncb.ncb_buffer + 1 + count);
  }

  // Writes the first `written` bytes of the record: the address bytes from
  // the input, the rest one filler byte; the last byte of the length told is
  // touched, so AddressSanitizer sees a buffer shorter than it.
  void FillStatus(NCB& ncb) {
    Require(ncb.ncb_length == 620, "adapter status with a length other than 620");
    Require(ncb.ncb_callname[0] == '*' && ncb.ncb_callname[15] == 0,
            "adapter status without the asterisk name");
    for (int i = 1; i < 15; ++i) Require(ncb.ncb_callname[i] == ' ', "call name not padded with blanks");
    if (status_buffer == nullptr) status_buffer = ncb.ncb_buffer;
    Require(ncb.ncb_buffer == status_buffer, "the status buffer moved between requests");
    auto* volatile last = ncb.ncb_buffer + ncb.ncb_length - 1;
    *last = *last;
    const std::size_t written = input->ConsumeIntegralInRange<std::size_t>(0, ncb.ncb_length);
    for (std::size_t i = 0; i < std::min<std::size_t>(written, 6); ++i) {
      ncb.ncb_buffer[i] = input->ConsumeBool() ? 0 : input->ConsumeIntegral<std::uint8_t>();
    }
    if (written > 6) std::memset(ncb.ncb_buffer + 6, input->ConsumeIntegral<std::uint8_t>(), written - 6);
    Address address;
    std::copy_n(ncb.ncb_buffer, address.size(), address.begin());
    statuses.push_back(address);
  }

  std::uint8_t Answer(NCB& ncb) {
    requests.push_back({ncb.ncb_command, ncb.ncb_lana_num});
    Require(ncb.ncb_post == nullptr && ncb.ncb_event == nullptr, "an asynchronous request");
    switch (ncb.ncb_command) {
      case platform::NCBENUM:
        Enumerate(ncb);
        break;
      case platform::NCBRESET:
        break;
      case platform::NCBASTAT:
        FillStatus(ncb);
        break;
      default:
        Fail("unknown command " + std::to_string(ncb.ncb_command));
    }
    last_code = input->ConsumeBool() ? 0 : input->ConsumeIntegral<std::uint8_t>();
    if (ncb.ncb_command == platform::NCBENUM && last_code != 0) lanas.clear();
    return last_code;
  }

  // Replays the walk: reset and status per listed LANA, in list order, until
  // an address is accepted; every earlier one was rejected.
  void CheckWalk(const std::u16string& result) const {
    Require(!requests.empty() && requests[0].command == platform::NCBENUM,
            "the first request is no enumeration");
    const std::size_t examined = statuses.size();
    Require(requests.size() == 1 + 2 * examined, "a reset without its status request");
    Require(examined <= lanas.size(), "more LANAs asked than listed");
    for (std::size_t k = 0; k < examined; ++k) {
      const Request& reset = requests[1 + 2 * k];
      const Request& status = requests[2 + 2 * k];
      Require(reset.command == platform::NCBRESET && status.command == platform::NCBASTAT,
              "requests out of order");
      Require(reset.lana == lanas[k] && status.lana == lanas[k], "a LANA other than the listed one");
      if (k + 1 < examined) Require(!AnyByteSet(statuses[k]), "went on past an accepted address");
    }
    if (examined == 0) {
      Require(result.empty(), "a result without any adapter status");
      return;
    }
    Require(result == Hex(statuses.back()),
            [&] { return "result " + Show(result) + " is not the last status read"; });
    Require(AnyByteSet(statuses.back()) || examined == lanas.size(), "stopped before an accepted address");
  }
};

}  // namespace
}  // namespace adreca::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace adreca;
  using namespace adreca::fuzz;
  Harness& harness = WholeRun<Harness>();
  FuzzedDataProvider input(data, size);
  harness.Start(input);
  ApiStatus = kUntouchedStatus;
  const Outcome outcome = RunProbe(&MacNetBios);
  Require(outcome.error == 0,
          [&] { return "the NetBIOS probe raised error " + std::to_string(outcome.error); });
  Require(ApiStatus == harness.last_code, "ApiStatus is not the last return code");
  harness.CheckWalk(outcome.result);
  return 0;
}
