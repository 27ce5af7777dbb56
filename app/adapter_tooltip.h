#pragma once

// The tooltip of a row's address box: which of the machine's adapters has the
// address that the row's way found. Toolkit-free, for every front end.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/adapter_identity.h"

namespace adreca::app {

// platform::FindAdaptersByAddress, or a test's stand-in for it.
using AdapterLookup = std::vector<platform::AdapterIdentity> (*)(std::u16string_view address,
                                                                 platform::AdapterSet seen_by);

// Which adapters have a probe's result `compact`, as `lookup` finds them for
// a way that sees `seen_by`, and the tooltip that names them. A lookup that
// raises does not end the action: no adapter is named then, and the text says
// that the adapters could not be read.
struct AdapterNaming {
  std::vector<platform::AdapterIdentity> adapters;  // the named one first, then the others
  std::u16string tooltip;
};
AdapterNaming NameAdapters(const std::u16string& compact, platform::AdapterSet seen_by,
                           AdapterLookup lookup = &platform::FindAdaptersByAddress);

// "universally administered" or "locally administered", as the first byte of
// the address says (IEEE 802).
bool IsLocallyAdministered(const platform::AdapterIdentity& adapter);

// The tooltip for `compact` given the adapters that have it, the named one
// first: it is named and described, the others listed by name.
std::u16string AdapterToolTipText(const std::u16string& compact,
                                  std::span<const platform::AdapterIdentity> adapters);

// An address as the window shows addresses: upper-case hex pairs and hyphens.
std::u16string DisplayBytes(std::span<const std::uint8_t> bytes);

}  // namespace adreca::app
