#include "tests/support/process_figures.h"

#include <malloc.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#if defined(__SANITIZE_ADDRESS__)
#define ADRECA_HAS_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ADRECA_HAS_ASAN 1
#endif
#endif

#ifdef ADRECA_HAS_ASAN
// The sanitizer runtime's count of live heap bytes (GCC ships no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();  // NOLINT(bugprone-reserved-identifier)
#endif

namespace adreca::testing {

std::size_t OpenDescriptorCount() {
  const std::filesystem::directory_iterator entries("/proc/self/fd");
  // The iterator's own descriptor is one of them.
  return static_cast<std::size_t>(std::distance(begin(entries), end(entries))) - 1;
}

std::size_t HeapBytesInUse() {
#ifdef ADRECA_HAS_ASAN
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

std::size_t ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmRSS:")) return std::stoul(line.substr(6));
  }
  return 0;
}

std::string Compare(const ProcessFigures& before, const ProcessFigures& after) {
  return "descriptors " + std::to_string(before.descriptors) + " -> " + std::to_string(after.descriptors) +
         ", heap " + std::to_string(before.heap) + " -> " + std::to_string(after.heap) + " bytes, resident " +
         std::to_string(before.resident) + " -> " + std::to_string(after.resident) + " KiB";
}

}  // namespace adreca::testing
