// Compiled, not run: a fake must have the signature of the operation that it
// replaces. Built as it stands it compiles; built with ADRECA_WRONG_FAKE set to
// one of the numbered cases it must not (a CTest target checks both).

#include <cstdint>
#include <string>

#include "platform/netbios.h"
#include "platform/process.h"
#include "platform/seam.h"

namespace adreca {
namespace {

std::uint8_t RightNetbios(platform::NCB*) { return 0; }
platform::ProcessHandle RightStart(const std::u16string&, int) { return 0; }

#if ADRECA_WRONG_FAKE == 1
// A parameter of another type.
std::uint8_t WrongNetbios(void*) { return 0; }
#elif ADRECA_WRONG_FAKE == 2
// Another result.
int WrongNetbios(platform::NCB*) { return 0; }
#endif

}  // namespace

void InstallFakes() {
  seam::ScopedFake netbios{&platform::Netbios, &RightNetbios};
  seam::ScopedFake start{&platform::StartProcess, &RightStart};
  seam::ScopedFake lambda{&platform::StartProcess,
                          [](const std::u16string&, int) { return platform::ProcessHandle{1}; }};
#if ADRECA_WRONG_FAKE == 1 || ADRECA_WRONG_FAKE == 2
  seam::ScopedFake wrong{&platform::Netbios, &WrongNetbios};
#elif ADRECA_WRONG_FAKE == 3
  // A callable that cannot take the operation's arguments.
  seam::ScopedFake wrong{&platform::StartProcess, [](int) { return platform::ProcessHandle{1}; }};
#elif ADRECA_WRONG_FAKE == 4
  // A call through the seam with an argument that the operation does not take.
  seam::Call(platform::Netbios, &start);
#endif
}

}  // namespace adreca
