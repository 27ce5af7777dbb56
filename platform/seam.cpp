#include "platform/seam.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/text.h"
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

struct Registry {
  std::mutex mutex;
  std::vector<Binding> provided;
  std::vector<Binding> fakes;  // newest last
  std::vector<Binding> unbindable;
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
  return std::any_of(bindings.begin(), bindings.end(),
                     [&](const Binding& b) { return b.library == library; });
}

void Remove(std::vector<Binding>& bindings, const std::string& library, std::string_view function) {
  const auto it = std::find_if(bindings.rbegin(), bindings.rend(), [&](const Binding& b) {
    return b.library == library && b.function == function;
  });
  if (it != bindings.rend()) bindings.erase(std::next(it).base());
}

}  // namespace

[[noreturn]] void RaiseLibraryNotFound(std::string_view library) {
  throw Error(error_number::kFileNotFound, u"File not found: " + FromAscii(library));
}

[[noreturn]] void RaiseEntryPointNotFound(std::string_view library, std::string_view function) {
  throw Error(error_number::kEntryPointNotFound,
              u"Can't find DLL entry point " + FromAscii(function) + u" in " + FromAscii(library));
}

Address Bind(std::string_view library, std::string_view function) {
  Registry& registry = TheRegistry();
  const std::string key = LibraryKey(library);
  {
    std::lock_guard lock(registry.mutex);
    if (const Binding* refused = Find(registry.unbindable, key, function)) {
      if (refused->function.empty()) RaiseLibraryNotFound(library);
      RaiseEntryPointNotFound(library, function);
    }
    if (const Binding* fake = Find(registry.fakes, key, function)) return fake->address;
    if (const Binding* own = Find(registry.provided, key, function)) return own->address;
    if (ProvidesLibrary(registry.provided, key) && !NativeLibraryExists(library)) {
      RaiseEntryPointNotFound(library, function);
    }
  }
  return BindNative(library, function);
}

unsigned Generation() noexcept { return TheRegistry().generation.load(std::memory_order_acquire); }

Provided::Provided(const char* library, const char* function, Address address) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  registry.provided.push_back({LibraryKey(library), function, address});
}

ScopedFake::ScopedFake(std::string_view library, std::string_view function, Address address)
    : library_(library), function_(function) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  registry.fakes.push_back({LibraryKey(library), std::string(function), address});
  registry.generation.fetch_add(1, std::memory_order_acq_rel);
}

ScopedFake::~ScopedFake() {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  Remove(registry.fakes, LibraryKey(library_), function_);
  registry.generation.fetch_add(1, std::memory_order_acq_rel);
}

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
  Remove(registry.unbindable, LibraryKey(library_), function_);
  registry.generation.fetch_add(1, std::memory_order_acq_rel);
}

}  // namespace adreca::seam
