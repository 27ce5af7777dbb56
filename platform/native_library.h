#pragma once

#include <string_view>

#include "platform/seam.h"

// How each platform binds an entry point that neither a test nor the project
// provides: on Windows the library's own export; on Linux there is none.
namespace adreca::seam {

Address BindNative(std::string_view library, std::string_view function);
bool NativeLibraryExists(std::string_view library);

[[noreturn]] void RaiseLibraryNotFound(std::string_view library);
[[noreturn]] void RaiseEntryPointNotFound(std::string_view library, std::string_view function);

}  // namespace adreca::seam
