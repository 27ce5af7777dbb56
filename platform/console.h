#pragma once

// The standard output and error streams of a console program.

#include <string_view>

namespace adreca::platform {

// Writes UTF-8 text to standard output or standard error, whole; false when
// the stream failed (closed, a full disk). On a Windows console the text is
// shown with its own characters whatever the console's code page; redirected
// to a file or a pipe, the UTF-8 bytes go as they are.
bool WriteOutput(std::string_view utf8);
bool WriteError(std::string_view utf8);

// The line end of text for people on this platform: "\n", or "\r\n" on Windows.
std::string_view TextLineEnd();

}  // namespace adreca::platform
