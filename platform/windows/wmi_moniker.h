#pragma once

#include <string>
#include <string_view>

namespace adreca::platform::wmi {

// The moniker without an empty security part: "winmgmts:!\\.\root\cimv2"
// becomes "winmgmts:\\.\root\cimv2"; every other moniker stays as it is.
std::u16string WithoutEmptySecuritySettings(std::u16string_view moniker);

}  // namespace adreca::platform::wmi
