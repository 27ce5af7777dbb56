#pragma once

// Bytes as upper-case hexadecimal text, the form that every address takes
// here: two digits a byte, 0 as 00, 10 as 0A, 171 as AB.

#include <cstdint>
#include <span>
#include <string>

namespace adreca {

inline constexpr char kHexDigits[] = "0123456789ABCDEF";

// Writes the digits of `bytes` from `out` on, `separator` between two bytes
// unless it is 0, and returns the end.
template <typename Char, typename Out>
Out WriteHex(std::span<const std::uint8_t> bytes, Out out, Char separator = 0) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i != 0 && separator != 0) *out++ = separator;
    *out++ = static_cast<Char>(kHexDigits[bytes[i] >> 4]);
    *out++ = static_cast<Char>(kHexDigits[bytes[i] & 0x0F]);
  }
  return out;
}

// "001A2B3C4D5E", or with a separator "00-1A-2B-3C-4D-5E", "00:1A:2B:3C:4D:5E".
template <typename Text = std::u16string>
Text HexText(std::span<const std::uint8_t> bytes, typename Text::value_type separator = 0) {
  Text text;
  text.reserve(bytes.size() * 3);
  WriteHex(bytes, std::back_inserter(text), separator);
  return text;
}

// Appends the two digits of one byte.
template <typename Text>
void AppendHexByte(Text& text, std::uint8_t byte) {
  WriteHex(std::span(&byte, 1), std::back_inserter(text), typename Text::value_type{0});
}

}  // namespace adreca
