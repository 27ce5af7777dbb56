#pragma once

#include <atomic>
#include <string_view>
#include <utility>

namespace adreca::seam {

// The address of an entry point, whatever its signature.
using Address = void (*)();

// Binds an entry point by library name and function name: a fake installed by
// a test, else an operation that the project provides on this platform (the
// Linux stand-ins, the Windows wrappers), else on Windows the library's own
// export. A library or entry point that cannot be bound raises an error.
Address Bind(std::string_view library, std::string_view function);

// Changes whenever fakes are installed or removed, so that bound entry points
// bind again at their next call.
unsigned Generation() noexcept;

// An operating-system entry point, declared by library and function name and
// bound at its first call; later calls reuse the bound address.
template <typename Signature>
class EntryPoint;

template <typename Result, typename... Params>
class EntryPoint<Result(Params...)> {
 public:
  using Function = Result(Params...);

  constexpr EntryPoint(const char* library, const char* function) : library_(library), function_(function) {}

  Result operator()(Params... args) const { return Bound()(std::forward<Params>(args)...); }

  std::string_view library() const { return library_; }
  std::string_view function() const { return function_; }

 private:
  Function* Bound() const {
    const unsigned generation = Generation();
    if (bound_generation_.load(std::memory_order_acquire) != generation) {
      address_ = reinterpret_cast<Function*>(Bind(library_, function_));
      bound_generation_.store(generation, std::memory_order_release);
    }
    return address_;
  }

  const char* library_;
  const char* function_;
  mutable Function* address_ = nullptr;
  mutable std::atomic<unsigned> bound_generation_{0};
};

// Makes an operation that the project itself provides on this platform
// bindable under its library and function name. Declared at namespace scope
// beside the operation's definition.
class Provided {
 public:
  Provided(const char* library, const char* function, Address address);
};

template <typename Function>
Address AddressOf(Function* function) {
  return reinterpret_cast<Address>(function);
}

// Test seam: while alive, binding (library, function) yields `address`.
class ScopedFake {
 public:
  ScopedFake(std::string_view library, std::string_view function, Address address);
  template <typename Function>
  ScopedFake(std::string_view library, std::string_view function, Function* function_address)
      : ScopedFake(library, function, AddressOf(function_address)) {}
  ~ScopedFake();
  ScopedFake(const ScopedFake&) = delete;
  ScopedFake& operator=(const ScopedFake&) = delete;

 private:
  std::string_view library_;
  std::string_view function_;
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

}  // namespace adreca::seam
