// The ipconfig probe on arbitrary listing bytes: a fake command interpreter
// writes the input as the listing file, and MacIpConfig reads and scans it.
// The result must be exactly what the line and run rules give (worked out
// here independently), the only error the overflow of a 16-bit position, and
// the listing file must be gone afterwards on every path.

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "address/address.h"
#include "core/error.h"
#include "core/text.h"
#include "fuzz/fuzz_support.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/seam.h"
#include "probes/probes.h"

namespace adreca::fuzz {
namespace {

std::string_view listing;

std::string TargetOf(const std::u16string& command_line) {
  std::string target = ToUtf8(command_line.substr(command_line.rfind(u'>') + 1));
  if (target.size() >= 2 && target.front() == '"' && target.back() == '"') {
    target = target.substr(1, target.size() - 2);
  }
  return target;
}

platform::ProcessHandle WriteListing(const std::u16string& command_line, int) {
  std::ofstream out(TargetOf(command_line), std::ios::binary | std::ios::trunc);
  out.write(listing.data(), static_cast<std::streamsize>(listing.size()));
  if (!out.flush()) Fail("the fake interpreter cannot write the listing");
  return 1;
}
platform::ExitStatus Finished(platform::ProcessHandle, std::int32_t) { return {}; }
void Abandoned(platform::ProcessHandle) { Fail("the probe abandoned a command that it never waited for"); }

// Lines as the listing defines them: CR ends a line, an LF right after it is
// part of the break, a lone LF is an ordinary character.
std::vector<std::string> Lines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r') {
      line += bytes[i];
      continue;
    }
    lines.push_back(std::move(line));
    line.clear();
    if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

bool IsAddressCharacter(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f') || c == u'-';
}

struct Expected {
  std::u16string candidate;
  bool overflow = false;
};

bool IsHexDigit(char16_t c) { return IsAddressCharacter(c) && c != u'-'; }

// 00-1A-2B-3C-4D-5E and nothing else.
bool IsSixGroups(std::u16string_view run) {
  if (run.size() != 17) return false;
  for (std::size_t i = 0; i < run.size(); ++i) {
    if (i % 3 == 2 ? run[i] != u'-' : !IsHexDigit(run[i])) return false;
  }
  return true;
}

// The candidate of a line: its first whole run of address characters that is
// six two-digit groups. Overflow when the line's length leaves 16 bits, or
// when the scan has to step past position 32,767.
bool ScanInto(std::u16string_view line, Expected& expected) {
  if (line.size() > 32767) return expected.overflow = true;
  std::size_t start = 0;
  while (start < line.size()) {
    if (!IsAddressCharacter(line[start])) {
      ++start;
      continue;
    }
    std::size_t end = start;
    while (end < line.size() && IsAddressCharacter(line[end])) ++end;
    if (IsSixGroups(line.substr(start, end - start))) {
      expected.candidate.clear();
      for (std::size_t offset : {0, 3, 6, 9, 12, 15}) expected.candidate += line.substr(start + offset, 2);
      return false;
    }
    start = end;
  }
  if (line.size() == 32767) return expected.overflow = true;
  return false;
}

Expected Reference(std::string_view bytes) {
  Expected expected;
  for (const std::string& line : Lines(bytes)) {
    if (ScanInto(platform::FromAnsi(line), expected)) break;
    if (IsAccepted(expected.candidate)) break;
  }
  return expected;
}

struct Setup {
  Setup() {
    std::string pattern = (std::filesystem::temp_directory_path() / "adreca-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) Fail("cannot make a temporary folder");
    folder = pattern;
    TempDir = FromUtf8(pattern + "/");
  }
  ~Setup() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  Setup(const Setup&) = delete;
  Setup& operator=(const Setup&) = delete;
  std::filesystem::path folder;
  seam::ScopedFake<decltype(platform::StartProcess)> start{&platform::StartProcess, &WriteListing};
  seam::ScopedFake<decltype(platform::WaitForProcess)> wait{&platform::WaitForProcess, &Finished};
  seam::ScopedFake<decltype(platform::AbandonProcess)> abandon{&platform::AbandonProcess, &Abandoned};
};

}  // namespace
}  // namespace adreca::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace adreca;
  using namespace adreca::fuzz;
  static Setup setup;
  listing = std::string_view(reinterpret_cast<const char*>(data), size);
  const Expected expected = Reference(listing);
  std::optional<std::u16string> result;
  try {
    result = MacIpConfig();
  } catch (const Error& error) {
    Require(error.number() == error_number::kOverflow, "an error other than overflow");
    Require(expected.overflow, "an overflow where every line fits 16 bits");
  }
  if (result) {
    Require(!expected.overflow, "no overflow for a line beyond 16 bits");
    Require(*result == expected.candidate,
            "result " + Show(*result) + ", expected " + Show(expected.candidate));
  }
  Require(!std::filesystem::exists(setup.folder / "ipconfig.tmp"), "the listing file was left behind");
  return 0;
}
