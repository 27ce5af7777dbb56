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
#include <string>
#include <variant>
#include <vector>

#include "fuzz/fixture.h"
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

// Counts itself among the script's live objects while it exists.
class Counted {
 public:
  explicit Counted(Script& script) : script_(script) { ++script_.live_objects; }
  ~Counted() { --script_.live_objects; }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;

 protected:
  Script& script_;
};

class Item final : public wmi::Object, Counted {
 public:
  Item(Script& script, std::size_t n) : Counted(script), n_(n) {}
  wmi::Value Get(std::u16string_view name) override {
    Require(name == u"MACaddress", "a property other than MACaddress was read");
    return script_.items[n_];
  }

 private:
  std::size_t n_;
};

class Collection final : public wmi::ObjectSet, Counted {
 public:
  using Counted::Counted;
  std::unique_ptr<wmi::Object> Next() override {
    if (script_.delivered == script_.failing_item) RaisePlatformError(kServiceError, u"Generic failure");
    if (script_.delivered == script_.items.size()) return nullptr;
    return std::make_unique<Item>(script_, script_.delivered++);
  }
};

class Service final : public wmi::Services, Counted {
 public:
  using Counted::Counted;
  std::unique_ptr<wmi::ObjectSet> ExecQuery(std::u16string_view query) override {
    Require(query == u"Select * from Win32_NetworkAdapterConfiguration Where IPEnabled = True",
            "unexpected query text");
    if (script_.query_fails) RaisePlatformError(kServiceError, u"Generic failure");
    return std::make_unique<Collection>(script_);
  }
};

std::u16string CompactOf(const std::u16string& text) {
  std::u16string candidate;
  for (std::size_t position : {1, 4, 7, 10, 13, 16}) {
    if (position <= text.size()) candidate += text.substr(position - 1, 2);
  }
  return candidate;
}

struct Expected {
  Outcome outcome;
  std::size_t delivered = 0;
};

Expected Reference(const Script& s) {
  if (s.query_fails) return {{kServiceError, {}}, 0};
  std::u16string candidate;
  for (std::size_t n = 0;; ++n) {
    if (n == s.failing_item) return {{kServiceError, {}}, n};
    if (n == s.items.size()) return {{0, candidate}, n};
    if (std::holds_alternative<wmi::Null>(s.items[n])) return {{94, {}}, n + 1};
    const auto* text = std::get_if<std::u16string>(&s.items[n]);
    candidate = text ? CompactOf(*text) : std::u16string();
    if (std::u16string_view(candidate) > u"000000000000") return {{0, candidate}, n + 1};
  }
}

void Read(FuzzedDataProvider& input, Script& s) {
  s.items.clear();
  s.delivered = 0;
  s.live_objects = 0;
  s.query_fails = input.ConsumeIntegralInRange(0, 31) == 0;
  s.failing_item =
      input.ConsumeIntegralInRange(0, 7) == 0 ? input.ConsumeIntegralInRange<std::size_t>(0, 8) : SIZE_MAX;
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
}

struct Harness {
  Script script;  // its item list's storage is kept from input to input
  seam::ScopedFake<decltype(wmi::GetObject)> bind{
      &wmi::GetObject, [this](std::u16string_view) -> std::unique_ptr<wmi::Services> {
        return std::make_unique<Service>(script);
      }};

  void Run(FuzzedDataProvider& input) {
    Read(input, script);
    const Expected expected = Reference(script);
    const Outcome outcome = RunProbe(&MacWinMgmt);
    RequireOutcome(outcome, expected.outcome);
    Require(outcome.result.size() <= 12, "a candidate longer than twelve characters");
    Require(script.delivered == expected.delivered, "items read past the accepted one or the failure");
    Require(script.live_objects == 0, "an object reference was not released");
  }
};

}  // namespace
}  // namespace adreca::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  adreca::fuzz::WholeRun<adreca::fuzz::Harness>().Run(input);
  return 0;
}
