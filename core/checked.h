#pragma once

#include <concepts>
#include <cstdint>
#include <limits>
#include <utility>

#include "core/error.h"

namespace adreca {

// Narrows a value to a 16-bit or 32-bit signed counter, position or size;
// leaving the target's range is the overflow error.
template <std::signed_integral To, std::integral From>
constexpr To Narrow(From value) {
  if (!std::in_range<To>(value)) RaiseOverflow();
  return static_cast<To>(value);
}

template <std::signed_integral T>
constexpr T CheckedAdd(T a, T b) {
  T result{};
  if (__builtin_add_overflow(a, b, &result)) RaiseOverflow();
  return result;
}

template <std::signed_integral T>
constexpr T CheckedMul(T a, T b) {
  T result{};
  if (__builtin_mul_overflow(a, b, &result)) RaiseOverflow();
  return result;
}

// Checks an index against an array's declared bounds (inclusive, as arrays
// with a lower bound of 0 or 1 declare them); outside is the subscript error.
template <std::integral T>
constexpr void CheckSubscript(T index, std::int64_t lower, std::int64_t upper) {
  if (std::cmp_less(index, lower) || std::cmp_greater(index, upper)) RaiseSubscriptOutOfRange();
}

}  // namespace adreca
