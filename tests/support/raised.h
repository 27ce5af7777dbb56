#pragma once

#include <cstdint>
#include <string>

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

}  // namespace adreca::testing
