// The NetBIOS probe: enumerates the LAN adapter numbers, then resets each in
// turn and reads the adapter address from the first six bytes of its status
// record, until one address is not all zeros.

#include <array>
#include <cstdint>
#include <string>

#include "address/address.h"
#include "address/hex_text.h"
#include "core/checked.h"
#include "platform/netbios.h"
#include "platform/seam.h"
#include "probes/probes.h"

namespace adreca {

namespace {

using platform::NCB;

// Two bytes more than the platform's LANA_ENUM record.
constexpr std::uint16_t kLanaListSize = 258;
using LanaList = std::array<std::uint8_t, kLanaListSize>;

// The ADAPTER_STATUS record and 31 NAME_BUFFER entries, rounded up to a
// multiple of four.
constexpr std::uint16_t kStatusSize = 620;
using StatusBuffer = std::array<std::uint8_t, kStatusSize>;

constexpr std::size_t kAddressBytes = 6;

// Submits the request and records its return code for the window.
std::uint8_t Submit(NCB& ncb) {
  const std::uint8_t code = seam::Call(platform::Netbios, &ncb);
  ApiStatus = code;
  return code;
}

std::uint8_t Enumerate(NCB& ncb, LanaList& lanas) {
  ncb.ncb_command = platform::NCBENUM;
  ncb.ncb_buffer = lanas.data();
  ncb.ncb_length = kLanaListSize;
  return Submit(ncb);
}

// Everything else in the block stays as the earlier requests left it.
void Reset(NCB& ncb, std::uint8_t lana) {
  ncb.ncb_command = platform::NCBRESET;
  ncb.ncb_lana_num = lana;
  Submit(ncb);
}

// The asterisk name asks for the local adapter's own status.
void AskStatus(NCB& ncb, std::uint8_t lana, StatusBuffer& status) {
  ncb.ncb_command = platform::NCBASTAT;
  ncb.ncb_lana_num = lana;
  ncb.ncb_callname[0] = '*';
  for (std::size_t i = 1; i < platform::NCBNAMSZ - 1; ++i) ncb.ncb_callname[i] = ' ';
  ncb.ncb_callname[platform::NCBNAMSZ - 1] = 0;
  ncb.ncb_buffer = status.data();
  ncb.ncb_length = kStatusSize;
  Submit(ncb);
}

// Two upper-case hexadecimal digits per address byte, byte 0 first.
std::u16string Candidate(const StatusBuffer& status) {
  return HexText(std::span(status).first<kAddressBytes>());
}

}  // namespace

std::u16string MacNetBios() {
  // One control block and two buffers per run, zero-filled here and never
  // cleared again: each request sees what the earlier ones left.
  NCB ncb{};
  LanaList lanas{};
  StatusBuffer status{};
  std::u16string result;

  if (Enumerate(ncb, lanas) != platform::NRC_GOODRET) return result;

  const std::int16_t count = lanas[0];
  for (std::int16_t i = 0; i < count; i = CheckedAdd<std::int16_t>(i, 1)) {
    const std::int16_t entry = CheckedAdd<std::int16_t>(i, 1);
    CheckSubscript(entry, 0, kLanaListSize - 1);
    const std::uint8_t lana = lanas[static_cast<std::size_t>(entry)];
    Reset(ncb, lana);
    AskStatus(ncb, lana, status);
    // The return codes are only reported: whatever the buffer holds now is
    // the candidate.
    result = Candidate(status);
    if (IsAccepted(result)) break;
  }
  return result;
}

}  // namespace adreca
