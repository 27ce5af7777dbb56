#pragma once

// 64-bit FNV-1a: a fixed, well-spread hash of a few bytes, for names that must
// come out the same in every run (a lock's name, a made-up GUID). Not for
// secrets.

#include <cstdint>
#include <span>
#include <string_view>

namespace adreca {

class Fnv1a {
 public:
  constexpr Fnv1a& Add(std::uint8_t byte) {
    hash_ ^= byte;
    hash_ *= 0x100000001B3;
    return *this;
  }
  constexpr Fnv1a& Add(std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t byte : bytes) Add(byte);
    return *this;
  }
  constexpr Fnv1a& Add(std::string_view text) {
    for (const char c : text) Add(static_cast<std::uint8_t>(c));
    return *this;
  }
  // UTF-16 code units, low byte first.
  constexpr Fnv1a& Add(std::u16string_view text) {
    for (const char16_t c : text) Add(static_cast<std::uint8_t>(c)).Add(static_cast<std::uint8_t>(c >> 8));
    return *this;
  }
  constexpr std::uint64_t value() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xCBF29CE484222325;
};

}  // namespace adreca
