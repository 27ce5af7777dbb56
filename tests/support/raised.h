#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "core/error.h"

namespace adreca::testing {

// The run-time error that a call raises: its number (0 when it raises none)
// and its description.
struct Raised {
  std::int32_t number = 0;
  std::u16string description;
};

Raised RaisedBy(auto&& call) {
  try {
    call();
  } catch (const Error& error) {
    return {error.number(), error.description()};
  }
  return {};
}

std::int32_t ErrorNumberOf(auto&& call) { return RaisedBy(call).number; }

// The error itself, if the call raises one.
template <typename Call>
std::optional<Error> ErrorRaisedBy(Call&& call) {
  try {
    std::forward<Call>(call)();
  } catch (const Error& error) {
    return error;
  }
  return std::nullopt;
}

}  // namespace adreca::testing
