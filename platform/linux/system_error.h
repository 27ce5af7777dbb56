#pragma once

#include <string_view>

namespace adreca::platform {

// A failure of a Linux system call as a run-time error: out of memory (7) for
// ENOMEM, else a device error (57) with `what` and the system's reason. The
// errno value itself is never the number, since the user would read it as
// another error's.
[[noreturn]] void RaiseSystemError(int code, std::u16string_view what);

}  // namespace adreca::platform
