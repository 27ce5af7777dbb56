#include "platform/seam.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <string>
#include <vector>

#include "platform/native_library.h"

namespace adreca::seam {

namespace {

// "NETAPI32.DLL", "netapi32.dll" and "netapi32" name the same library.
std::string LibraryKey(std::string_view library) {
  std::string key(library);
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
  constexpr std::string_view kSuffix = ".dll";
  if (key.size() > kSuffix.size() && key.ends_with(kSuffix)) key.resize(key.size() - kSuffix.size());
  return key;
}

struct Binding {
  std::string library;
  std::string function;  // empty: the whole library
  Address address;
};

struct Fake {
  detail::Key operation;
  const void* fake;
};

struct Registry {
  std::mutex mutex;
  std::vector<Binding> provided;
  std::vector<Binding> unbindable;
  std::vector<Fake> fakes;  // newest last
  std::atomic<unsigned> generation{1};
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

const Binding* Find(const std::vector<Binding>& bindings, const std::string& library,
                    std::string_view function) {
  const auto it = std::find_if(bindings.rbegin(), bindings.rend(), [&](const Binding& b) {
    return b.library == library && (b.function.empty() || b.function == function);
  });
  return it == bindings.rend() ? nullptr : &*it;
}

bool ProvidesLibrary(const std::vector<Binding>& bindings, const std::string& library) {
  return std::any_of(bindings.begin(), bindings.end(), [&](const Binding& b) { return b.library == library; });
}

thread_local detail::Key bypassed = 0;

}  // namespace

Address Bind(std::string_view library, std::string_view function) {
  Registry& registry = TheRegistry();
  const std::string key = LibraryKey(library);
  {
    std::lock_guard lock(registry.mutex);
    if (const Binding* refused = Find(registry.unbindable, key, function)) {
      if (refused->function.empty()) RaiseLibraryNotFound(library);
      RaiseEntryPointNotFound(library, function);
    }
    if (const Binding* own = Find(registry.provided, key, function)) return own->address;
    if (ProvidesLibrary(registry.provided, key) && !NativeLibraryExists(library)) {
      RaiseEntryPointNotFound(library, function);
    }
  }
  return BindNative(library, function);
}

unsigned Generation() noexcept { return TheRegistry().generation.load(std::memory_order_acquire); }

Provided::Provided(std::string_view library, std::string_view function, Address address) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  registry.provided.push_back({LibraryKey(library), std::string(function), address});
}

namespace detail {

void Install(Key operation, const void* fake) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  registry.fakes.push_back({operation, fake});
  installed.fetch_add(1, std::memory_order_acq_rel);
}

void Remove(Key operation, const void* fake) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  const auto it = std::find_if(registry.fakes.begin(), registry.fakes.end(),
                               [&](const Fake& f) { return f.operation == operation && f.fake == fake; });
  if (it == registry.fakes.end()) return;
  registry.fakes.erase(it);
  installed.fetch_sub(1, std::memory_order_acq_rel);
}

const void* Find(Key operation) noexcept {
  if (bypassed == operation) {
    bypassed = 0;
    return nullptr;
  }
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  const auto it = std::find_if(registry.fakes.rbegin(), registry.fakes.rend(),
                               [&](const Fake& f) { return f.operation == operation; });
  return it == registry.fakes.rend() ? nullptr : it->fake;
}

void Bypass(Key operation) noexcept { bypassed = operation; }

}  // namespace detail

ScopedUnbindable::ScopedUnbindable(std::string_view library, std::string_view function)
    : library_(library), function_(function) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  registry.unbindable.push_back({LibraryKey(library), std::string(function), nullptr});
  registry.generation.fetch_add(1, std::memory_order_acq_rel);
}

ScopedUnbindable::~ScopedUnbindable() {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  const std::string key = LibraryKey(library_);
  const auto it = std::find_if(registry.unbindable.rbegin(), registry.unbindable.rend(), [&](const Binding& b) {
    return b.library == key && b.function == function_;
  });
  if (it != registry.unbindable.rend()) registry.unbindable.erase(std::next(it).base());
  registry.generation.fetch_add(1, std::memory_order_acq_rel);
}

}  // namespace adreca::seam
