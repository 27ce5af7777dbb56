#pragma once

#include <cstdint>
#include <string>

namespace adreca {

// The two module variables that outlive an action: the temporary folder that
// the window's load step records, with its separator appended, and the result
// code of the last platform call of the workstation, NetBIOS and
// adapter-information probes.
inline std::u16string TempDir;
inline std::int32_t ApiStatus = 0;

// The five ways of finding the adapter's physical address. Each returns a
// compact address: twelve hexadecimal digits when it succeeds, otherwise the
// last candidate it examined or empty text.
std::u16string MacWinMgmt();
std::u16string MacIpConfig();
std::u16string MacNetWksta();
std::u16string MacNetBios();
std::u16string MacAdaptInfo();

}  // namespace adreca
