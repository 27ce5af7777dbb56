#pragma once

// The Windows libraries' entry points, declared as the program declares them,
// by library and function name, and bound at their first call from the
// system folder only; later calls reuse the bound address. A library or entry
// point that cannot be bound raises an error at that call.

#include <atomic>
#include <mutex>
#include <string_view>

namespace adreca::platform::windows {

// The address of an entry point, whatever its signature.
using Address = void (*)();

// Binds an entry point by library name and function name: the system
// library's export. "NETAPI32.DLL", "netapi32.dll" and "netapi32" name the
// same library. Raises 53 when the library cannot be found, 453 when it has
// no such entry point.
Address Bind(std::string_view library, std::string_view function);

// Changes whenever a library or entry point is made unbindable or bindable
// again, so that bound entry points bind again at their next call.
unsigned BindingGeneration() noexcept;

template <typename Signature>
class EntryPoint;

template <typename Result, typename... Params>
class EntryPoint<Result(Params...)> {
 public:
  using Function = Result(Params...);

  constexpr EntryPoint(const char* library, const char* function) : library_(library), function_(function) {}

  Result operator()(Params... args) const { return Bound()(std::forward<Params>(args)...); }

  // The address the next call will use, bound now if it is not yet. Safe
  // when several threads make the first call at once.
  Function* Bound() const {
    const unsigned generation = BindingGeneration();
    if (bound_generation_.load(std::memory_order_acquire) != generation) {
      static std::mutex binding;
      std::lock_guard lock(binding);
      if (bound_generation_.load(std::memory_order_relaxed) != generation) {
        address_.store(reinterpret_cast<Function*>(Bind(library_, function_)), std::memory_order_relaxed);
        bound_generation_.store(generation, std::memory_order_release);
      }
    }
    return address_.load(std::memory_order_relaxed);
  }

 private:
  const char* library_;
  const char* function_;
  mutable std::atomic<Function*> address_{nullptr};
  mutable std::atomic<unsigned> bound_generation_{0};
};

// Test seam: while alive, the named library cannot be loaded (an empty
// function name), or only the named entry point cannot be found.
class ScopedUnbindable {
 public:
  explicit ScopedUnbindable(std::string_view library, std::string_view function = {});
  ~ScopedUnbindable();
  ScopedUnbindable(const ScopedUnbindable&) = delete;
  ScopedUnbindable& operator=(const ScopedUnbindable&) = delete;

 private:
  std::string_view library_;
  std::string_view function_;
};

}  // namespace adreca::platform::windows
