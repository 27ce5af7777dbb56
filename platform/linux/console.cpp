#include "platform/console.h"

#include <unistd.h>

#include "platform/standin/redirection_target.h"

namespace adreca::platform {

bool WriteOutput(std::string_view utf8) { return standin::WriteAll(STDOUT_FILENO, utf8) == 0; }
bool WriteError(std::string_view utf8) { return standin::WriteAll(STDERR_FILENO, utf8) == 0; }
std::string_view TextLineEnd() { return "\n"; }

}  // namespace adreca::platform
