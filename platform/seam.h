#pragma once

// The seam between the probes and the platform's operations, for tests.
//
// Every operation the probes call is an ordinary function, declared once in a
// platform/ header and defined once per platform (platform/linux/,
// platform/windows/), so that "go to definition" lands on the answer. The
// probes call the operations that a test may replace through seam::Call:
//
//   ApiStatus = seam::Call(platform::Netbios, &ncb);
//
// which is the one place where a test's fake stands in. A test replaces an
// operation with a fake of the same signature: a function, a lambda or any
// callable object, which may carry state. A fake with another signature does
// not compile.
//
//   seam::ScopedFake netbios{&platform::Netbios, &FakeNetbios};
//   seam::ScopedFake start{&platform::StartProcess, [&](const std::u16string& line, int) { ... }};
//
// A fake that adds to the real operation calls it directly (a call that does
// not go through seam::Call is never faked).

#include <atomic>
#include <cstdint>
#include <functional>
#include <type_traits>
#include <utility>

namespace adreca::seam {

namespace detail {

// An operation as the fakes know it: the address of its function.
using Key = std::uintptr_t;

template <typename Result, typename... Params>
Key KeyOf(Result (*function)(Params...)) {
  return reinterpret_cast<Key>(function);
}

// The fakes in place, by the operation they replace. Looked up only while at
// least one fake is in place.
void Install(Key operation, const void* fake);
void Remove(Key operation, const void* fake);
const void* Find(Key operation) noexcept;
inline std::atomic<int> installed{0};

// The fake in place for `operation`, null when there is none.
template <typename Signature>
const std::function<Signature>* FakeFor(Key operation) noexcept {
  if (installed.load(std::memory_order_acquire) == 0) return nullptr;
  return static_cast<const std::function<Signature>*>(Find(operation));
}

}  // namespace detail

// Calls `operation` with `args`, or the fake that a test put in its place.
template <typename Result, typename... Params, typename... Args>
Result Call(Result (*operation)(Params...), Args&&... args) {
  static_assert(std::is_invocable_v<Result (*)(Params...), Args...>, "the arguments do not fit the operation");
  if (const auto* fake = detail::FakeFor<Result(Params...)>(detail::KeyOf(operation))) {
    return (*fake)(std::forward<Args>(args)...);
  }
  return operation(std::forward<Args>(args)...);
}

// Test seam: while alive, seam::Call of `operation` goes to `fake`; the newest
// fake of an operation answers.
template <typename Signature>
class ScopedFake;

template <typename Result, typename... Params>
class ScopedFake<Result(Params...)> {
 public:
  using Function = Result(Params...);

  template <typename Fake>
  ScopedFake(Function* operation, Fake&& fake)
      : operation_(detail::KeyOf(operation)), fake_(std::forward<Fake>(fake)) {
    static_assert(kFits<Fake>, "the fake's signature is not the operation's");
    detail::Install(operation_, &fake_);
  }
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

  detail::Key operation_;
  std::function<Function> fake_;
};

template <typename Result, typename... Params, typename Fake>
ScopedFake(Result (*)(Params...), Fake&&) -> ScopedFake<Result(Params...)>;

}  // namespace adreca::seam
