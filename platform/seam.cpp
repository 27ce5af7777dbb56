#include "platform/seam.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace adreca::seam::detail {

namespace {

struct Fake {
  Key operation;
  const void* fake;
};

struct Fakes {
  std::mutex mutex;
  std::vector<Fake> installed;  // newest last
};

Fakes& TheFakes() {
  static Fakes fakes;
  return fakes;
}

}  // namespace

void Install(Key operation, const void* fake) {
  Fakes& fakes = TheFakes();
  std::lock_guard lock(fakes.mutex);
  fakes.installed.push_back({operation, fake});
  installed.fetch_add(1, std::memory_order_acq_rel);
}

void Remove(Key operation, const void* fake) {
  Fakes& fakes = TheFakes();
  std::lock_guard lock(fakes.mutex);
  const auto it = std::find_if(fakes.installed.begin(), fakes.installed.end(),
                               [&](const Fake& f) { return f.operation == operation && f.fake == fake; });
  if (it == fakes.installed.end()) return;
  fakes.installed.erase(it);
  installed.fetch_sub(1, std::memory_order_acq_rel);
}

const void* Find(Key operation) noexcept {
  Fakes& fakes = TheFakes();
  std::lock_guard lock(fakes.mutex);
  const auto it = std::find_if(fakes.installed.rbegin(), fakes.installed.rend(),
                               [&](const Fake& f) { return f.operation == operation; });
  return it == fakes.installed.rend() ? nullptr : it->fake;
}

}  // namespace adreca::seam::detail
