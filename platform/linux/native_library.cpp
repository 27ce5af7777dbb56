#include "platform/native_library.h"

// Linux has none of the Windows libraries: every operation the probes call is
// one of the project's stand-ins, provided through the seam.
namespace adreca::seam {

bool NativeLibraryExists(std::string_view) { return false; }

Address BindNative(std::string_view library, std::string_view) { RaiseLibraryNotFound(library); }

}  // namespace adreca::seam
