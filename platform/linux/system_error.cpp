#include "platform/linux/system_error.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "core/error.h"
#include "core/text.h"

namespace adreca::platform {

void RaiseSystemError(int code, std::u16string_view what) {
  if (code == ENOMEM) throw Error(error_number::kOutOfMemory, u"Out of memory");
  throw Error(error_number::kDeviceIo,
              u"Device I/O error: " + std::u16string(what) + u": " + FromUtf8(std::strerror(code)));
}

}  // namespace adreca::platform
