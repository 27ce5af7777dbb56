#pragma once

// Figures of the test process itself, for tests that run something many
// times and check that nothing accumulates.

#include <cstddef>
#include <string>

namespace adreca::testing {

// Open file descriptors of this process.
std::size_t OpenDescriptorCount();

// Bytes of heap in use now (the sanitizer's allocator when it is there, else
// malloc's own count).
std::size_t HeapBytesInUse();

// The resident set size in KiB, from /proc/self/status.
std::size_t ResidentKilobytes();

// "descriptors A -> B, heap A -> B bytes, resident A -> B KiB".
struct ProcessFigures {
  std::size_t descriptors = OpenDescriptorCount();
  std::size_t heap = HeapBytesInUse();
  std::size_t resident = ResidentKilobytes();
};
std::string Compare(const ProcessFigures& before, const ProcessFigures& after);

}  // namespace adreca::testing
