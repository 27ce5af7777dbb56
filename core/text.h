#pragma once

#include <string>
#include <string_view>

namespace adreca {

// Text is UTF-16 throughout; these convert at the edges (file names, the C
// library, the toolkit). Invalid sequences become U+FFFD.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// UTF-8 without loss, for names that must not be changed on the way in (file
// names from the environment): every byte that is not part of a well-formed
// sequence becomes an unpaired surrogate, U+DC80 to U+DCFF. Such text is not
// well formed (below), so that a caller can refuse it instead of using a
// different name.
std::u16string FromUtf8Escaped(std::string_view text);

// True when the text holds no unpaired surrogate.
bool IsWellFormed(std::u16string_view text);

// The 7-bit text of a literal such as a file or library name, widened.
std::u16string FromAscii(std::string_view text);

}  // namespace adreca
