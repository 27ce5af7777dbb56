#pragma once

// The tooltip of a row's address box: which of the machine's adapters has the
// address that the row's way found. Toolkit-free, for every front end.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/adapter_identity.h"

namespace adreca::app {

using AdapterLookup = std::vector<platform::AdapterIdentity> (*)(std::u16string_view address);

// The tooltip for a probe's result `compact`, naming the adapters that
// `lookup` finds for it. A lookup that raises does not end the action: the
// text then says that the adapters could not be read.
std::u16string AdapterToolTip(const std::u16string& compact,
                              AdapterLookup lookup = &platform::FindAdaptersByAddress);

// The tooltip for `compact` given the adapters that have it, in the platform's
// order: the first is named and described, the others listed by name.
std::u16string AdapterToolTipText(const std::u16string& compact,
                                  std::span<const platform::AdapterIdentity> adapters);

// An address as the window shows addresses: upper-case hex pairs and hyphens.
std::u16string DisplayBytes(std::span<const std::uint8_t> bytes);

}  // namespace adreca::app
