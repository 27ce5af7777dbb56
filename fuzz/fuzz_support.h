#pragma once

// Shared by the fuzz targets: a check that stops the run with a message when
// an invariant fails, so that libFuzzer keeps the input that broke it.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/text.h"

namespace adreca::fuzz {

[[noreturn]] inline void Fail(std::string_view what) {
  std::fprintf(stderr, "invariant broken: %.*s\n", static_cast<int>(what.size()), what.data());
  std::abort();
}

inline void Require(bool holds, std::string_view what) {
  if (!holds) Fail(what);
}

inline std::string Show(std::u16string_view text) { return "\"" + ToUtf8(text) + "\""; }

}  // namespace adreca::fuzz
