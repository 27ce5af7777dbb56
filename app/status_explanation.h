#pragma once

// What a status box's code means, for its tooltip and screen readers. The box
// keeps showing the code itself.

#include <string>
#include <string_view>

#include "app/ways.h"

namespace adreca::app {

// "0: the call succeeded", "111: buffer too small (ERROR_BUFFER_OVERFLOW)",
// "n/a: this way has no status code"; empty for an empty box.
std::u16string StatusExplanation(StatusCodes codes, std::u16string_view status);

}  // namespace adreca::app
