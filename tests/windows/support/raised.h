#pragma once

#include <optional>
#include <utility>

#include "core/error.h"

namespace adreca::testing {

// The error that `call` raises, if any.
template <typename Call>
std::optional<Error> Raised(Call&& call) {
  try {
    std::forward<Call>(call)();
  } catch (const Error& error) {
    return error;
  }
  return std::nullopt;
}

}  // namespace adreca::testing
