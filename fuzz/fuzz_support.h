#pragma once

// Shared by the fuzz targets: a check that stops the run with a message when
// an invariant fails, so that libFuzzer keeps the input that broke it. The
// message may be given as a callable that makes it, so that an input that
// passes pays for no text.

#include <concepts>
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

template <std::invocable Describe>
void Require(bool holds, Describe&& describe) {
  if (!holds) Fail(describe());
}

inline std::string Show(std::u16string_view text) { return "\"" + ToUtf8(text) + "\""; }

}  // namespace adreca::fuzz
