#pragma once

// The five ways of finding the adapter's physical address, in window order:
// everything about a way that the window, the Win32 window and the report
// need. The layout table (layout.h) places one row of controls per way.

#include <array>
#include <string>
#include <string_view>

#include "platform/adapter_identity.h"
#include "probes/probes.h"

namespace adreca::app {

using Probe = std::u16string (*)();

// What a row's status box shows after its probe: the fixed "n/a", or the
// decimal text of ApiStatus as the probe left it.
enum class StatusRule { kNotApplicable, kApiStatus };

// Which codes a status box shows, for its explanation.
enum class StatusCodes { kNone, kWin32Errors, kNetbiosReturnCodes };

using platform::AdapterSet;

// Where the letters of a way's address come from.
enum class LetterCase {
  kPlatforms,  // copied from the platform's text, in its case
  kUpper,      // formatted from the address's bytes, upper case
};

struct Way {
  std::u16string_view caption;  // the button's caption, and the way's name
  Probe probe;
  StatusRule status;
  // What the way asks of the system, for screen readers and the report.
  std::u16string_view asks;
  StatusCodes codes = StatusCodes::kNone;
  // It writes a listing into the temporary folder through the command
  // interpreter, which its errors then name.
  bool uses_interpreter = false;
  AdapterSet sees = AdapterSet::kAllButLoopback;
  LetterCase letters = LetterCase::kPlatforms;
};

inline constexpr std::array<Way, 5> kWays{{
    {u"WinMgmt", &MacWinMgmt, StatusRule::kNotApplicable,
     u"the management service's query of the IP-enabled adapter configurations", StatusCodes::kNone, false,
     AdapterSet::kWithIpAddress, LetterCase::kPlatforms},
    {u"IpConfig", &MacIpConfig, StatusRule::kNotApplicable, u"the ipconfig /all listing", StatusCodes::kNone,
     true, AdapterSet::kAllButLoopback, LetterCase::kPlatforms},
    {u"NetWksta", &MacNetWksta, StatusRule::kApiStatus, u"the workstation service's list of transports",
     StatusCodes::kWin32Errors, false, AdapterSet::kWithIpv4, LetterCase::kPlatforms},
    {u"NetBios", &MacNetBios, StatusRule::kApiStatus, u"the NetBIOS status of each LAN adapter number",
     StatusCodes::kNetbiosReturnCodes, false, AdapterSet::kWithIpv4, LetterCase::kUpper},
    {u"AdaptInfo", &MacAdaptInfo, StatusRule::kApiStatus, u"the IP helper's adapter table",
     StatusCodes::kWin32Errors, false, AdapterSet::kAllButLoopback, LetterCase::kUpper},
}};

// The captions alone, worked out when compiling, for programs that draw the
// rows without running the ways (the benchmarks' bare windows).
inline constexpr std::array<std::u16string_view, kWays.size()> kCaptions = [] {
  std::array<std::u16string_view, kWays.size()> captions{};
  for (std::size_t i = 0; i < kWays.size(); ++i) captions[i] = kWays[i].caption;
  return captions;
}();

// The way of a row, rows counted from 1.
constexpr const Way& WayOfRow(int row) { return kWays.at(static_cast<std::size_t>(row - 1)); }

}  // namespace adreca::app
