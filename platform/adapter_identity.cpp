#include "platform/adapter_identity.h"

namespace adreca::platform {
namespace {

std::optional<std::uint8_t> HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return static_cast<std::uint8_t>(c - u'0');
  if (c >= u'A' && c <= u'F') return static_cast<std::uint8_t>(c - u'A' + 10);
  if (c >= u'a' && c <= u'f') return static_cast<std::uint8_t>(c - u'a' + 10);
  return std::nullopt;
}

bool IsSeparator(char16_t c) { return c == u'-' || c == u':' || c == u'.'; }

}  // namespace

std::optional<HardwareAddress> ParseHardwareAddress(std::u16string_view text) {
  HardwareAddress address{};
  std::size_t digits = 0;
  bool after_separator = false;
  for (const char16_t c : text) {
    if (IsSeparator(c)) {
      // Only between two bytes, and never two in a row.
      if (after_separator || digits == 0 || digits % 2 != 0 || digits == 12) return std::nullopt;
      after_separator = true;
      continue;
    }
    const auto value = HexDigit(c);
    if (!value || digits == 12) return std::nullopt;
    address[digits / 2] = static_cast<std::uint8_t>(address[digits / 2] << 4 | *value);
    ++digits;
    after_separator = false;
  }
  if (digits != 12) return std::nullopt;
  return address;
}

}  // namespace adreca::platform
