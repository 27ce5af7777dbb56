#pragma once

#include <string>
#include <string_view>

namespace adreca {

// Text is UTF-16 throughout; these convert at the edges (file names, the C
// library, the toolkit). Invalid sequences become U+FFFD.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// The 7-bit text of a literal such as a file or library name, widened.
std::u16string FromAscii(std::string_view text);

}  // namespace adreca
