// The ipconfig probe on arbitrary listing bytes, through the file and process
// path: a fake command interpreter writes the input as the listing file in a
// real temporary folder, and MacIpConfig reads it back in 64 KiB pieces and
// scans it. The result must be exactly what the line, section and value
// rules give (fuzz/listing_model.h), the only error the overflow of a 16-bit
// position, and the listing file must be gone afterwards on every path. The
// line reader and scan alone are fuzz_listing_lines', in memory and much
// faster.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/text.h"
#include "fuzz/fixture.h"
#include "fuzz/listing_model.h"
#include "platform/process.h"
#include "platform/seam.h"
#include "probes/probes.h"

namespace adreca::fuzz {
namespace {

// The file named after the command line's last '>', quotes taken off.
std::string TargetOf(const std::u16string& command_line) {
  std::string target = ToUtf8(command_line.substr(command_line.rfind(u'>') + 1));
  if (target.size() >= 2 && target.front() == '"' && target.back() == '"') {
    target = target.substr(1, target.size() - 2);
  }
  return target;
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) Fail("the fake interpreter cannot create the listing");
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written) Fail("the fake interpreter cannot write the listing");
}

struct Harness {
  TemporaryFolder folder;
  std::string_view listing;  // this input's bytes
  std::filesystem::path listing_path = folder.path() / "ipconfig.tmp";
  seam::ScopedFake<decltype(platform::StartProcess)> start{
      &platform::StartProcess, [this](const std::u16string& command_line, int) -> platform::ProcessHandle {
        WriteFile(TargetOf(command_line), listing);
        return 1;
      }};
  seam::ScopedFake<decltype(platform::WaitForProcess)> wait{
      &platform::WaitForProcess,
      [](platform::ProcessHandle, std::int32_t) { return platform::ExitStatus{}; }};
  seam::ScopedFake<decltype(platform::AbandonProcess)> abandon{
      &platform::AbandonProcess,
      [](platform::ProcessHandle) { Fail("the probe abandoned a command it never waited for"); }};

  void Run(std::string_view bytes) {
    listing = bytes;
    const ListingExpectation expected = ExpectedListing(bytes);
    RequireOutcome(RunProbe(&MacIpConfig),
                   {expected.overflow ? error_number::kOverflow : 0, expected.candidate});
    Require(!std::filesystem::exists(listing_path), "the listing file was left behind");
  }
};

}  // namespace
}  // namespace adreca::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  adreca::fuzz::WholeRun<adreca::fuzz::Harness>().Run(
      std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
