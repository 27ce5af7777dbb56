#pragma once

// The ipconfig way in hostile surroundings: a sandbox with a temporary folder
// and a protected file outside it, the answer of an ordinary run, and a
// picture of everything in the sandbox to show that nothing was written.

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/process.h"
#include "tests/support/raised.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temp_folder.h"

namespace adreca::testing {

inline constexpr uid_t kNobody = 65534;
inline constexpr std::int32_t kTimeout = 1460;  // ERROR_TIMEOUT

// What a file that must not be touched holds: an address that the probe
// would report if it ever read this file as its listing.
inline constexpr std::string_view kProtectedText = "   Physical Address. . . . : 0A-0B-0C-0D-0E-0F\r\n";

// Every non-folder entry under a folder with its kind, owner and content, and
// every folder's name: two equal pictures mean nothing was written there.
std::map<std::string, std::string> Picture(const std::filesystem::path& root);

struct Outcome {
  std::u16string result;
  Raised error;
};

// One run of the ipconfig way.
Outcome RunProbe();

// An executable shell script at `path` with `body` after its first line.
std::filesystem::path WriteScript(const std::filesystem::path& path, const std::string& body);

// The real wait with its time limit cut from 60 s to one, to be installed
// as a fake of the process layer's wait.
platform::ExitStatus ShortWait(platform::ProcessHandle process, std::int32_t);

class HostileEnvironmentTest : public ::testing::Test {
 protected:
  void SetUp() override;

  // Nothing anywhere in the sandbox changed: no listing left in the
  // temporary folder, no file outside it created, touched or removed.
  void ExpectNothingWritten();
  void ExpectOrdinaryAnswer(const Outcome& outcome);

  // A folder of the sandbox's, made before the picture is taken again.
  std::filesystem::path MakeFolder(const std::string& name);

  ScopedVariable comspec{"COMSPEC", std::nullopt};  // the project's own interpreter
  TempFolder sandbox{"adreca-hostile"};
  std::filesystem::path outside = sandbox.path() / "outside";
  std::filesystem::path protected_file = outside / "protected.txt";
  std::filesystem::path temp = sandbox.path() / "temp";
  std::filesystem::path listing = temp / "ipconfig.tmp";
  std::u16string expected;
  std::map<std::string, std::string> before;
};

}  // namespace adreca::testing
