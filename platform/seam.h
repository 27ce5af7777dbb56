#pragma once

// The seam between the program and the platform's operations.
//
// The Windows libraries' entry points (netapi32, kernel32, iphlpapi) are
// declared as the program declares them, by library and function name, and
// bound at their first call: on Windows to the library's export, on Linux to
// the project's stand-in registered under the same names. Every other
// operation is an ordinary function, declared in a platform/ header and
// defined once per platform.
//
// Tests replace either kind with a fake of the same signature: a function, a
// lambda or any callable object, which may carry state. A fake with another
// signature does not compile.

#include <atomic>
#include <concepts>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string_view>
#include <type_traits>
#include <utility>

namespace adreca::seam {

// The address of an entry point, whatever its signature.
using Address = void (*)();

// Binds an entry point by library name and function name: an operation that
// the project provides on this platform (the Linux stand-ins), else on
// Windows the library's own export. A library or entry point that cannot be
// bound raises an error.
Address Bind(std::string_view library, std::string_view function);

// Changes whenever a library or entry point is made unbindable or bindable
// again, so that bound entry points bind again at their next call.
unsigned Generation() noexcept;

// ---- Fakes ----

namespace detail {

// An operation as the fakes know it: the address of an entry point object or
// of a function.
using Key = std::uintptr_t;

template <typename Object>
Key KeyOf(const Object* object) {
  return reinterpret_cast<Key>(object);
}
template <typename Result, typename... Params>
Key KeyOf(Result (*function)(Params...)) {
  return reinterpret_cast<Key>(function);
}

// The fakes in place, by the operation they replace. Looked up only while at
// least one fake is in place.
void Install(Key operation, const void* fake);
void Remove(Key operation, const void* fake);
const void* Find(Key operation) noexcept;
// The operation whose next lookup on this thread finds no fake.
void Bypass(Key operation) noexcept;
inline std::atomic<int> installed{0};

// The fake in place for `operation`, null when there is none.
template <typename Signature>
const std::function<Signature>* FakeFor(Key operation) noexcept {
  if (installed.load(std::memory_order_acquire) == 0) return nullptr;
  return static_cast<const std::function<Signature>*>(Find(operation));
}

}  // namespace detail

// An operating-system entry point, declared by library and function name and
// bound at its first call; later calls reuse the bound address. Binding is
// safe when several threads make the first call at once.
template <typename Signature>
class EntryPoint;

template <typename Result, typename... Params>
class EntryPoint<Result(Params...)> {
 public:
  using Function = Result(Params...);

  constexpr EntryPoint(const char* library, const char* function) : library_(library), function_(function) {}

  // A library or entry point that cannot be bound raises here even while a
  // fake stands in for the call.
  Result operator()(Params... args) const {
    Function* const bound = Bound();
    if (const auto* fake = detail::FakeFor<Function>(detail::KeyOf(this))) {
      return (*fake)(std::forward<Params>(args)...);
    }
    return bound(std::forward<Params>(args)...);
  }

  // The address the next call will use, bound now if it is not yet.
  Function* Bound() const {
    const unsigned generation = Generation();
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

  std::string_view library() const { return library_; }
  std::string_view function() const { return function_; }

 private:
  const char* library_;
  const char* function_;
  mutable std::atomic<Function*> address_{nullptr};
  mutable std::atomic<unsigned> bound_generation_{0};
};

// Makes an operation that the project itself provides on this platform (a
// Linux stand-in) bindable under an entry point's library and function
// name. Declared at namespace scope beside the operation's definition.
class Provided {
 public:
  template <typename Signature>
  Provided(const EntryPoint<Signature>& entry_point, std::type_identity_t<Signature>* operation)
      : Provided(entry_point.library(), entry_point.function(), reinterpret_cast<Address>(operation)) {}

 private:
  Provided(std::string_view library, std::string_view function, Address address);
};

// Test seam: while alive, calls of `operation` go to `fake`.
//
//   seam::ScopedFake netbios{platform::Netbios, &FakeNetbios};
//   seam::ScopedFake start{&platform::StartProcess, [&](const std::u16string& line, int) { ... }};
template <typename Signature>
class ScopedFake;

template <typename Result, typename... Params>
class ScopedFake<Result(Params...)> {
 public:
  using Function = Result(Params...);

  template <typename Fake>
  ScopedFake(const EntryPoint<Function>& entry_point, Fake&& fake)
      : ScopedFake(detail::KeyOf(&entry_point), std::forward<Fake>(fake)) {}

  template <typename Fake>
  ScopedFake(Function* operation, Fake&& fake)
      : ScopedFake(detail::KeyOf(operation), std::forward<Fake>(fake)) {}

  ~ScopedFake() { detail::Remove(operation_, &fake_); }
  ScopedFake(const ScopedFake&) = delete;
  ScopedFake& operator=(const ScopedFake&) = delete;

 private:
  // A function given as a fake must have exactly the operation's signature;
  // any other callable must take its arguments and give its result.
  template <typename Fake>
  static constexpr bool kFits =
      std::is_pointer_v<std::decay_t<Fake>>&& std::is_function_v<std::remove_pointer_t<std::decay_t<Fake>>>
          ? std::is_same_v<std::decay_t<Fake>, Function*>
          : std::is_invocable_r_v<Result, Fake&, Params...>;

  template <typename Fake>
  ScopedFake(detail::Key operation, Fake&& fake) : operation_(operation), fake_(std::forward<Fake>(fake)) {
    static_assert(kFits<Fake>, "the fake's signature is not the operation's");
    detail::Install(operation_, &fake_);
  }

  detail::Key operation_;
  std::function<Function> fake_;
};

template <typename Signature, typename Fake>
ScopedFake(const EntryPoint<Signature>&, Fake&&) -> ScopedFake<Signature>;
template <typename Result, typename... Params, typename Fake>
ScopedFake(Result (*)(Params...), Fake&&) -> ScopedFake<Result(Params...)>;

// Calls an ordinary operation as if no fake were in place for this one call,
// for a fake that adds to the real operation (a shorter time limit, say).
template <typename Result, typename... Params, typename... Args>
Result Unfaked(Result (*operation)(Params...), Args&&... args) {
  struct Bypassing {
    explicit Bypassing(detail::Key operation) { detail::Bypass(operation); }
    ~Bypassing() { detail::Bypass(0); }
  } bypassing(detail::KeyOf(operation));
  return operation(std::forward<Args>(args)...);
}

// An ordinary operation's definition starts with this, so that a test's fake
// can stand in for it:
//
//   ProcessHandle StartProcess(const std::u16string& line, int show) {
//     if (const auto* fake = seam::FakeOf(&StartProcess)) return (*fake)(line, show);
template <typename Result, typename... Params>
const std::function<Result(Params...)>* FakeOf(Result (*operation)(Params...)) noexcept {
  return detail::FakeFor<Result(Params...)>(detail::KeyOf(operation));
}

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
