#include "platform/native_library.h"

#include <string>

#include "core/error.h"
#include "core/text.h"

namespace adreca::seam {

void RaiseLibraryNotFound(std::string_view library) {
  throw Error(error_number::kFileNotFound, u"File not found: " + FromAscii(library));
}

void RaiseEntryPointNotFound(std::string_view library, std::string_view function) {
  throw Error(error_number::kEntryPointNotFound,
              u"Can't find DLL entry point " + FromAscii(function) + u" in " + FromAscii(library));
}

}  // namespace adreca::seam
