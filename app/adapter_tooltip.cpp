#include "app/adapter_tooltip.h"

#include <algorithm>

#include "address/address.h"
#include "address/hex_text.h"
#include "app/printable_text.h"
#include "core/error.h"
#include "core/text.h"

namespace adreca::app {
namespace {

using platform::AdapterIdentity;
using platform::AddressOrigin;

// The individual/group bit is 0x01 of the first byte; 0x02 marks an address
// that was assigned locally instead of by the manufacturer (IEEE 802).
constexpr std::uint8_t kLocallyAdministeredBit = 0x02;

// A bridge or VLAN parent may share its address with thousands of ports: the
// tooltip names a few and counts the rest, so that it stays on the screen.
constexpr std::size_t kMostAlsoListed = 8;

std::u16string OriginText(AddressOrigin origin) {
  switch (origin) {
    case AddressOrigin::kPermanent:
      return u", the device's permanent address";
    case AddressOrigin::kRandom:
      return u", generated at random";
    case AddressOrigin::kStolen:
      return u", taken from another device";
    case AddressOrigin::kSet:
      return u", set by software";
    case AddressOrigin::kUnknown:
      break;
  }
  return {};
}

std::u16string AdministrationText(const AdapterIdentity& adapter) {
  std::u16string text =
      IsLocallyAdministered(adapter) ? u"locally administered" : u"universally administered";
  text += OriginText(adapter.origin);
  return text;
}

void AppendLine(std::u16string& text, std::u16string_view label, std::u16string_view value) {
  if (!text.empty()) text += u'\n';
  text += label;
  text += value;
}

std::u16string NamedAdapterText(const AdapterIdentity& adapter) {
  std::u16string text;
  AppendLine(text, u"Adapter: ", EscapeControls(adapter.name));
  if (!adapter.description.empty()) AppendLine(text, u"Description: ", EscapeControls(adapter.description));
  AppendLine(text, u"Address: ", AdministrationText(adapter));
  if (!adapter.permanent_address.empty() && adapter.permanent_address != adapter.hardware_address) {
    AppendLine(text, u"Permanent address: ", DisplayBytes(adapter.permanent_address));
  }
  return text;
}

}  // namespace

std::u16string DisplayBytes(std::span<const std::uint8_t> bytes) { return HexText(bytes, u'-'); }

std::u16string AdapterToolTipText(const std::u16string& compact, std::span<const AdapterIdentity> adapters) {
  if (compact.empty()) return u"No address was found, so no adapter is named.";
  if (adapters.empty())
    return u"No adapter of this machine has the address " + EscapeControls(Guions(compact)) + u".";
  std::u16string text = NamedAdapterText(adapters.front());
  const std::size_t listed = std::min(adapters.size(), kMostAlsoListed + 1);
  for (std::size_t i = 1; i < listed; ++i) {
    text += i == 1 ? u"\nAlso has this address: " : u", ";
    text += EscapeControls(adapters[i].name);
  }
  if (listed < adapters.size()) {
    text += u" and " + FromAscii(std::to_string(adapters.size() - listed)) + u" more";
  }
  return text;
}

bool IsLocallyAdministered(const AdapterIdentity& adapter) {
  return !adapter.hardware_address.empty() &&
         (adapter.hardware_address.front() & kLocallyAdministeredBit) != 0;
}

AdapterNaming NameAdapters(const std::u16string& compact, platform::AdapterSet seen_by,
                           AdapterLookup lookup) {
  AdapterNaming naming;
  if (!compact.empty()) {
    try {
      naming.adapters = lookup(compact, seen_by);
    } catch (const Error& error) {
      naming.tooltip =
          u"The adapters of this machine could not be read: " + EscapeControls(error.description());
      return naming;
    }
  }
  naming.tooltip = AdapterToolTipText(compact, naming.adapters);
  return naming;
}

}  // namespace adreca::app
