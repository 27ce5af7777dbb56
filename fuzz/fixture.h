#pragma once

// What the targets that put fakes in place share: one harness per run, made
// at the first input and kept until the process ends (its fakes are put in
// place once, its script's storage is reused from input to input), a private
// temporary folder, and the checks of a probe's outcome.

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/error.h"
#include "core/text.h"
#include "fuzz/fuzz_support.h"
#include "probes/probes.h"

namespace adreca::fuzz {

// The target's harness, made at the first call and kept for the whole run.
template <typename Harness>
Harness& WholeRun() {
  static Harness harness;
  return harness;
}

// A folder of this run's own under the system's temporary folder, named by
// TempDir while it exists and removed with everything in it at the end.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "adreca-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) Fail("cannot make a temporary folder");
    path_ = pattern;
    TempDir = FromUtf8(pattern + "/");
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// ApiStatus before each run: no platform call answers it, so a probe that
// leaves it alone is seen.
inline constexpr std::int32_t kUntouchedStatus = -12345;

// How a probe's run ended: the number of the error it raised (0: none) and
// otherwise its result.
struct Outcome {
  std::int32_t error = 0;
  std::u16string result;
};

template <typename Probe>
Outcome RunProbe(Probe probe) {
  try {
    return {0, probe()};
  } catch (const Error& raised) {
    return {raised.number(), {}};
  }
}

// The same error, or no error and the same result.
inline void RequireOutcome(const Outcome& actual, const Outcome& expected) {
  Require(actual.error == expected.error, [&] {
    return "error " + std::to_string(actual.error) + ", expected " + std::to_string(expected.error);
  });
  if (actual.error != 0) return;
  Require(actual.result == expected.result,
          [&] { return "result " + Show(actual.result) + ", expected " + Show(expected.result); });
}

}  // namespace adreca::fuzz
