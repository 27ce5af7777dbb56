// The management-query probe through a fake service whose items carry
// arbitrary "MACaddress" values (Empty, Null or any UTF-16 text) and whose
// enumeration may fail. The result must be the first accepted candidate formed
// from the pieces at positions 1, 4, 7, 10, 13 and 16, else the last one; a
// Null value ends the run with error 94; the service's own error passes
// through unchanged; and every reference is released on every path.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "address/address.h"
#include "core/error.h"
#include "fuzz/fuzz_support.h"
#include "platform/seam.h"
#include "platform/wmi.h"
#include "probes/probes.h"

namespace adreca::fuzz {
namespace {

namespace wmi = platform::wmi;

constexpr std::int32_t kServiceError = static_cast<std::int32_t>(0x80041001u);  // WBEM_E_FAILED

struct Script {
  std::vector<wmi::Value> items;
  std::size_t failing_item = SIZE_MAX;  // Next() raises instead of delivering this item
  bool query_fails = false;
  std::size_t delivered = 0;
  int live_objects = 0;
};
Script* script = nullptr;

class Item final : public wmi::Object {
 public:
  explicit Item(std::size_t n) : n_(n) { ++script->live_objects; }
  ~Item() override { --script->live_objects; }
  wmi::Value Get(std::u16string_view name) override {
    Require(name == u"MACaddress", "a property other than MACaddress was read");
    return script->items[n_];
  }

 private:
  std::size_t n_;
};

class Collection final : public wmi::ObjectSet {
 public:
  Collection() { ++script->live_objects; }
  ~Collection() override { --script->live_objects; }
  std::unique_ptr<wmi::Object> Next() override {
    if (script->delivered == script->failing_item) RaisePlatformError(kServiceError, u"Generic failure");
    if (script->delivered == script->items.size()) return nullptr;
    return std::make_unique<Item>(script->delivered++);
  }
};

class Service final : public wmi::Services {
 public:
  Service() { ++script->live_objects; }
  ~Service() override { --script->live_objects; }
  std::unique_ptr<wmi::ObjectSet> ExecQuery(std::u16string_view query) override {
    Require(query == u"Select * from Win32_NetworkAdapterConfiguration Where IPEnabled = True",
            "unexpected query text");
    if (script->query_fails) RaisePlatformError(kServiceError, u"Generic failure");
    return std::make_unique<Collection>();
  }
};

std::unique_ptr<wmi::Services> Bind(std::u16string_view) { return std::make_unique<Service>(); }

std::u16string CompactOf(const std::u16string& text) {
  std::u16string candidate;
  for (std::size_t position : {1, 4, 7, 10, 13, 16}) {
    if (position <= text.size()) candidate += text.substr(position - 1, 2);
  }
  return candidate;
}

struct Expected {
  std::u16string candidate;
  std::int32_t error = 0;
  std::size_t delivered = 0;
};

Expected Reference(const Script& s) {
  Expected expected;
  if (s.query_fails) return {u"", kServiceError, 0};
  for (std::size_t n = 0;; ++n) {
    if (n == s.failing_item) return {u"", kServiceError, n};
    if (n == s.items.size()) return {expected.candidate, 0, n};
    if (std::holds_alternative<wmi::Null>(s.items[n])) return {u"", 94, n + 1};
    const auto* text = std::get_if<std::u16string>(&s.items[n]);
    expected.candidate = text ? CompactOf(*text) : std::u16string();
    if (IsAccepted(expected.candidate)) return {expected.candidate, 0, n + 1};
  }
}

Script Read(FuzzedDataProvider& input) {
  Script s;
  s.query_fails = input.ConsumeIntegralInRange(0, 31) == 0;
  if (input.ConsumeIntegralInRange(0, 7) == 0)
    s.failing_item = input.ConsumeIntegralInRange<std::size_t>(0, 8);
  while (input.remaining_bytes() > 0 && s.items.size() < 64) {
    switch (input.ConsumeIntegralInRange(0, 15)) {
      case 0:
        s.items.emplace_back(wmi::Empty{});
        break;
      case 1:
        s.items.emplace_back(wmi::Null{});
        break;
      default: {
        const std::string bytes = input.ConsumeRandomLengthString(48);
        std::u16string text;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
          text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                        (static_cast<unsigned char>(bytes[i + 1]) << 8));
        }
        s.items.emplace_back(std::move(text));
      }
    }
  }
  return s;
}

}  // namespace
}  // namespace adreca::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace adreca;
  using namespace adreca::fuzz;
  static seam::ScopedFake bind{&platform::wmi::GetObject, &Bind};
  FuzzedDataProvider input(data, size);
  Script s = Read(input);
  script = &s;
  const Expected expected = Reference(s);
  std::optional<std::u16string> result;
  std::int32_t error = 0;
  try {
    result = MacWinMgmt();
  } catch (const Error& raised) {
    error = raised.number();
  }
  Require(error == expected.error,
          "error " + std::to_string(error) + ", expected " + std::to_string(expected.error));
  if (result)
    Require(*result == expected.candidate,
            "result " + Show(*result) + ", expected " + Show(expected.candidate));
  if (result) Require(result->size() <= 12, "a candidate longer than twelve characters");
  Require(s.delivered == expected.delivered, "items read past the accepted one or the failure");
  Require(s.live_objects == 0, "an object reference was not released");
  script = nullptr;
  return 0;
}
