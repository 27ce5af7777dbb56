#include "app/printable_text.h"

#include "address/hex_text.h"

namespace adreca::app {

namespace {

constexpr bool IsControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

}  // namespace

std::u16string EscapeControls(std::u16string_view text) {
  std::u16string escaped;
  escaped.reserve(text.size());
  for (const char16_t c : text) {
    if (!IsControl(c)) {
      escaped += c;
      continue;
    }
    escaped += c <= 0x7F ? u"\\x" : u"\\u00";
    AppendHexByte(escaped, static_cast<std::uint8_t>(c));
  }
  return escaped;
}

}  // namespace adreca::app
