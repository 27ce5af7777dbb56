#include "probes/wide_to_string.h"

#include <cstddef>
#include <vector>

#include "core/checked.h"
#include "core/error.h"
#include "platform/kernel32.h"
#include "platform/seam.h"

namespace adreca {

std::int32_t WideByteCount(std::int32_t code_units) { return CheckedMul<std::int32_t>(code_units, 2); }

std::u16string WideToString(char16_t* const& address) {
  if (address == nullptr) return {};
  const std::int32_t byte_count = WideByteCount(seam::Call(platform::lstrlenW, address));
  if (byte_count == 0) return {};
  // No byte array with indices 0 to byte count - 1 exists for a negative count.
  if (byte_count < 0) RaiseSubscriptOutOfRange();

  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(byte_count));
  seam::Call(platform::RtlMoveMemory, bytes.data(), address, bytes.size());

  std::u16string text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  return text;
}

}  // namespace adreca
