#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "address/address.h"
#include "core/error.h"
#include "platform/seam.h"
#include "platform/wmi.h"
#include "probes/probes.h"

namespace adreca {

namespace {

namespace wmi = platform::wmi;

// The namespace root\cimv2 of the local computer, with no security settings
// of its own.
constexpr std::u16string_view kMoniker = u"winmgmts:!\\\\.\\root\\cimv2";
constexpr std::u16string_view kQuery =
    u"Select * from Win32_NetworkAdapterConfiguration Where IPEnabled = True";
constexpr std::u16string_view kAddressProperty = u"MACaddress";

// The 1-based positions of the two-digit groups in "00:1A:2B:3C:4D:5E".
constexpr std::size_t kPiecePositions[] = {1, 4, 7, 10, 13, 16};

constexpr std::int32_t kObjectNotSet = 91;

// Up to two characters from a 1-based position; empty beyond the end.
std::u16string_view Piece(std::u16string_view text, std::size_t position) {
  if (position > text.size()) return {};
  return text.substr(position - 1, 2);
}

// The groups of the address text joined without their separators. Nothing is
// tested or converted, so the letters keep their case.
std::u16string CompactAddress(std::u16string_view address_text) {
  std::u16string candidate;
  for (const std::size_t position : kPiecePositions) candidate += Piece(address_text, position);
  return candidate;
}

// A property value as text: text unchanged, Empty as empty text; Null cannot
// become text.
std::u16string AsText(const wmi::Value& value) {
  if (std::holds_alternative<wmi::Null>(value)) RaiseInvalidUseOfNull();
  if (const auto* text = std::get_if<std::u16string>(&value)) return *text;
  return {};
}

// A reference that the platform failed to deliver is an error, not a crash.
template <typename T>
T& Use(const std::unique_ptr<T>& reference) {
  if (!reference) RaisePlatformError(kObjectNotSet, u"Object variable or With block variable not set");
  return *reference;
}

}  // namespace

std::u16string MacWinMgmt() {
  std::u16string candidate;
  // Declared in the reverse of their release order, so that an error releases
  // the item, then the collection, then the service, as the normal path does.
  std::unique_ptr<wmi::Services> service = seam::Call(wmi::GetObject, kMoniker);
  std::unique_ptr<wmi::ObjectSet> configurations = Use(service).ExecQuery(kQuery);
  std::unique_ptr<wmi::Object> configuration;
  while (std::unique_ptr<wmi::Object> next = Use(configurations).Next()) {
    configuration = std::move(next);
    candidate = CompactAddress(AsText(configuration->Get(kAddressProperty)));
    if (IsAccepted(candidate)) break;
  }
  configuration.reset();
  configurations.reset();
  service.reset();
  return candidate;
}

}  // namespace adreca
